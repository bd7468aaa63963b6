// The show-jumping view against the stand-in database with the small demo
// competition: loading a section's header and start list, following start
// list and result changes on the timer, its result page, and keeping what it
// shows and publishes when the database or the files fail.

#include "settings/appConfig.h"
#include "views/KlasseJsonDocument.h"
#include "views/spring/SpringListItem.h"
#include "views/spring/staevneKlasseInfoSpring.h"

#include "ChildProcesses.h"
#include "DressageFixture.h"
#include "HtmlCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace fixture;

namespace {

using Spring = staevneKlasseInfoSpring;

QStringList column(const staevneKlasseInfo &view, int c) { return fixture::column(view.listView1, c); }

QString headerValue(const staevneKlasseInfo &view, const QString &key)
{
    for (const auto &pair : view.jsonDocument().header)
        if (pair.first == key)
            return pair.second;
    return QString();
}

// What the page shows in the place cell of the starter with competition
// number `nr`; "<no row>" when the page has no row for it.
QString pagePlace(const QByteArray &page, const QString &nr)
{
    const QString font = QStringLiteral("size=\"3\">");
    const QString number = font + nr + QStringLiteral("</font>");
    for (const QString &row : QString::fromUtf8(page).split(QStringLiteral("</tr>"))) {
        const QStringList cells = row.split(QStringLiteral("<td "));
        if (cells.size() != 9 || !cells.at(2).contains(number))
            continue;
        const QString place = cells.at(8);
        const qsizetype from = place.indexOf(font) + font.size();
        return place.mid(from, place.indexOf(QStringLiteral("</font>")) - from);
    }
    return QStringLiteral("<no row>");
}

// The cells of the starter with competition number `nr` in the class's JSON
// document, as a reader of the public results server finds them.
QStringList documentRow(const QString &path, const QString &nr)
{
    const QJsonArray rows = QJsonDocument::fromJson(readFile(path)).object().value(QStringLiteral("equipages")).toArray();
    for (const QJsonValue &row : rows) {
        const QJsonObject cells = row.toObject();
        if (cells.value(QStringLiteral("col1")).toString() != nr)
            continue;
        QStringList texts;
        for (int c = 0; c < Spring::ColumnCount; ++c)
            texts << cells.value(QStringLiteral("col%1").arg(c)).toString();
        return texts;
    }
    return {};
}

} // namespace

class tst_Spring : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    std::unique_ptr<appConfig> m_cfg;
    QList<standin::DemoSection> m_sections;

    const standin::DemoSection &jumping(const QString &metode) const
    {
        // Class 5 is judged by method A2, class 6 by B0.
        for (const standin::DemoSection &s : m_sections)
            if (s.kind == standin::DemoSectionKind::Jumping && s.afdeling == QLatin1String("A")
                && (metode == QLatin1String("B0")) == (s.klasseNr == 6))
                return s;
        return m_sections.first();
    }

    void show(Spring &view, const standin::DemoSection &s)
    {
        view.showKlasse(s.staevneId, s.klasseNr, s.afdeling, s.bane, s.afdelingId);
    }

private slots:
    // A signal ends this program at once (tests/ChildProcesses.h).
    void initTestCase() { childprocs::stopChildrenOnSignals(); }

    // Every test starts from a fresh database: the tests change it.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const QString db = m_dir->filePath("demo.db");
        const QString error = openCompetition(db, false);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_sections = standin::readDemoSections(db);
        QVERIFY(!m_sections.isEmpty());
        m_root = m_dir->filePath("html");
        m_cfg = std::make_unique<appConfig>(nullptr, m_dir->filePath("cfg.xml"));
        m_cfg->setValue("http.root", m_root);
    }

    void cleanup()
    {
        standin::Faults::clear();
        QSqlDatabase::removeDatabase(Zep);
    }

    void loadAndUpdate()
    {
        // The A2 class loads every starter with its rider and the header.
        const standin::DemoSection &s = jumping("A2");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        QStringList expectedNumbers;
        for (int n = 1; n <= s.starters; ++n)
            expectedNumbers << QString::number(n);
        QCOMPARE(column(view, Spring::StartNr), expectedNumbers);
        QCOMPARE(view.antalStarter(), s.starters);
        QVERIFY(!column(view, Spring::Rytter).contains(QString()));
        QVERIFY(!headerValue(view, "banebygger").isEmpty());
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);

        // Nothing changed: nothing is reported.
        view.updateKlasse();
        QCOMPARE(changes.count(), 0);

        // A new result updates its row in place and marks the starter.
        QTreeWidgetItem *third = view.listView1->topLevelItem(2);
        const QString startId = third->text(Spring::StartId);
        const QString number = third->text(Spring::StaevneNr);
        QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET FejlHS1 = 8, TidHS1 = 71.25, Status = NULL WHERE StartId = %1")
                           .arg(startId)));
        view.updateKlasse();
        QCOMPARE(changes, QList<QVariantList>({{s.bane, QStringLiteral("A"), s.klasseNr, true}}));
        QCOMPARE(view.listView1->topLevelItem(2), third);
        QCOMPARE(third->text(Spring::Fejl), QStringLiteral("8"));
        QCOMPARE(third->text(Spring::Tid), QStringLiteral("71.25"));
        QCOMPARE(headerValue(view, "lastChangeId"), number);

        // A starter taken out changes the start list: the class is reloaded
        // and keeps the marked starter.
        QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET Slettet = '2024-06-14 12:00:00.000' WHERE StartId = %1")
                           .arg(view.listView1->topLevelItem(0)->text(Spring::StartId))));
        view.updateKlasse();
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.last().at(3).toBool(), false);
        QCOMPARE(column(view, Spring::StartNr), expectedNumbers.mid(1));
        QCOMPARE(headerValue(view, "lastChangeId"), number);

        // A new start number is a start-list change too.
        QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET StartNr = 99 WHERE StartId = %1").arg(startId)));
        view.updateKlasse();
        QCOMPARE(changes.count(), 3);
        QCOMPARE(column(view, Spring::StartNr).last(), QStringLiteral("99"));

        // One placing per four starters, rounded up, none below two; one
        // in a class judged by method B0.
        QCOMPARE(QList<int>({view.calcAntalPlaceringer(1), view.calcAntalPlaceringer(2), view.calcAntalPlaceringer(8),
                             view.calcAntalPlaceringer(9)}),
                 QList<int>({0, 1, 2, 3}));
        show(view, jumping("B0"));
        QCOMPARE(headerValue(view, "metode"), QStringLiteral("B0"));
        QCOMPARE(headerValue(view, "antalPlaceringer"), QStringLiteral("1"));
    }

    void failuresKeepTheViewAndItsFiles()
    {
        const standin::DemoSection &s = jumping("B0");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        const QStringList riders = column(view, Spring::Rytter);
        const QString title = view.klasseInfo->text();
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);

        standin::Faults::failNextStatements(1);
        view.updateKlasse();
        QCOMPARE(changes.count(), 0);
        QCOMPARE(column(view, Spring::Rytter), riders);

        // A reload whose header query fails keeps header and list.
        QVERIFY(runSql(QStringLiteral("UPDATE tblKlasse SET Klasse = 'Omdøbt' WHERE KlasseId = %1").arg(s.klasseId)));
        standin::Faults::failNextStatements(1);
        show(view, s);
        QCOMPARE(view.klasseInfo->text(), title);
        QCOMPARE(column(view, Spring::Rytter), riders);

        // The page cannot be written (a folder stands in its place): its
        // document keeps the last state too, and nothing is announced until
        // both are written.
        const QString page = m_root + QStringLiteral("/klasse%1_A.html").arg(s.klasseNr);
        const QString json = m_root + QStringLiteral("/klasse%1_A.json").arg(s.klasseNr);
        const QByteArray jsonBefore = readFile(json);
        QVERIFY(QFile::remove(page) && QDir().mkpath(page));
        QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET FejlHS1 = 12 WHERE StartId = %1")
                           .arg(view.listView1->topLevelItem(0)->text(Spring::StartId))));
        view.updateKlasse();
        QCOMPARE(changes.count(), 0);
        QCOMPARE(readFile(json), jsonBefore);
        // Nor is the keep-start-time flag toggled meanwhile.
        view.visStartTid();
        QCOMPARE(changes.count(), 0);
        QVERIFY(QDir(page).removeRecursively());
        view.updateKlasse();
        QCOMPARE(changes, QList<QVariantList>({{s.bane, QStringLiteral("A"), s.klasseNr, true}}));
        QVERIFY(QFileInfo(page).isFile());
        QCOMPARE(jsonValue(json, "bevarStartTid"), QStringLiteral("1"));
    }

    void resultOfAStarter_data()
    {
        QTest::addColumn<QString>("faults"); // SQL value of FejlHS1
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("starter");
        QTest::newRow("faults") << "4" << "NULL" << true;
        QTest::newRow("clear round") << "0" << "NULL" << true;
        // Out of the course before any fault was written: ridden all the same.
        QTest::newRow("eliminated without faults") << "NULL" << "'DISKVALIFICERET'" << true;
        QTest::newRow("retired without faults") << "NULL" << "'UDGÅET'" << true;
        QTest::newRow("withdrawn") << "NULL" << "'AFMELDT'" << false;
    }

    void resultOfAStarter()
    {
        // A starter still to ride gets a result: the count of those still to
        // ride drops, and the new result (a status alone too) is announced to
        // the arena with its starter marked.
        QFETCH(QString, faults);
        QFETCH(QString, status);
        QFETCH(bool, starter);
        const standin::DemoSection &s = jumping("A2");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        const QTreeWidgetItem *last = view.listView1->topLevelItem(view.listView1->topLevelItemCount() - 1);
        const QString startId = last->text(Spring::StartId);
        const QString number = last->text(Spring::StaevneNr);
        const QString set = QStringLiteral("UPDATE tblStart SET FejlHS1 = %1, TidHS1 = NULL, Placering = NULL, "
                                           "Status = %2 WHERE StartId = %3");
        QVERIFY(runSql(set.arg("NULL", "NULL", startId)));
        view.updateKlasse();
        const int starters = view.antalStarter();
        const int toRide = view.resterendeStarter();
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);

        QVERIFY(runSql(set.arg(faults, status, startId)));
        view.updateKlasse();
        QCOMPARE(changes, QList<QVariantList>({{s.bane, QStringLiteral("A"), s.klasseNr, true}}));
        QCOMPARE(headerValue(view, "lastChangeId"), number);
        QCOMPARE(view.antalStarter(), starters - (starter ? 0 : 1));
        QCOMPARE(view.resterendeStarter(), toRide - 1);
    }

    void outageIsLoggedWhenItStartsAndEnds_data()
    {
        QTest::addColumn<QString>("outage");
        QTest::addColumn<QString>("endText");
        QTest::newRow("connection refused") << "refuse" << "databasen kan læses igen";
        QTest::newRow("statements fail") << "statements" << "databasen kan læses igen";
        // The start list changed, and the reload cannot read the header.
        QTest::newRow("reload fails") << "reload" << "databasen kan læses igen";
        QTest::newRow("page cannot be written") << "write" << "siderne skrives igen";
    }

    void outageIsLoggedWhenItStartsAndEnds()
    {
        QFETCH(QString, outage);
        QFETCH(QString, endText);
        const standin::DemoSection &s = jumping("B0");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        QVERIFY(view.listView1->topLevelItemCount() > 0);
        const QString startId = view.listView1->topLevelItem(0)->text(Spring::StartId);
        const QString page = m_root + QStringLiteral("/klasse%1_A.html").arg(s.klasseNr);
        const auto begin = [&](int round) {
            if (outage == QLatin1String("reload")) {
                QVERIFY(runSql(QStringLiteral("ALTER TABLE tblMetode RENAME TO tblMetodeAway")));
                QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET StartNr = %1 WHERE StartId = %2")
                                   .arg(90 + round).arg(startId)));
            } else {
                // A new result is due while the page cannot be written.
                QVERIFY(QFile::remove(page) && QDir().mkpath(page));
                QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET FejlHS1 = %1 WHERE StartId = %2")
                                   .arg(20 + round).arg(startId)));
            }
        };
        const auto end = [&] {
            if (outage == QLatin1String("reload"))
                QVERIFY(runSql(QStringLiteral("ALTER TABLE tblMetodeAway RENAME TO tblMetode")));
            else
                QVERIFY(QDir(page).removeRecursively());
        };
        // The reload also says why it runs.
        outageRounds(view, outage, outage == QLatin1String("reload") ? 2 : 1,
                     QStringLiteral("Klasse %1 A: ").arg(s.klasseNr) + endText, begin, end);
    }

    void resultPageOfTheClass()
    {
        // A placed starter, an eliminated one, one withdrawn, and a horse
        // whose name would be markup.
        const standin::DemoSection &s = jumping("A2");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        const QStringList ids = column(view, Spring::StartId);
        QVERIFY(runSql(
            QStringLiteral("UPDATE tblStart SET FejlHS1 = 4, TidHS1 = 65.5, Placering = 1, Status = NULL WHERE StartId = %1;"
                           "UPDATE tblStart SET FejlHS1 = NULL, Placering = 0, Status = 'DISKVALIFICERET' WHERE StartId = %2;"
                           "UPDATE tblStart SET Placering = 2, Status = 'AFMELDT' WHERE StartId = %3;"
                           "UPDATE tblHest SET Navn = '<b>Ø & \"Co\"</b>' WHERE HestId = (SELECT HestId FROM "
                           "tblAnmeldelse A JOIN tblStart S ON S.AnmeldelseId = A.AnmeldelseId WHERE S.StartId = %1);")
                .arg(ids[2], ids[1], ids[0])));
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        view.updateKlasse();
        QCOMPARE(changes.count(), 1);

        const QByteArray page = readFile(m_root + QStringLiteral("/klasse%1_A.html").arg(s.klasseNr));
        QCOMPARE(htmlProblem(page), QString());
        QVERIFY(page.contains(QStringLiteral("&lt;b&gt;Ø&nbsp;&amp;&nbsp;&quot;Co&quot;&lt;/b&gt;").toUtf8()));

        // The class's name from the database is shown over the list as it is
        // written: drawn as markup it would be narrower than its own text.
        QVERIFY(runSql(QStringLiteral("UPDATE tblKlasse SET Klasse = '<i>Pony</i> & <b>Co</b>' WHERE KlasseId = %1")
                           .arg(s.klasseId)));
        show(view, s);
        QVERIFY(view.klasseInfo->text().contains(QStringLiteral("<i>Pony</i> & <b>Co</b>")));
        QVERIFY(view.klasseInfo->sizeHint().width()
                >= view.klasseInfo->fontMetrics().horizontalAdvance(view.klasseInfo->text()));
        // One row per starter; the withdrawn one has none.
        const QStringList statuses = column(view, Spring::Status);
        const QRegularExpression absent(QStringLiteral("(?i)^(AFMELDT|EJ MØDT)$"));
        QCOMPARE(page.count("<tr bgcolor=\"#"), statuses.size() - statuses.filter(absent).size());
        QVERIFY(page.contains(">4</font></td>\n<td width=\"8%\" align=\"right\" class=\"time\">"
                              "<font color=\"#000000\" size=\"3\">65.5</font></td>\n<td width=\"10%\" "
                              "align=\"right\"><font color=\"#000000\" size=\"3\"><b class=place>1</b>"));
        QVERIFY(page.contains(">DISKVALIFICERET</font>"));
        QVERIFY(!page.contains("AFMELDT"));
        // The last change is the placed starter's (the highest start number).
        const int last = page.indexOf("class=\"lastrider\"");
        QVERIFY(last > 0 && page.count("lastrider") == 1);
        QVERIFY(page.mid(last, page.indexOf("</tr>", last) - last).contains(">65.5<"));
    }

    void sectionsOwnNumberOfPlacings()
    {
        // A section that gives its own number of placings has that many,
        // whatever the rule for its starters says: in the header, the
        // document and the places the page marks, on a load and on a tick.
        const standin::DemoSection &s = jumping("A2");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        const int own = view.calcAntalPlaceringer(view.antalStarter()) + 1;
        QVERIFY(view.antalStarter() > own);
        QVERIFY(runSql(QStringLiteral("UPDATE tblAfdeling SET AntalPlaceringer = %1 WHERE AfdelingId = %2")
                           .arg(own)
                           .arg(s.afdelingId)));
        show(view, s);
        QCOMPARE(view.antalPlac->text(), QStringLiteral("Antal Placeringer %1").arg(own));

        // One starter more than that is placed.
        const QStringList ids = column(view, Spring::StartId);
        for (int place = 1; place <= own + 1; ++place)
            QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET FejlHS1 = 0, TidHS1 = %1, Placering = %2, Status = NULL "
                                          "WHERE StartId = %3")
                               .arg(60 + place)
                               .arg(place)
                               .arg(ids.at(place - 1))));
        view.updateKlasse();
        QCOMPARE(headerValue(view, "antalPlaceringer"), QString::number(own));
        const QString path = m_root + QStringLiteral("/klasse%1_A.html").arg(s.klasseNr);
        const QByteArray page = readFile(path);
        QVERIFY(page.contains(QStringLiteral("Antal&nbsp;Placeringer </td>\n <td width=10% align=left> %1 </td>").arg(own).toUtf8()));
        const QStringList numbers = column(view, Spring::StaevneNr);
        QCOMPARE(pagePlace(page, numbers.at(own - 1)), QStringLiteral("<b class=place>%1</b>").arg(own));
        QCOMPARE(pagePlace(page, numbers.at(own)), QString::number(own + 1));
    }

    void starterNotYetPlacedHasNoPlace_data()
    {
        QTest::addColumn<QString>("placering"); // SQL value
        QTest::newRow("no place") << "NULL";
        QTest::newRow("place 0") << "0";
    }

    void starterNotYetPlacedHasNoPlace()
    {
        // A starter who has ridden but is not placed (yet) shows no place:
        // no "0" on screen, in the document or on the page.
        QFETCH(QString, placering);
        const standin::DemoSection &s = jumping("A2");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        const QString startId = view.listView1->topLevelItem(0)->text(Spring::StartId);
        const QString nr = view.listView1->topLevelItem(0)->text(Spring::StaevneNr);
        QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET FejlHS1 = 4, TidHS1 = 70.5, Placering = %1, Status = NULL "
                                      "WHERE StartId = %2")
                           .arg(placering, startId)));
        view.updateKlasse();

        QCOMPARE(view.listView1->topLevelItem(0)->text(Spring::Fejl), QStringLiteral("4"));
        QCOMPARE(view.listView1->topLevelItem(0)->text(Spring::Placering), QString());
        const QStringList cells = documentRow(m_root + QStringLiteral("/klasse%1_A.json").arg(s.klasseNr), nr);
        QCOMPARE(cells.value(Spring::Tid), QStringLiteral("70.5"));
        QCOMPARE(cells.value(Spring::Placering, QStringLiteral("<no row>")), QString());
        QCOMPARE(pagePlace(readFile(m_root + QStringLiteral("/klasse%1_A.html").arg(s.klasseNr)), nr),
                 QStringLiteral("&nbsp;"));
    }

    void operatorRefresh_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("reloads the class") << "";
        QTest::newRow("pages cannot be written") << "write";
        QTest::newRow("database cannot be read") << "read";
    }

    void operatorRefresh()
    {
        // The operator's refresh reads the class anew and keeps the starter
        // marked last. It announces (and so uploads) only pages it wrote; a
        // state it could not write is announced once it is.
        QFETCH(QString, fault);
        const standin::DemoSection &s = jumping("A2");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        const QString startId = view.listView1->topLevelItem(1)->text(Spring::StartId);
        QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET FejlHS1 = 4 WHERE StartId = %1").arg(startId)));
        view.updateKlasse();
        const QString marked = headerValue(view, "lastChangeId");
        QVERIFY(marked != QLatin1String("-1"));
        QVERIFY(runSql(QStringLiteral("UPDATE tblKlasse SET Klasse = 'Omdøbt' WHERE KlasseId = %1").arg(s.klasseId)));
        const QString page = m_root + QStringLiteral("/klasse%1_A.html").arg(s.klasseNr);
        const QString json = m_root + QStringLiteral("/klasse%1_A.json").arg(s.klasseNr);
        const QByteArray jsonBefore = readFile(json);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
        const auto logged = [&log, &s](const QString &what) {
            const QString line = QStringLiteral("Klasse %1 A: %2").arg(s.klasseNr).arg(what);
            return std::count_if(log.cbegin(), log.cend(),
                                 [&line](const QVariantList &args) { return args.at(1).toString().startsWith(line); });
        };
        const QList<QVariantList> announced{{s.bane, QStringLiteral("A"), s.klasseNr, false}};

        if (fault == QLatin1String("write"))
            QVERIFY(QFile::remove(page) && QDir().mkpath(page));
        else if (fault == QLatin1String("read"))
            standin::Faults::failNextStatements(1);
        view.refreshClass();
        standin::Faults::clear();

        QCOMPARE(headerValue(view, "lastChangeId"), marked);
        if (fault.isEmpty()) {
            QCOMPARE(changes, announced);
            QVERIFY(view.klasseInfo->text().contains(QStringLiteral("Omdøbt")));
            QCOMPARE(jsonValue(json, "lastChangeId"), marked);
            return;
        }
        QCOMPARE(changes, QList<QVariantList>());
        QCOMPARE(readFile(json), jsonBefore);
        QCOMPARE(view.klasseInfo->text().contains(QStringLiteral("Omdøbt")), fault == QLatin1String("write"));
        if (fault == QLatin1String("write"))
            QVERIFY(QDir(page).removeRecursively());
        // A refresh that cannot read the class says so once, and the tick
        // that reads it again ends the outage.
        const bool read = fault == QLatin1String("read");
        QCOMPARE(logged(QStringLiteral("databasen kan ikke læses")), read ? 1 : 0);
        view.updateKlasse();
        view.updateKlasse();
        QCOMPARE(changes, fault == QLatin1String("write") ? announced : QList<QVariantList>());
        QCOMPARE(logged(QStringLiteral("databasen kan ikke læses")), read ? 1 : 0);
        QCOMPARE(logged(QStringLiteral("databasen kan læses igen")), read ? 1 : 0);
    }

    void refreshAnnouncesWhatATickCouldNotWrite()
    {
        // A new last change whose page could not be written is announced by
        // the refresh that writes it, and only once: a later reload for a
        // start number is no new result.
        const standin::DemoSection &s = jumping("A2");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        const QString startId = view.listView1->topLevelItem(1)->text(Spring::StartId);
        const QString page = m_root + QStringLiteral("/klasse%1_A.html").arg(s.klasseNr);
        QSignalSpy changes(&view, &staevneKlasseInfo::resultChangeClass);
        QVERIFY(QFile::remove(page) && QDir().mkpath(page));
        QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET FejlHS1 = 4 WHERE StartId = %1").arg(startId)));
        view.updateKlasse();
        QCOMPARE(changes.size(), 0);
        QVERIFY(QDir(page).removeRecursively());
        view.refreshClass();
        QVERIFY(runSql(QStringLiteral("UPDATE tblStart SET StartNr = 99 WHERE StartId = %1").arg(startId)));
        view.updateKlasse();
        QCOMPARE(changes, (QList<QVariantList>{{s.bane, QStringLiteral("A"), s.klasseNr, true},
                                               {s.bane, QStringLiteral("A"), s.klasseNr, false}}));
    }

    void doubleClickMarksTheRider()
    {
        // The operator double-clicks the rider in the arena: the next page
        // written marks that row as the last rider. A second double click
        // keeps the first mark.
        const standin::DemoSection &s = jumping("A2");
        Spring view(m_cfg.get(), nullptr, "view");
        show(view, s);
        view.resize(900, 400);
        view.QWidget::show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto doubleClick = [&view](int row) {
            const QRect rect = view.listView1->visualItemRect(view.listView1->topLevelItem(row));
            // As from a mouse: the first click, then the double click.
            QTest::mouseClick(view.listView1->viewport(), Qt::LeftButton, {}, rect.center());
            QTest::mouseDClick(view.listView1->viewport(), Qt::LeftButton, {}, rect.center());
        };
        doubleClick(2);
        doubleClick(0);
        view.refreshClass();

        const QByteArray page = readFile(m_root + QStringLiteral("/klasse%1_A.html").arg(s.klasseNr));
        const qsizetype last = page.indexOf("class=\"lastrider\"");
        QVERIFY(last > 0 && page.count("lastrider") == 1);
        const QString nr = view.listView1->topLevelItem(2)->text(Spring::StaevneNr);
        QVERIFY(page.mid(last, page.indexOf("</tr>", last) - last).contains((">" + nr + "</font>").toUtf8()));
    }

    void rowsSortAsNumbers()
    {
        QTreeWidget list;
        list.setColumnCount(2);
        for (const char *text : {"10", "", "9", "2.5", "x"}) {
            auto *item = new SpringListItem;
            item->setText(1, QString::fromLatin1(text));
            list.addTopLevelItem(item);
        }
        list.sortItems(1, Qt::AscendingOrder);
        QCOMPARE(fixture::column(&list, 1), QStringList({"2.5", "9", "10", "", "x"}));
    }
};

QTEST_MAIN(tst_Spring)
#include "tst_spring.moc"

#pragma once

// What the dressage tests share: the small demo competition with the fixed
// classes of tests/data/dressage_fixture.sql on the connection "ZEP", and a
// dressage view whose clock, menu and protected members the tests reach.

#include "demo/DemoCompetition.h"
#include "driver/StandinDriver.h"
#include "views/dressur/staevneKlasseInfoDressur.h"

#include <QAction>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QTreeWidget>
#include <QWidgetAction>

#include <sqlite3.h>

#include <functional>

namespace fixture {

const QString Zep = QStringLiteral("ZEP");

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString jsonValue(const QString &path, const char *key)
{
    return QJsonDocument::fromJson(readFile(path)).object().value(QLatin1String(key)).toString();
}

// Test data goes in through SQLite itself: it is no statement of the station.
inline bool runSql(const QString &sql)
{
    QSqlDatabase db = QSqlDatabase::database(Zep);
    auto *handle = *static_cast<sqlite3 *const *>(db.driver()->handle().data());
    char *message = nullptr;
    const int rc = sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK)
        qWarning("%s: %s", qPrintable(sql.left(60)), message);
    sqlite3_free(message);
    return rc == SQLITE_OK;
}

// Writes the competition into `file` and opens "ZEP" on it; an error text,
// or an empty one.
inline QString openCompetition(const QString &file, bool withFixture = true)
{
    standin::registerDriver();
    standin::DemoOptions options;
    options.small = true;
    QString error;
    if (!standin::generateDemoCompetition(file, options, &error))
        return error;
    QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), Zep);
    db.setDatabaseName(file);
    if (!db.open())
        return db.lastError().text();
    QFile fixture(QStringLiteral(ZEP_TESTDATA "/dressage_fixture.sql"));
    if (withFixture && (!fixture.open(QIODevice::ReadOnly) || !runSql(QString::fromUtf8(fixture.readAll()))))
        return QStringLiteral("the fixture did not load");
    return QString();
}

inline QStringList logged(const QSignalSpy &spy, int level)
{
    QStringList texts;
    for (const QVariantList &args : spy)
        if (args.at(0).toInt() == level)
            texts << args.at(1).toString();
    return texts;
}

// Two outages of `view` in a row, each reported as the first: `startLines`
// lines of level 1 on its first tick, silence on three more, then the one
// line `endLine` once it is over, and silence again. The tick's trace
// (level 0) is no report. "refuse" and "statements" are begun and ended
// here; any other outage by `begin(round)` and `end()`.
inline void outageRounds(staevneKlasseInfo &view, const QString &outage, int startLines, const QString &endLine,
                         const std::function<void(int)> &begin = {}, const std::function<void()> &end = {})
{
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    const auto reported = [&log] {
        QList<QPair<int, QString>> lines;
        for (const QVariantList &args : std::as_const(log))
            if (args.at(0).toInt() != 0)
                lines << qMakePair(args.at(0).toInt(), args.at(1).toString());
        log.clear();
        return lines;
    };
    for (int round = 0; round < 2; ++round) {
        if (outage == QLatin1String("refuse")) {
            standin::Faults::setRefuseOpen(true);
            QVERIFY(standin::Faults::dropConnection(Zep));
        } else if (outage == QLatin1String("statements")) {
            standin::Faults::failNextStatements(1000);
        } else {
            begin(round);
        }
        for (int tick = 0; tick < 4; ++tick) {
            view.updateKlasse();
            int started = 0;
            for (const auto &line : reported()) {
                QVERIFY2(tick == 0 && line.first != 3, qPrintable(line.second));
                started += line.first == 1 ? 1 : 0;
            }
            QCOMPARE(started, tick == 0 ? startLines : 0);
        }
        if (outage == QLatin1String("refuse") || outage == QLatin1String("statements"))
            standin::Faults::clear();
        else
            end();
        view.updateKlasse();
        QCOMPARE(reported(), (QList<QPair<int, QString>>{{3, endLine}}));
        view.updateKlasse();
        QCOMPARE(reported(), (QList<QPair<int, QString>>{}));
    }
}

inline QVector<QStringList> rowsOf(const QTreeWidget *list)
{
    QVector<QStringList> rows;
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        rows << QStringList();
        for (int c = 0; c < list->columnCount(); ++c)
            rows.last() << list->topLevelItem(r)->text(c);
    }
    return rows;
}

inline QStringList column(const QVector<QStringList> &rows, int c)
{
    QStringList texts;
    for (const QStringList &row : rows)
        texts << row.value(c);
    return texts;
}

inline QStringList column(const QTreeWidget *list, int c) { return column(rowsOf(list), c); }

// A dressage view with a clock the test sets, and a menu answered by
// noting its items and picking every action.
class DressageView : public staevneKlasseInfoDressur
{
public:
    using staevneKlasseInfoDressur::staevneKlasseInfoDressur;
    using staevneKlasseInfoDressur::antalPlaceringer;
    using staevneKlasseInfoDressur::bevarStartTid;
    using staevneKlasseInfoDressur::getDBField;
    using staevneKlasseInfoDressur::lastChangeId;
    using staevneKlasseInfoDressur::noMaxPnt;

    QDateTime now = QDateTime(QDate(2024, 6, 15), QTime(14, 45));
    QStringList menuItems;

    // A section of the fixture's competition 50, by class number.
    void show(int klasseNr) { showKlasse(50, klasseNr, QStringLiteral("A"), 1, 9170 + klasseNr); }
    QString cell(const QString &startId, int column) const
    {
        const auto items = listView1->findItems(startId, Qt::MatchExactly, DressurColumns::StartId);
        return items.size() == 1 ? items.first()->text(column) : QStringLiteral("<no row>");
    }

protected:
    QDateTime currentTime() const override { return now; }
    void execMenu(QMenu *menu) override
    {
        for (QAction *action : menu->actions()) {
            if (auto *caption = qobject_cast<QWidgetAction *>(action)) {
                menuItems << qobject_cast<QLabel *>(caption->defaultWidget())->text();
            } else {
                menuItems << action->text() + QLatin1Char(' ') + action->shortcut().toString();
                action->trigger();
            }
        }
    }
};

} // namespace fixture

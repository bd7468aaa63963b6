#pragma once

// What the championship, waiting-list and eventing view tests share: a small
// demo competition with a test's own fixed sections added, on the connection
// "ZEP", and readers for the list a view shows and the log it writes.

#include "demo/DemoCompetition.h"
#include "driver/StandinDriver.h"
#include "views/champ/staevneKlasseInfoChampDressur.h"
#include "views/champ/staevneKlasseInfoChampSpring.h"
#include "settings/appConfig.h"
#include "views/staevneKlasseInfo.h"
#include "EventWait.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPrinter>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QTest>
#include <QTreeWidget>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace sectionfx {

const QString Zep = QStringLiteral("ZEP");

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
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

// Writes the competition into `file`, opens "ZEP" on it and runs
// tests/data/`fixture`; an error text, or an empty one.
inline QString openCompetition(const QString &file, quint32 seed, const QString &fixture)
{
    standin::DemoOptions options;
    options.seed = seed;
    options.small = true;
    QString error;
    if (!standin::generateDemoCompetition(file, options, &error))
        return error;
    standin::registerDriver();
    QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), Zep);
    db.setDatabaseName(file);
    if (!db.open())
        return db.lastError().text();
    QFile sql(QStringLiteral(ZEP_TESTDATA "/") + fixture);
    if (!sql.open(QIODevice::ReadOnly) || !runSql(QString::fromUtf8(sql.readAll())))
        return QStringLiteral("the fixture did not load");
    return QString();
}

// The texts of column `c`, top to bottom.
inline QStringList column(const staevneKlasseInfo &view, int c)
{
    QStringList texts;
    for (int r = 0; r < view.listView1->topLevelItemCount(); ++r)
        texts << view.listView1->topLevelItem(r)->text(c);
    return texts;
}

inline QStringList logged(const QSignalSpy &spy, int level)
{
    QStringList texts;
    for (const QVariantList &args : spy)
        if (args.at(0).toInt() == level)
            texts << args.at(1).toString();
    return texts;
}

// The outage rows a view's outage test runs, with the line that ends each:
// the connection drops and will not open again, every statement fails, or
// the pages cannot be written.
inline void outageRows(const QString &klasse)
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("over");
    QTest::newRow("connection refused") << "closed" << klasse + QStringLiteral(": databasen kan læses igen");
    QTest::newRow("statements fail") << "statements" << klasse + QStringLiteral(": databasen kan læses igen");
    QTest::newRow("pages cannot be written") << "write" << klasse + QStringLiteral(": siderne skrives igen");
}

// Runs the row's outage over three ticks of `tick`, then three good ticks:
// one level-1 line when it starts, the row's level-3 line when it ends,
// nothing in between. `blocked` is an output folder that cannot be made.
template <class Tick>
void checkOutageLoggedOnce(staevneKlasseInfo &view, appConfig *cfg, const QString &blocked, Tick tick)
{
    QFETCH(QString, fault);
    QSignalSpy log(&view, &staevneKlasseInfo::logMessage);
    QSignalSpy readAgain(&view, &staevneKlasseInfo::databaseReadAgain);
    const QString root = cfg->getValue(QStringLiteral("http.root"), QString());
    if (fault == QLatin1String("closed")) {
        standin::Faults::setRefuseOpen(true);
        QVERIFY(standin::Faults::dropConnection(Zep));
    } else if (fault == QLatin1String("statements")) {
        standin::Faults::failNextStatements(1000);
    } else {
        cfg->setValue(QStringLiteral("http.root"), blocked);
    }
    for (int round = 0; round < 3; ++round)
        tick();
    QCOMPARE(logged(log, 1).size(), 1);
    QVERIFY(logged(log, 3).isEmpty());

    standin::Faults::clear();
    cfg->setValue(QStringLiteral("http.root"), root);
    for (int round = 0; round < 3; ++round)
        tick();
    QCOMPARE(logged(log, 1).size(), 1);
    QTEST(logged(log, 3).join(QLatin1Char('|')), "over");
    // The window ends its database outage on this: once, and only when the
    // database was the trouble.
    QCOMPARE(readAgain.count(), fault == QLatin1String("write") ? 0 : 1);
}

// Types `text` into the cell's editor of a table with an `isEditing()` test
// and presses Return, as an operator does; false when no editor opens.
template <class Table>
bool typeCell(Table *table, int row, int column, const QString &text)
{
    table->setCurrentCell(row, column);
    table->editItem(table->item(row, column));
    auto *editor = qobject_cast<QLineEdit *>(table->indexWidget(table->currentIndex()));
    if (!editor)
        return false;
    editor->selectAll();
    // The test library types keys of ISO-8859-1 only; a sign beyond it
    // comes as an input method would bring it, and a line break (which
    // Return would take as the end of the edit) as a paste brings it.
    const bool latin1 = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 256; });
    if (text.isEmpty()) {
        QTest::keyClick(editor, Qt::Key_Delete); // the cell emptied
    } else if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        if (editor->text() != text)
            return false;
    } else if (latin1) {
        QTest::keyClicks(editor, text);
    } else {
        editor->insert(text);
    }
    QTest::keyClick(editor, Qt::Key_Return);
    return eventwait::program().wait([table] { return !table->isEditing(); });
}

// Types `texts` into the cells of `row` from `firstColumn` on, in turn.
template <class Table>
bool typeCells(Table *table, int row, int firstColumn, const QStringList &texts)
{
    for (int i = 0; i < texts.size(); ++i)
        if (!typeCell(table, row, firstColumn + i, texts.at(i)))
            return false;
    return true;
}

// The championship sheets with their test seams: a fixed page time, the bell
// counted, the save dialog answered with `savePath`, and a print dialog that prints to
// `pdf` (or is cancelled) after moving the working directory as a file
// chooser may.
template <class View>
class ChampProbe : public View
{
public:
    using View::View;
    using View::antalPlaceringer;
    using View::bevarStartTid;

    // Section A of class `klasseNr` of tests/data/champ_fixture.sql, shown:
    // the cell editors open on a shown sheet.
    void load(int klasseNr)
    {
        this->showKlasse(70, klasseNr, QStringLiteral("A"), 1, 9670 + klasseNr);
        this->show();
    }

    int bells = 0;
    // What the save dialog answers (empty: cancelled) and the name it proposed.
    QString savePath;
    QString proposedName;
    QString pdf;
    bool accept = true;
    QString dialogDirectory;
    int dialogs = 0;

protected:
    QDateTime pageTime() const override { return QDateTime(QDate(2024, 6, 15), QTime(10, 5)); }
    void beep() override { ++bells; }
    QString askSavePath(const QString &proposed) override
    {
        proposedName = proposed;
        return savePath;
    }
    bool askPrinter(QPrinter *printer) override
    {
        ++dialogs;
        if (!dialogDirectory.isEmpty())
            QDir::setCurrent(dialogDirectory);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return accept;
    }
};
using DressurProbe = ChampProbe<staevneKlasseInfoChampDressur>;
using SpringProbe = ChampProbe<staevneKlasseInfoChampSpring>;

// A sheet of class `klasseNr` of tests/data/champ_fixture.sql, section A, shown.
inline std::unique_ptr<ChampView> champView(appConfig *cfg, bool spring, int klasseNr)
{
    std::unique_ptr<ChampView> view(spring ? static_cast<ChampView *>(new SpringProbe(cfg)) : new DressurProbe(cfg));
    view->showKlasse(70, klasseNr, QStringLiteral("A"), 1, 9670 + klasseNr);
    view->show();
    return view;
}

} // namespace sectionfx

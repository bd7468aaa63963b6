// What the stand-in driver costs over Qt's own SQLite driver: the same
// parameterised select of a dressage section with 80 starters, run many
// times on the same file through both. The direct run executes the SQLite
// text that the stand-in's translation produces, with the same helper
// functions installed, so the difference is the driver itself: translation
// (cached after the first run), statement cache, binding and row reading.
//
// Usage: bench_standin [iterations]

#include "driver/StandinDriver.h"
#include "driver/TsqlTranslator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

const int kSections = 12;
const int kStarters = 80;

// The section's results as the dressage tick reads them.
const char kStatement[] =
    "SELECT StartNr,anmeldelseNr,totalKurKlasse, diskvalifikation,placering,  StartId,\n"
    "\t\t      dommerE, dommerH, dommerC, dommerM, dommerB,\n"
    "\t\t      DR.Fornavn + ' ' + DR.Efternavn, DR.Navn, DR.klubId,\n"
    "\t\t      CAST(CONVERT( varchar, DR.Starttid, 14 ) AS varchar(5) ), Udgaar\n"
    "\t\t      FROM dbo.tblDressurBench AS DR\n"
    "\t\t      WHERE staevneId = :staevneId AND klasseNr = :klasseNr AND afdelingInitialer = :afdeling\n"
    "\t\t      ORDER BY  total ASC, diskvalifikation ASC, startNr DESC ";

bool createDatabase(const QString &file)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr)
        != SQLITE_OK)
        return false;
    bool ok = standin::installTsqlSupport(db);
    const char *schema =
        "CREATE TABLE tblDressurBench (StartId INTEGER PRIMARY KEY, staevneId INTEGER, klasseNr INTEGER,"
        " afdelingInitialer TEXT COLLATE TSQL_CI, StartNr INTEGER, anmeldelseNr INTEGER,"
        " Fornavn TEXT COLLATE TSQL_CI, Efternavn TEXT COLLATE TSQL_CI, Navn TEXT COLLATE TSQL_CI,"
        " klubId TEXT COLLATE TSQL_CI, placering INTEGER, totalKurKlasse REAL, total REAL,"
        " diskvalifikation TEXT COLLATE TSQL_CI, dommerE REAL, dommerH REAL, dommerC REAL, dommerM REAL,"
        " dommerB REAL, Starttid DATETIME, Udgaar INTEGER);"
        "CREATE INDEX ixSection ON tblDressurBench (staevneId, klasseNr, afdelingInitialer);";
    ok = ok && sqlite3_exec(db, schema, nullptr, nullptr, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt *insert = nullptr;
    ok = ok
        && sqlite3_prepare_v2(db,
                              "INSERT INTO tblDressurBench (staevneId, klasseNr, afdelingInitialer, StartNr,"
                              " anmeldelseNr, Fornavn, Efternavn, Navn, klubId, placering, totalKurKlasse, total,"
                              " diskvalifikation, dommerE, dommerH, dommerC, dommerM, dommerB, Starttid, Udgaar)"
                              " VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?10, ?11, ?12, ?12, ?12, ?12,"
                              " ?12, ?13, 0)",
                              -1, &insert, nullptr)
            == SQLITE_OK;
    static const char *const firstNames[] = {"Anne", "Søren", "Mette", "Jens", "Ærle", "Birgitte"};
    static const char *const lastNames[] = {"Holm", "Østergaard", "Nielsen", "Åberg", "Jensen"};
    static const char *const statuses[] = {"", "", "", "", "UDGÅET", "EJ MØDT"};
    for (int section = 0; ok && section < kSections; ++section) {
        for (int n = 0; ok && n < kStarters; ++n) {
            const QByteArray horse = QByteArray("Hest ") + QByteArray::number(section * 100 + n);
            const QByteArray time = QByteArray("2024-05-01 ") + QByteArray::number(8 + n / 10).rightJustified(2, '0')
                + ":" + QByteArray::number(n % 10 * 6).rightJustified(2, '0') + ":00.000";
            sqlite3_bind_int(insert, 1, 3 + section / 2);
            sqlite3_bind_text(insert, 2, section % 2 ? "B" : "A", -1, SQLITE_STATIC);
            sqlite3_bind_int(insert, 3, n + 1);
            sqlite3_bind_int(insert, 4, 1000 + section * 100 + n);
            sqlite3_bind_text(insert, 5, firstNames[n % 6], -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 6, lastNames[n % 5], -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 7, horse.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 8, n % 3 ? "RK" : "*FRK", -1, SQLITE_STATIC);
            sqlite3_bind_int(insert, 9, n + 1);
            sqlite3_bind_double(insert, 10, 60.0 + (n * 37 % 100) / 10.0);
            sqlite3_bind_text(insert, 11, statuses[n % 6], -1, SQLITE_STATIC);
            sqlite3_bind_double(insert, 12, 6.5 + (n % 7) / 2.0);
            sqlite3_bind_text(insert, 13, time.constData(), -1, SQLITE_TRANSIENT);
            ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
        }
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// Binds, executes and reads every value of every row of a prepared query.
// Returns the number of rows, -1 on failure.
int execAndRead(QSqlQuery &query)
{
    query.bindValue(QStringLiteral(":staevneId"), 1);
    query.bindValue(QStringLiteral(":klasseNr"), 5);
    query.bindValue(QStringLiteral(":afdeling"), QStringLiteral("a"));
    if (!query.exec()) {
        std::fprintf(stderr, "exec: %s\n", qPrintable(query.lastError().text()));
        return -1;
    }
    int rows = 0;
    qsizetype checksum = 0;
    while (query.next()) {
        ++rows;
        for (int i = 0; i < 16; ++i)
            checksum += query.value(i).toString().size();
    }
    return checksum > 0 ? rows : -1;
}

// One tick of the station: a new query, prepared and run.
int runOnce(const QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.prepare(statement)) {
        std::fprintf(stderr, "prepare: %s\n", qPrintable(query.lastError().text()));
        return -1;
    }
    return execAndRead(query);
}

// The best of several rounds, in microseconds per run.
double measure(const std::function<int()> &run, int iterations)
{
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < iterations; ++i) {
            if (run() != kStarters)
                return -1;
        }
        best = std::min(best, double(timer.nsecsElapsed()) / 1000.0 / iterations);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 1000;

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.db"));
    if (!dir.isValid() || !createDatabase(file)) {
        std::fprintf(stderr, "cannot create the benchmark database\n");
        return 1;
    }

    standin::registerDriver();
    QSqlDatabase standinDb = QSqlDatabase::addDatabase(standin::driverName(), QStringLiteral("standin"));
    standinDb.setDatabaseName(file);
    QSqlDatabase directDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("direct"));
    directDb.setDatabaseName(file);
    if (!standinDb.open() || !directDb.open()) {
        std::fprintf(stderr, "cannot open: %s %s\n", qPrintable(standinDb.lastError().text()),
                     qPrintable(directDb.lastError().text()));
        return 1;
    }
    // Qt's driver gets the collation and helper functions of the translation.
    const QVariant handle = directDb.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0
        || !standin::installTsqlSupport(*static_cast<sqlite3 *const *>(handle.constData()))) {
        std::fprintf(stderr, "cannot install the helper functions on QSQLITE\n");
        return 1;
    }

    const QString tsql = QString::fromLatin1(kStatement);
    const standin::TsqlTranslator::Result translation = standin::TsqlTranslator::translate(tsql);
    if (!translation.ok()) {
        std::fprintf(stderr, "translation: %s\n", qPrintable(translation.error));
        return 1;
    }

    const double direct = measure([&] { return runOnce(directDb, translation.sql); }, iterations);
    const double viaStandin = measure([&] { return runOnce(standinDb, tsql); }, iterations);
    // The same with one query prepared once and executed again and again.
    QSqlQuery directQuery(directDb);
    QSqlQuery standinQuery(standinDb);
    if (!directQuery.prepare(translation.sql) || !standinQuery.prepare(tsql)) {
        std::fprintf(stderr, "prepare failed\n");
        return 1;
    }
    const double directPrepared = measure([&] { return execAndRead(directQuery); }, iterations);
    const double standinPrepared = measure([&] { return execAndRead(standinQuery); }, iterations);
    if (direct <= 0 || viaStandin <= 0 || directPrepared <= 0 || standinPrepared <= 0) {
        std::fprintf(stderr, "a run did not read %d starters\n", kStarters);
        return 1;
    }
    const standin::DriverStatistics statistics = standin::driverStatistics(standinDb);
    const QByteArray name = standin::driverName().toLatin1();
    std::printf("select of %d starters, %d runs, best of 5 rounds, microseconds per run\n", kStarters, iterations);
    std::printf("%-28s %12s %12s %8s\n", "", "QSQLITE", name.constData(), "ratio");
    std::printf("%-28s %12.1f %12.1f %8.2f\n", "new query each run", direct, viaStandin, viaStandin / direct);
    std::printf("%-28s %12.1f %12.1f %8.2f\n", "one query, prepared once", directPrepared, standinPrepared,
                standinPrepared / directPrepared);
    std::printf("target: ratio <= 1.50\n");
    std::printf("translations %d, translation cache hits %d, prepares %d, statement cache hits %d\n",
                statistics.translations, statistics.translationCacheHits, statistics.prepares,
                statistics.statementCacheHits);
    return 0;
}

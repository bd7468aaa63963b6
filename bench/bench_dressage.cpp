// Times the dressage view on the stand-in database: one timer tick (read the
// results, compare, place, write the result page, the ranking page and the
// JSON document) and one full reload, for classes of 20, 80 and 200
// starters, as medians over many runs. Between two ticks one starter's score
// changes, so every tick has a change to apply and announce.
//
// The station runs every class on the GUI thread: a tick blocks the window
// and the HTTP server for as long as it takes.
//
// Usage: bench_dressage [runs]   (default 200 ticks and 50 reloads per size)

#include "demo/DemoCompetition.h"
#include "driver/StandinDriver.h"
#include "settings/appConfig.h"
#include "views/dressur/staevneKlasseInfoDressur.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString Zep = QStringLiteral("ZEP");

sqlite3 *handleOf(const QSqlDatabase &db)
{
    return *static_cast<sqlite3 *const *>(db.driver()->handle().data());
}

bool exec(sqlite3 *db, const QString &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "%s\n", message);
    sqlite3_free(message);
    return false;
}

// Class 70 + size of competition 60: three judges, maximum 340, every second
// starter scored, the rest still to ride.
bool addClass(sqlite3 *db, int size)
{
    const int klasseId = 30000 + size;
    const int afdelingId = 31000 + size;
    QString sql;
    QTextStream out(&sql);
    out << "INSERT OR IGNORE INTO tblStaevne (StaevneId, Staevne, NiveauId, Startdato, Slutdato, ZEPStaevneNr) "
           "VALUES (60, 'Bench', 'Landsstævne', '2024-06-14 00:00:00.000', '2024-06-14 00:00:00.000', '24060');"
        << "INSERT OR IGNORE INTO tblOfficials (OfficialId, Fornavn, EfterNavn, Funktion) VALUES "
           "(39001, 'Eva', 'Dommer', 'Dommer'), (39002, 'Carl', 'Dommer', 'Dommer'), (39003, 'Mia', 'Dommer', 'Dommer');"
        << "INSERT OR IGNORE INTO tblKlasseType (KlasseTypeId, KlasseType, DiciplinId, MaxPoint, Klasse) "
           "VALUES ('B-MA', 'MA', 2, 340, 'MA');"
        << "INSERT INTO tblKlasse (KlasseId, StaevneId, KlasseNr, Klasse, KlasseTypeId, DiciplinId, NiveauId, "
           "MaxAntalStarter, Kur, HoldKlasse) VALUES ("
        << klasseId << ", 60, " << 70 + size << ", 'MA bench', 'B-MA', 2, 'MA', 300, 0, 0);"
        << "INSERT INTO tblAfdeling (AfdelingId, KlasseId, AfdelingInitialer, BaneNr, Dato, StarttidS, SluttidS, "
           "AntalPlaceringer, BevarStartTid) VALUES ("
        << afdelingId << ", " << klasseId
        << ", 'A', 1, '2024-06-14 00:00:00.000', '1900-01-01 08:00:00.000', '1900-01-01 18:00:00.000', 0, 0);";
    for (int j = 0; j < 3; ++j)
        out << "INSERT INTO tblAfdelingDommer (AfdelingDommerId, AfdelingId, OfficialId, Position, Raekkefoelge) "
               "VALUES ("
            << afdelingId * 10 + j << ", " << afdelingId << ", " << 39001 + j << ", '" << "ECM"[j] << "', " << j + 1 << ");";
    for (int i = 1; i <= size; ++i) {
        const int id = klasseId * 1000 + i;
        out << "INSERT INTO tblRytter (RytterId, Fornavn, Efternavn, KlubId) VALUES (" << id
            << ", 'Rytter', 'Nummer " << i << "', '" << (i % 3 ? "ARK" : "*FRK*") << "');"
            << "INSERT INTO tblHest (HestId, HestBaseID, OprettetLokalt, Navn, Koen, Foedeaar, AfstamningF, "
               "AfstamningM, AfstamningMF) VALUES ("
            << id << ", " << id << ", 0, 'Hest " << i << "', 'HO', '2010-01-01 00:00:00.000', 'Far', 'Mor', 'Morfar');"
            << "INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) "
               "VALUES ("
            << id << ", " << klasseId << ", " << 1000 + i << ", " << id << ", " << id << ", 'ARK', '0');"
            << "INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Starttid, DommerE, DommerC, DommerM) "
               "VALUES ("
            << id << ", " << afdelingId << ", " << id << ", " << i << ", '1900-01-01 08:00:00.000', ";
        if (i % 2)
            out << 200 + i % 37 << ", " << 210 + i % 29 << ", " << 205 + i % 31 << ");";
        else
            out << "NULL, NULL, NULL);";
    }
    return exec(db, sql);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(5, QByteArray(argv[1]).toInt()) : 200;
    const int reloads = std::max(5, ticks / 4);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.db"));
    standin::DemoOptions options;
    options.small = true;
    QString error;
    if (!standin::generateDemoCompetition(file, options, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    standin::registerDriver();
    QSqlDatabase db = QSqlDatabase::addDatabase(standin::driverName(), Zep);
    db.setDatabaseName(file);
    if (!db.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(db.lastError().text()));
        return 1;
    }

    appConfig cfg(nullptr, QString());
    cfg.setValue(QStringLiteral("http.root"), dir.filePath(QStringLiteral("html")));
    cfg.setValue(QStringLiteral("database.update"), QStringLiteral("3600000"));

    std::printf("%9s %12s %12s %14s\n", "starters", "tick ms", "reload ms", "tick us/start");
    for (const int size : {20, 80, 200}) {
        if (!addClass(handleOf(db), size))
            return 1;
        staevneKlasseInfoDressur view(&cfg);
        view.showKlasse(60, 70 + size, QStringLiteral("A"), 1, 31000 + size);
        if (view.listView1->topLevelItemCount() != size) {
            std::fprintf(stderr, "class of %d loaded %d rows\n", size, view.listView1->topLevelItemCount());
            return 1;
        }

        std::vector<double> tickTimes;
        for (int run = 0; run < ticks; ++run) {
            const int starter = (30000 + size) * 1000 + 1 + (2 * run) % size;
            exec(handleOf(db), QStringLiteral("UPDATE tblStart SET DommerE = %1 WHERE StartId = %2")
                                   .arg(200 + run % 50)
                                   .arg(starter));
            QElapsedTimer timer;
            timer.start();
            view.updateKlasse();
            tickTimes.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::vector<double> reloadTimes;
        for (int run = 0; run < reloads; ++run) {
            QElapsedTimer timer;
            timer.start();
            view.refreshClass();
            reloadTimes.push_back(timer.nsecsElapsed() / 1e6);
        }
        const double tick = median(tickTimes);
        std::printf("%9d %12.3f %12.3f %14.1f\n", size, tick, median(reloadTimes), tick * 1000 / size);
    }
    return 0;
}

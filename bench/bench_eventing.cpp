// Times the eventing view on the stand-in database: one timer tick (read the
// results, compare, sort into competition order, place, write the result
// page, the overview page and the JSON document) and one full reload, for
// sections of 20, 80 and 200 starters, as medians over many runs. Between
// two ticks one starter's dressage changes, so every tick re-sorts and
// announces a change. A tenth of the starters carry a status, so the sort
// meets the rules that are no strict order.
//
// Beside the wall-clock times the tick's processor time is shown: the page
// files are synced to disk, so on a busy machine the wall clock mostly
// measures the disk.
//
// Usage: bench_eventing [runs]   (default 200 ticks and 50 reloads per size)

#include "demo/DemoCompetition.h"
#include "driver/StandinDriver.h"
#include "settings/appConfig.h"
#include "views/military/staevneKlasseInfoMilitary.h"

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
#include <ctime>
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

// Class 70 + size of competition 61: every starter has ridden dressage,
// two thirds cross-country, a third jumping; every tenth has a status.
bool addClass(sqlite3 *db, int size)
{
    const int klasseId = 40000 + size;
    const int afdelingId = 41000 + size;
    QString sql;
    QTextStream out(&sql);
    out << "INSERT OR IGNORE INTO tblStaevne (StaevneId, Staevne, NiveauId, Startdato, Slutdato, ZEPStaevneNr) "
           "VALUES (61, 'Bench', 'Landsstævne', '2024-06-14 00:00:00.000', '2024-06-14 00:00:00.000', '24061');"
        << "INSERT OR IGNORE INTO tblKlasseType (KlasseTypeId, KlasseType, DiciplinId, MaxPoint, Klasse) "
           "VALUES ('B-MIL', 'LD Military', 4, 0, 'LD');"
        << "INSERT INTO tblKlasse (KlasseId, StaevneId, KlasseNr, Klasse, KlasseTypeId, DiciplinId, NiveauId, "
           "MaxAntalStarter, EtapeDIdealTid, SidsteDiciplin) VALUES ("
        << klasseId << ", 61, " << 70 + size << ", 'LD bench', 'B-MIL', 4, 'LD', 300, '42000', 0);"
        << "INSERT INTO tblAfdeling (AfdelingId, KlasseId, AfdelingInitialer, BaneNr, Dato, Starttid, Sluttid, "
           "AntalPlaceringer, BevarStartTid) VALUES ("
        << afdelingId << ", " << klasseId
        << ", 'A', 1, '2024-06-14 00:00:00.000', '1900-01-01 08:00:00.000', '1900-01-01 18:00:00.000', 0, 0);";
    for (int i = 1; i <= size; ++i) {
        const int id = klasseId * 1000 + i;
        const bool status = i % 10 == 0;
        out << "INSERT INTO tblRytter (RytterId, Fornavn, Efternavn, KlubId) VALUES (" << id
            << ", 'Rytter', 'Nummer " << i << "', 'ARK');"
            << "INSERT INTO tblHest (HestId, HestBaseID, OprettetLokalt, Navn, Koen, Foedeaar, AfstamningF, "
               "AfstamningM, AfstamningMF) VALUES ("
            << id << ", " << id << ", 0, 'Hest " << i << "', 'HO', '2010-01-01 00:00:00.000', 'Far', 'Mor', 'Morfar');"
            << "INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) "
               "VALUES ("
            << id << ", " << klasseId << ", " << 1000 + i << ", " << id << ", " << id << ", 'ARK', '0');"
            << "INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Status, Dressur, DiskDressur, "
               "Springning, SpringningTid, DiskSpring) VALUES ("
            << id << ", " << afdelingId << ", " << id << ", " << i << ", '" << (status ? "UDGÅET" : "NEJ") << "', "
            << 25 + i % 23 << ", 'NEJ', ";
        if (i % 3 == 0)
            out << (i % 4) * 4 << ", " << 55 + i % 9 << ", 'NEJ');";
        else
            out << "NULL, NULL, 'NEJ');";
        if (i % 3 != 1)
            out << "INSERT INTO tblMilitaryResultatUdh (StartId, EtapeDTid, EtapeDFejl, DiskUdh) VALUES (" << id
                << ", " << 400 + i % 40 << ", " << (i % 5) * 2 << ", '" << (status ? "JA" : "NEJ") << "');";
    }
    return exec(db, sql);
}

// Processor time of this thread in milliseconds.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
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

    std::printf("%9s %12s %12s %14s %12s\n", "starters", "tick ms", "reload ms", "tick us/start", "tick cpu ms");
    for (const int size : {20, 80, 200}) {
        if (!addClass(handleOf(db), size))
            return 1;
        staevneKlasseInfoMilitary view(&cfg);
        view.showKlasse(61, 70 + size, QStringLiteral("A"), 1, 41000 + size);
        if (view.listView1->topLevelItemCount() != size) {
            std::fprintf(stderr, "class of %d loaded %d rows\n", size, view.listView1->topLevelItemCount());
            return 1;
        }

        std::vector<double> tickTimes;
        std::vector<double> tickCpu;
        for (int run = 0; run < ticks; ++run) {
            const int starter = (40000 + size) * 1000 + 1 + (7 * run) % size;
            exec(handleOf(db), QStringLiteral("UPDATE tblStart SET Dressur = %1 WHERE StartId = %2")
                                   .arg(20 + run % 31)
                                   .arg(starter));
            QElapsedTimer timer;
            timer.start();
            const double cpu = cpuMs();
            view.updateKlasse();
            tickCpu.push_back(cpuMs() - cpu);
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
        std::printf("%9d %12.3f %12.3f %14.1f %12.3f\n", size, tick, median(reloadTimes), tick * 1000 / size,
                    median(tickCpu));
    }
    return 0;
}

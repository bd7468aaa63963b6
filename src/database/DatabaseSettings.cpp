#include "database/DatabaseSettings.h"

#include <QSqlDatabase>

#include "settings/appConfig.h"

namespace dbsettings {

namespace {
QString driverSetting(const appConfig &cfg)
{
    return cfg.getValue(QStringLiteral("database.driver"), QStringLiteral("QODBC3"));
}
} // namespace

QString qtDriverName(const QString &setting)
{
    return setting.toUpper() == QLatin1String("QODBC3") ? QStringLiteral("QODBC") : setting;
}

QString odbcConnectionString(const QString &server, const QString &database, const QString &localDriver,
                             const QString &networkDriver)
{
    const QString driver = server.toUpper() == QLatin1String("(LOCAL)\\ZEP") ? localDriver : networkDriver;
    return QStringLiteral("DRIVER=%1; Server=%2; DataBase=%3;").arg(driver, server, database);
}

QString serverName(const appConfig &cfg)
{
    return cfg.getValue(QStringLiteral("database.name"), QStringLiteral("(local)\\ZEP"));
}

QSqlDatabase addConnection(const appConfig &cfg, const QString &name)
{
    return QSqlDatabase::addDatabase(qtDriverName(driverSetting(cfg)), name);
}

void describe(QSqlDatabase &db, const appConfig &cfg)
{
    const QString options = cfg.getValue(QStringLiteral("database.options"), QString());
    if (!options.isEmpty())
        db.setConnectOptions(options);
    const QString server = serverName(cfg);
    if (driverSetting(cfg).toUpper() == QLatin1String("QODBC3")) {
        db.setDatabaseName(odbcConnectionString(
            server, cfg.getValue(QStringLiteral("database.db"), QStringLiteral("ZEP")),
            cfg.getValue(QStringLiteral("database.driver.localname"), QStringLiteral("{SQL Server}")),
            cfg.getValue(QStringLiteral("database.driver.name"), QStringLiteral("{SQL Native Client};Network=DBMSSOCN;"))));
    } else {
        db.setDatabaseName(server);
        const QString host = cfg.getValue(QStringLiteral("database.hostname"), QString());
        if (!host.isEmpty())
            db.setHostName(host);
    }
    db.setUserName(cfg.getValue(QStringLiteral("database.user"), QString()));
    db.setPassword(cfg.getValue(QStringLiteral("database.password"), QString()));
}

} // namespace dbsettings

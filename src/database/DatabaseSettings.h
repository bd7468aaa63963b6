#pragma once

#include <QString>

class QSqlDatabase;
class appConfig;

// How a connection to the competition database is described from the
// settings; shared by the station's connection "ZEP" and the setup tab's
// test connection "TESTDB".
namespace dbsettings {

// The Qt driver that a "database.driver" value names ("QODBC3" of the older
// toolkit generation is "QODBC" now).
QString qtDriverName(const QString &setting);

// The ODBC connection string for SQL Server.
QString odbcConnectionString(const QString &server, const QString &database, const QString &localDriver,
                             const QString &networkDriver);

// Adds a connection of `name` with the driver the settings name.
QSqlDatabase addConnection(const appConfig &cfg, const QString &name);

// Sets options, database name (or ODBC string), host, user and password.
void describe(QSqlDatabase &db, const appConfig &cfg);

// "database.name" with its default: the server, or the database file.
QString serverName(const appConfig &cfg);

} // namespace dbsettings

#pragma once

#include <QString>

// The SQL Server stand-in: a Qt SQL driver that runs the station's T-SQL
// statements on an SQLite database file. The station picks it with the
// setting "database.driver" (its value is driverName()), and "database.name"
// names the database file.
namespace standin {

// The name the driver is registered under with QSqlDatabase.
QString driverName();

// Registers the driver with QSqlDatabase; safe to call more than once.
void registerDriver();

} // namespace standin

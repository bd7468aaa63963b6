#pragma once

struct sqlite3;

namespace standin {

// Installs the competition database's own functions (dbo.DanskeUgedage,
// dbo.antalDommere, dbo.DommerListe, dbo.doteringListe, dbo.StarttidEkvipage,
// dbo.StarttidEkvipageDressur, dbo.NrTilBogstav) as SQLite functions on an
// open handle. The driver calls it for every connection it opens.
void installDatabaseFunctions(sqlite3 *db);

} // namespace standin

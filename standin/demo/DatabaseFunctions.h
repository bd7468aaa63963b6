#pragma once

struct sqlite3;

namespace standin {

// Installs the competition database's own functions (dbo.DanskeUgedage,
// dbo.antalDommere, dbo.DommerListe, dbo.doteringListe, dbo.StarttidEkvipage,
// dbo.StarttidEkvipageDressur, dbo.NrTilBogstav) as SQLite functions on an
// open handle. The driver calls it for every connection it opens.
//
// The SQLite names are the T-SQL names without the owner "dbo." (SQLite
// matches function names without regard to case):
//   DanskeUgedage(text)            English weekday name -> Danish one
//                                  ("Monday" -> "Mandag"); other text as it is
//   antalDommere(afdelingId)       number of judges of the section
//   DommerListe(afdelingId, form)  the section's judges as one text, in
//                                  judging order: form 2 "E: Ane Holm, C: Per Dam"
//                                  (place and name), any other form the names
//                                  alone ("Ane Holm, Per Dam"); empty text
//                                  when there are none
//   doteringListe(klasseId)        prize money per placing, "1500 - 1000 - 800",
//                                  empty text when there is none
//   StarttidEkvipage(afdelingId, startId)
//   StarttidEkvipageDressur(afdelingId, startId)
//                                  the start's time as a DATETIME text;
//                                  "1900-01-01 00:00:00.000" when it has none
//                                  (so a style-14 time reads "00:00")
//   NrTilBogstav(n)                1 -> "A" ... 26 -> "Z"; empty text, never
//                                  NULL, for anything else
//
// The text collation of the schema's columns (TSQL_CI) is the driver's
// (installTsqlSupport in standin/driver/StandinDriver.h).
void installDatabaseFunctions(sqlite3 *db);

} // namespace standin

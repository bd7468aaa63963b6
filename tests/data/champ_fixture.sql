-- Fixed championship classes for the score-sheet tests, added to a
-- generated demo competition database as competition 70. Ids start at 9700.
--
-- Class 41 A (DCU5H, "Fejl" shown): three starters and, among the rows, a
--   start without start and entry number that comes first in the query
--   (the starters after it must load); one horse known only from a local
--   row; one starter withdrawn in the database ("Afmeldt").
-- Class 42 A (DCU4H, "Fejl" hidden by "vis.dv" 0): two starters.
-- Class 43 A (SK-SCU6): four starters, one "AFMELDT" (not counted).
-- Class 44 A (DCU5H): a section without starts.
-- Class 45 A (DCU4H, start times kept): texts that hold markup.
-- For the pages: the horses' colours, a rider whose name holds the separator.

INSERT INTO tblStaevne (StaevneId, Staevne, NiveauId, Startdato, Slutdato, ZEPStaevneNr, ZEPStaevnePropNr)
VALUES (70, 'Championater', 'Landsstævne', '2024-06-15 00:00:00.000', '2024-06-15 00:00:00.000', '24070', 'P7');

INSERT INTO tblKlasseType (KlasseTypeId, KlasseType, DiciplinId, MaxPoint, Klasse) VALUES
('DCU4H', 'Championat for 4-årige dressurheste', 2, 10, 'UNG');

INSERT INTO tblMetode (MetodeId, Metode, AntalHovedRunder, AntalOmspringninger) VALUES (9790, 'Stil', 1, 0);

INSERT INTO tblKlasse (KlasseId, StaevneId, KlasseNr, Klasse, KlasseTypeId, DiciplinId, NiveauId, MetodeId) VALUES
(9701, 70, 41, 'Champ 5 år', 'DCU5H', 2, 'UNG', NULL),
(9702, 70, 42, 'Champ 4 år', 'DCU4H', 2, 'UNG', NULL),
(9703, 70, 43, 'Spring 6 år', 'SK-SCU6', 3, 'UNG', 9790),
(9704, 70, 44, 'Tom', 'DCU5H', 2, 'UNG', NULL),
(9705, 70, 45, 'Champ <4> & "år"', 'DCU4H', 2, 'UNG', NULL);

INSERT INTO tblAfdeling (AfdelingId, KlasseId, AfdelingInitialer, BaneNr, Dato, StarttidS, SluttidS, Sponsor, Aerespraemie, AntalPlaceringer, BevarStartTid) VALUES
(9711, 9701, 'A', 1, '2024-06-15 00:00:00.000', '2024-06-15 09:00:00.000', '2024-06-15 11:00:00.000', NULL, 'Pokal', 0, 0),
(9712, 9702, 'A', 1, '2024-06-15 00:00:00.000', '2024-06-15 11:00:00.000', '2024-06-15 12:00:00.000', NULL, NULL, 0, 0),
(9713, 9703, 'A', 2, '2024-06-15 00:00:00.000', '2024-06-15 13:00:00.000', '2024-06-15 15:00:00.000', NULL, NULL, 0, 0),
(9714, 9704, 'A', 1, '2024-06-15 00:00:00.000', '2024-06-15 15:00:00.000', '2024-06-15 16:00:00.000', NULL, NULL, 3, 0),
(9715, 9705, 'A', 1, '2024-06-15 00:00:00.000', '2024-06-15 16:00:00.000', '2024-06-15 17:00:00.000', NULL, NULL, 0, 1);

INSERT INTO tblOfficials (OfficialId, Fornavn, EfterNavn, Funktion) VALUES (9780, 'Dorte', 'Dommer', 'Dommer');
INSERT INTO tblAfdelingDommer (AfdelingDommerId, AfdelingId, OfficialId, Position, Raekkefoelge) VALUES (9781, 9711, 9780, 'C', 1);

INSERT INTO tblRytter (RytterId, Fornavn, Efternavn, KlubId) VALUES
(9721, 'Anne', 'Ager', 'ARK'), (9722, 'Bo;Bent', 'Bak', 'ARK'), (9723, 'Cæcilie', 'Ørum', 'FRK'),
(9724, 'Dan', 'Dal', 'FRK'), (9725, 'Eva', 'Eg', 'ARK'), (9726, 'Finn', 'Fjord', 'ARK');

INSERT INTO tblHest (HestId, HestBaseID, OprettetLokalt, Navn, Farve, Koen, FeiID, Foedeaar, AfstamningF, AfstamningM, AfstamningMF, Opdraetter) VALUES
(9731, 9831, 0, 'Astor', ' mørk  brun', 'HI', NULL, '2019-01-01 00:00:00.000', 'Sandro', 'Mira', 'Donnerhall', 'Avler A'),
(9732, 9832, 0, 'Bella', 'Fuks', 'ho ', '104XY', '2019-01-01 00:00:00.000', '123--Bellini--', 'Dora', 'Florestan', NULL),
(9733, 9833, 0, 'Lokal', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
(9734, 9833, 1, 'Lokal', NULL, NULL, NULL, '2018-01-01 00:00:00.000', 'Far', 'Mor', 'MorFar', 'Avler L'),
(9735, 9835, 0, 'Dux', NULL, 'V', NULL, '2019-01-01 00:00:00.000', 'D', 'E', 'F', NULL),
(9736, 9836, 0, 'Falk', 'skimmel', 'hi', NULL, '2018-01-01 00:00:00.000', 'Fs', 'Fm', 'Fmf', 'Avler F'),
(9737, 9837, 0, '<b>Ny</b> & Co', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);

INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) VALUES
(9741, 9701, 101, 9721, 9731, 'ARK', '0'),
(9742, 9701, 102, 9722, 9732, 'ARK', '0'),
(9743, 9701, 103, 9723, 9733, 'FRK', '0'),
(9744, 9701, 0, 9724, 9735, 'FRK', '0'),
(9745, 9701, 105, 9725, 9735, 'ARK', '0'),
(9751, 9702, 201, 9721, 9731, 'ARK', '0'),
(9752, 9702, 202, 9722, 9732, 'ARK', '0'),
(9761, 9703, 301, 9721, 9731, 'ARK', '0'),
(9762, 9703, 302, 9722, 9732, 'ARK', 'P1'),
(9763, 9703, 303, 9723, 9733, 'FRK', '0'),
(9764, 9703, 304, 9726, 9736, 'ARK', '0'),
(9756, 9705, 501, 9721, 9737, 'ARK', '0'),
(9757, 9705, 502, 9722, 9732, 'ARK', '0');

-- The start without numbers has the lowest total, so it comes first.
INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Starttid, Status, DommerE) VALUES
(9771, 9711, 9741, 1, '2024-06-15 09:00:00.000', NULL, 1),
(9772, 9711, 9742, 2, '2024-06-15 09:10:00.000', NULL, 1),
(9773, 9711, 9743, 3, '2024-06-15 09:20:00.000', NULL, 1),
(9774, 9711, 9744, NULL, NULL, NULL, 0),
(9775, 9711, 9745, 5, '2024-06-15 09:40:00.000', 'Afmeldt', 1),
(9776, 9712, 9751, 1, '2024-06-15 11:00:00.000', NULL, NULL),
(9777, 9712, 9752, 2, '2024-06-15 11:10:00.000', NULL, NULL),
(9791, 9713, 9761, 1, NULL, NULL, NULL),
(9792, 9713, 9762, 2, NULL, NULL, NULL),
(9793, 9713, 9763, 3, NULL, 'afmeldt', NULL),
(9794, 9713, 9764, 4, NULL, NULL, NULL),
(9795, 9715, 9756, 1, NULL, NULL, NULL),
(9796, 9715, 9757, 2, NULL, NULL, NULL);

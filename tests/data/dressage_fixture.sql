-- Fixed dressage classes for the dressage view's tests, added to a generated
-- demo competition database as competition 50. One statement per line group,
-- each ending in ";" at the end of a line. Ids start at 9000 so that they
-- stay clear of the demo's own.
--
-- Class 31 A: individual, maximum 300, judges at E and C. Ties, a Danish
--   pony category, registry names written "nr--Name--", a horse known only
--   from a local row, a horse without a birth year, a truncated status
--   word, a retired starter with a score, an absent entry, a starter still
--   to ride, a row without start and entry number among the results, a
--   deleted start, and a second combination row that doubles one start in
--   the query.
-- Class 32 A: Kur, maximum 200, judges at E, H and C; equal points decided
--   by the Kur marks.
-- Class 33 A: team class, maximum 100, one judge: two teams, a member whose
--   result does not count, a rider without a team, a start with two team
--   rows.
-- Class 34 A: a class type without maximum points and a section with its
--   own number of placings (3).
-- Class 35 A: a finished class, maximum 340, judges at E, C and M, with a
--   tie, a rider remark, pedigrees (one from a local horse row), a retired
--   and a withdrawn starter, horses with colours, FEI ids and breeders for
--   the export, and texts that HTML must escape.

INSERT INTO tblStaevne (StaevneId, Staevne, NiveauId, Startdato, Slutdato, ZEPStaevneNr)
VALUES (50, 'Teststævne', 'Landsstævne', '2024-06-14 00:00:00.000', '2024-06-14 00:00:00.000', '24050');

INSERT INTO tblOfficials (OfficialId, Fornavn, EfterNavn, Funktion) VALUES
(9001, 'Anne', 'Dommer', 'Dommer'),
(9002, 'Bo', 'Dommer', 'Dommer'),
(9003, 'Carl', 'Dommer', 'Dommer');

INSERT INTO tblKlasseType (KlasseTypeId, KlasseType, DiciplinId, MaxPoint, Klasse) VALUES
('T-LA3', 'LA3 test', 2, 300, 'LA'),
('T-KUR', 'Kür test', 2, 200, 'MB'),
('T-HOLD', 'Hold test', 2, 100, 'LA'),
('T-NOMAX', 'Uden max', 2, 0, 'LB'),
('T-FEI', 'St. Georg', 2, 340, 'MA');

INSERT INTO tblKlasse (KlasseId, StaevneId, KlasseNr, Klasse, KlasseTypeId, DiciplinId, NiveauId, MaxAntalStarter, Kur, HoldKlasse, Bemaerkning) VALUES
(9101, 50, 31, 'LA3  Åben ', 'T-LA3', 2, 'LA', 40, 0, 0, 'Bane  2'),
(9102, 50, 32, 'Kür MB', 'T-KUR', 2, 'MB', 40, 1, 0, NULL),
(9103, 50, 33, 'Hold LA', 'T-HOLD', 2, 'LA', 40, 0, 1, NULL),
(9104, 50, 34, 'Uden max', 'T-NOMAX', 2, 'LB', 40, 0, 0, NULL),
(9105, 50, 35, 'Prix St. Georges & <Co>', 'T-FEI', 2, 'MA', 40, 0, 0, NULL);

INSERT INTO tblDotering (DoteringId, KlasseId, Placering, Beloeb) VALUES
(9111, 9101, 1, 500),
(9112, 9101, 2, 300);

INSERT INTO tblAfdeling (AfdelingId, KlasseId, AfdelingInitialer, BaneNr, Dato, StarttidS, SluttidS, Sponsor, Aerespraemie, AntalPlaceringer, BevarStartTid) VALUES
(9201, 9101, 'A', 1, '2024-06-14 00:00:00.000', '1900-01-01 09:00:00.000', '1900-01-01 12:30:00.000', 'Bageren', 'O''Briens pokal', 0, 0),
(9202, 9102, 'A', 1, '2024-06-15 00:00:00.000', '1900-01-01 13:00:00.000', '1900-01-01 15:00:00.000', NULL, NULL, 0, 0),
(9203, 9103, 'A', 2, '2024-06-15 00:00:00.000', '1900-01-01 08:00:00.000', '1900-01-01 10:00:00.000', NULL, 'Holdpokal', 0, 1),
(9204, 9104, 'A', 2, '2024-06-15 00:00:00.000', '1900-01-01 10:00:00.000', '1900-01-01 11:00:00.000', NULL, NULL, 3, 0),
(9205, 9105, 'A', 1, '2024-06-15 00:00:00.000', '1900-01-01 14:00:00.000', '1900-01-01 16:00:00.000', 'Hest & "Rytter" <A/S>', NULL, 0, 0);

INSERT INTO tblAfdelingDommer (AfdelingDommerId, AfdelingId, OfficialId, Position, Raekkefoelge) VALUES
(9211, 9201, 9001, 'E', 1),
(9212, 9201, 9002, 'C', 2),
(9213, 9202, 9001, 'E', 1),
(9214, 9202, 9002, 'H', 2),
(9215, 9202, 9003, 'C', 3),
(9216, 9203, 9003, 'E', 1),
(9217, 9205, 9001, 'E', 1),
(9218, 9205, 9002, 'C', 2),
(9219, 9205, 9003, 'M', 3);

INSERT INTO tblRytter (RytterId, Fornavn, Efternavn, KlubId) VALUES
(9301, 'Anne', 'Hansen', '*FRK*'),
(9302, 'Bo', ' Jensen ', 'ARK'),
(9303, 'Cecilie', 'O''Brien', 'ARK'),
(9304, 'Dorte', 'Nielsen', 'HRK'),
(9305, 'Erik', 'Madsen', 'HRK'),
(9306, 'Freja', 'Holm', 'FRK'),
(9307, 'Gitte', 'Lund', 'FRK'),
(9308, 'Hans', 'Berg', 'FRK'),
(9309, 'Ida', '<Vild> & "Co"', '*FRK*');

INSERT INTO tblHest (HestId, HestBaseID, OprettetLokalt, Navn, Koen, Foedeaar, AfstamningF, AfstamningM, AfstamningMF) VALUES
(9401, 8801, 0, 'Donna', 'HO', '2005-01-01 00:00:00.000', 'Abc', 'Def', 'Ghi'),
(9402, 8802, 0, 'Ego', NULL, '2010-01-01 00:00:00.000', '12--Sandro Hit--DK', 'Fia', NULL),
(9403, 8803, 1, 'Lokal Lotte', 'V', '2011-01-01 00:00:00.000', 'Lokal', 'Mor', NULL),
(9404, 8804, 0, 'Uden År', 'V', NULL, 'Far', 'Mor', 'Morfar'),
(9405, 8805, 0, 'Fino', 'V', '2008-01-01 00:00:00.000', 'F', 'M', 'MF'),
(9406, 8806, 0, 'Gaja', 'HO', '2009-01-01 00:00:00.000', 'F', 'M', 'MF'),
(9407, 8807, 0, 'Hugo', 'V', '2012-01-01 00:00:00.000', 'F', 'M', 'MF');

INSERT INTO tblHest (HestId, HestBaseID, OprettetLokalt, Navn, Koen, Farve, Foedeaar, AfstamningF, AfstamningM, AfstamningMF, FeiID, Opdraetter) VALUES
(9408, 8808, 0, 'Ståle', 'hi', 'mørk brun', '2009-01-01 00:00:00.000', 'Sandro', 'Mor', 'Morfar', '104XY12', 'Jens; Hansen'),
(9409, 8809, 0, 'Nova', ' HO ', 'Sortbrun', '2011-01-01 00:00:00.000', '5--Donnerhall--', NULL, NULL, NULL, NULL),
(9410, 8810, 1, 'Fuks', 'V', 'Fuks', '2013-01-01 00:00:00.000', 'Lokal', 'Mor', NULL, NULL, NULL);

INSERT INTO tblConfig (ConfigId, RytterId, HestId) VALUES
(9411, 9301, 9401),
(9412, 9302, 9402),
(9413, 9302, 9402),
(9414, 9304, 9404);

-- Class 31 A.
INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) VALUES
(9501, 9101, 101, 9301, 9401, '*FRK*', '0'),
(9502, 9101, 102, 9302, 9402, 'ARK', 'P1'),
(9503, 9101, 103, 9303, 9403, 'ARK', '0'),
(9504, 9101, 104, 9304, 9404, 'HRK', '0'),
(9505, 9101, 105, 9305, 9405, 'HRK', NULL),
(9506, 9101, 106, 9306, 9406, 'FRK', '0'),
(9507, 9101, 0, 9307, 9407, 'FRK', '0'),
(9508, 9101, 108, 9308, 9407, 'FRK', '0'),
(9509, 9101, 109, 9307, 9406, 'FRK', '0');

INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Slettet, Bemaerkning, Starttid, Status, Placering, DommerE, DommerC) VALUES
(9601, 9201, 9501, 1, NULL, NULL, '1900-01-01 09:00:00.000', NULL, NULL, 210.5, 200),
(9602, 9201, 9502, 2, NULL, NULL, '1900-01-01 09:08:00.000', NULL, NULL, 205, 205.5),
(9603, 9201, 9503, 3, NULL, ' U25 ', '1900-01-01 09:16:00.000', NULL, NULL, 200, 200),
(9604, 9201, 9504, 4, NULL, NULL, '1900-01-01 09:24:00.000', 'Diskvalifice', 0, NULL, NULL),
(9605, 9201, 9505, 5, NULL, NULL, '1900-01-01 09:32:00.000', 'ej mødt', NULL, NULL, NULL),
(9606, 9201, 9506, 6, NULL, NULL, '1900-01-01 09:40:00.000', NULL, NULL, NULL, NULL),
(9607, 9201, 9507, 0, NULL, NULL, NULL, NULL, NULL, 50, 50),
(9608, 9201, 9508, 8, NULL, NULL, '1900-01-01 10:04:00.000', 'UDGÅET', 4, 150, 150),
(9609, 9201, 9509, 9, '2024-06-13 12:00:00.000', NULL, NULL, NULL, NULL, 220, 220);

-- Class 32 A (Kur): technical marks and artistic (Kur) marks.
INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) VALUES
(9521, 9102, 201, 9301, 9401, 'FRK', '0'),
(9522, 9102, 202, 9308, 9402, 'ARK', '0'),
(9523, 9102, 203, 9303, 9405, 'ARK', '0'),
(9524, 9102, 204, 9304, 9406, 'HRK', '0'),
(9525, 9102, 205, 9305, 9407, 'HRK', '0');

INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Starttid, DommerE, DommerH, DommerC, DommerEKur, DommerHKur, DommerCKur) VALUES
(9621, 9202, 9521, 1, '1900-01-01 13:00:00.000', 60, 60, 60, 10, 10, 10),
(9622, 9202, 9522, 2, '1900-01-01 13:10:00.000', 62, 62, 62, 8, 8, 8),
(9623, 9202, 9523, 3, '1900-01-01 13:20:00.000', 61, 61, 61, 9, 9, 9),
(9624, 9202, 9524, 4, '1900-01-01 13:30:00.000', 60, 60, 60, 10, 10, 10),
(9625, 9202, 9525, 5, '1900-01-01 13:40:00.000', 70, 70, 70, 5, 5, 5.5);

-- Class 33 A (teams).
INSERT INTO tblAnmeldelseHold (AnmeldelseHoldId, KlasseId, StartNr, Hold) VALUES
(9701, 9103, 1, 'Hold  Nord'),
(9702, 9103, 2, 'Hold Syd');

INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) VALUES
(9531, 9103, 301, 9301, 9401, 'FRK', '0'),
(9532, 9103, 302, 9306, 9403, 'ARK', '0'),
(9533, 9103, 303, 9303, 9405, 'ARK', '0'),
(9534, 9103, 304, 9304, 9406, 'HRK', '0'),
(9535, 9103, 305, 9305, 9407, 'HRK', '0'),
(9536, 9103, 306, 9306, 9404, 'FRK', '0');

INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Starttid, Udgaar, DommerE) VALUES
(9631, 9203, 9531, 1, '1900-01-01 08:00:00.000', 0, 70),
(9632, 9203, 9532, 2, '1900-01-01 08:10:00.000', 0, 65),
(9633, 9203, 9533, 3, '1900-01-01 08:20:00.000', 1, 60),
(9634, 9203, 9534, 4, '1900-01-01 08:30:00.000', 0, 72),
(9635, 9203, 9535, 5, '1900-01-01 08:40:00.000', 0, 62),
(9636, 9203, 9536, 6, '1900-01-01 08:50:00.000', 0, 80);

INSERT INTO tblStartHold (StartHoldId, StartId, AnmeldelseHoldId) VALUES
(9711, 9631, 9701),
(9712, 9632, 9701),
(9713, 9632, 9701),
(9714, 9633, 9701),
(9715, 9634, 9702),
(9716, 9635, 9702);

-- Class 34 A (no maximum points, three placings of its own).
INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) VALUES
(9541, 9104, 401, 9301, 9401, 'FRK', '0'),
(9542, 9104, 402, 9308, 9402, 'ARK', '0');

INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Starttid, DommerE) VALUES
(9641, 9204, 9541, 1, '1900-01-01 10:00:00.000', 55),
(9642, 9204, 9542, 2, '1900-01-01 10:10:00.000', 50);

-- Class 35 A (finished; three judges).
INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) VALUES
(9551, 9105, 501, 9309, 9408, '*FRK*', '0'),
(9552, 9105, 502, 9302, 9409, 'ARK', '0'),
(9553, 9105, 503, 9304, 9410, 'HRK', '0'),
(9554, 9105, 504, 9305, 9405, 'HRK', '0'),
(9555, 9105, 505, 9306, 9406, 'FRK', '0');

INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Bemaerkning, Starttid, Status, DommerE, DommerC, DommerM) VALUES
(9651, 9205, 9551, 1, NULL, '1900-01-01 14:00:00.000', NULL, 230, 225.5, 228),
(9652, 9205, 9552, 2, ' Reserve ', '1900-01-01 14:10:00.000', NULL, 220, 230, 226),
(9653, 9205, 9553, 3, NULL, '1900-01-01 14:20:00.000', 'OPGIVET', NULL, NULL, NULL),
(9654, 9205, 9554, 4, NULL, '1900-01-01 14:30:00.000', 'AFMELDT', NULL, NULL, NULL),
(9655, 9205, 9555, 5, NULL, '1900-01-01 14:40:00.000', NULL, 228, 230, 225.5);

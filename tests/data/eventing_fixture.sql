-- Fixed eventing classes for the eventing view's tests, added to a generated
-- demo competition database as competition 51. Ids start at 9500.
--
-- Class 41 A: jumping is the last phase, method "A", no number of placings
--   of its own. Riders who have done all three phases, one who has not
--   jumped yet, one with dressage only, one still to start, a status with a
--   positive total, a withdrawal written in small letters, a start doubled
--   by two cross-country rows, pedigrees from the registry and from a local
--   horse row, a rider remark, and names that HTML must escape.
-- Class 42 A: cross-country is the last phase, method "B2" (places hidden).
-- Class 43 A: method "b0" with a number of placings of its own (3), five
--   starters, one on a horse whose id holds a quote.
-- Class 44 A: method "A" with a number of placings of its own (3).
-- Classes 45 A (jumping last) and 46 A (cross-country last): one placed
--   starter, two eliminated in the last phase with equal totals and two
--   without start number or result: pairs that the order rules put first
--   against each other. Ids from 9700.

INSERT INTO tblStaevne (StaevneId, Staevne, NiveauId, Startdato, Slutdato, ZEPStaevneNr)
VALUES (51, 'Militarystævne', 'Landsstævne', '2024-06-14 00:00:00.000', '2024-06-14 00:00:00.000', '24051');

INSERT INTO tblOfficials (OfficialId, Fornavn, EfterNavn, Funktion) VALUES (9501, 'Dorte', 'Dommer', 'Dommer');

INSERT INTO tblKlasseType (KlasseTypeId, KlasseType, DiciplinId, MaxPoint, Klasse) VALUES ('T-MIL', 'LD Military', 4, 0, 'LD');

INSERT INTO tblMetode (MetodeId, Metode, AntalHovedRunder, AntalOmspringninger) VALUES
(9511, 'A', 1, 0), (9512, 'B2', 1, 0), (9513, 'b0', 1, 0);

INSERT INTO tblKlasse (KlasseId, StaevneId, KlasseNr, Klasse, KlasseTypeId, DiciplinId, NiveauId, MetodeId, MaxAntalStarter, EtapeDIdealTid, SidsteDiciplin, Bemaerkning) VALUES
(9521, 51, 41, 'LD  Military & <Co>', 'T-MIL', 4, 'LD', 9511, 40, '54050', 0, 'Terræn kl. 13'),
(9522, 51, 42, 'LC Military', 'T-MIL', 4, 'LC', 9512, 40, '42000', 1, NULL),
(9523, 51, 43, 'LB Military', 'T-MIL', 4, 'LB', 9513, 40, '0', 0, NULL),
(9524, 51, 44, 'LA Military', 'T-MIL', 4, 'LA', 9511, 40, '0', 0, NULL),
(9525, 51, 45, 'LA Military', 'T-MIL', 4, 'LA', 9511, 40, '0', 0, NULL),
(9526, 51, 46, 'LA Military', 'T-MIL', 4, 'LA', 9511, 40, '0', 1, NULL);

INSERT INTO tblAfdeling (AfdelingId, KlasseId, AfdelingInitialer, BaneNr, Dato, Starttid, Sluttid, Sponsor, Aerespraemie, AntalPlaceringer, BevarStartTid) VALUES
(9531, 9521, 'A', 3, '2024-06-14 00:00:00.000', '1900-01-01 09:00:00.000', '1900-01-01 15:30:00.000', NULL, 'Pokal "Guld" <1>', 0, 0),
(9532, 9522, 'A', 3, '2024-06-15 00:00:00.000', '1900-01-01 09:00:00.000', '1900-01-01 12:00:00.000', 'Bageren', NULL, 0, 0),
(9533, 9523, 'A', 3, '2024-06-15 00:00:00.000', '1900-01-01 13:00:00.000', '1900-01-01 14:00:00.000', NULL, NULL, 3, 0),
(9534, 9524, 'A', 3, '2024-06-15 00:00:00.000', '1900-01-01 14:00:00.000', '1900-01-01 15:00:00.000', NULL, NULL, 3, 0),
(9535, 9525, 'A', 3, '2024-06-15 00:00:00.000', '1900-01-01 15:00:00.000', '1900-01-01 16:00:00.000', NULL, NULL, 0, 0),
(9536, 9526, 'A', 3, '2024-06-15 00:00:00.000', '1900-01-01 16:00:00.000', '1900-01-01 17:00:00.000', NULL, NULL, 0, 0);

INSERT INTO tblAfdelingDommer (AfdelingDommerId, AfdelingId, OfficialId, Position, Raekkefoelge) VALUES (9541, 9531, 9501, 'C', 1);

INSERT INTO tblRytter (RytterId, Fornavn, Efternavn, KlubId) VALUES
(9551, 'Anne', 'Hansen', '*FRK*'), (9552, 'Bo', 'Jensen', 'ARK'), (9553, 'Carl <b>', 'O''Brien', 'A&B'),
(9554, 'Dina', 'Holm', 'ARK'), (9555, 'Erik', 'Lund', 'ARK'), (9556, 'Frida', 'Berg', 'ARK'), (9557, 'Gitte', 'Dal', 'ARK');

-- Horses: registry rows, one horse with a local row only.
INSERT INTO tblHest (HestId, HestBaseID, OprettetLokalt, Navn, Koen, Foedeaar, AfstamningF, AfstamningM, AfstamningMF, Opdraetter) VALUES
(9561, 8561, 0, 'Donna', 'HO', '2012-01-01 00:00:00.000', '123--Sandro Hit--x', 'Fia', 'Ghi', 'Avler'),
(9562, 8562, 0, 'Ego', 'V', '2013-01-01 00:00:00.000', 'Eros', 'Ella', NULL, NULL),
(9563, 8563, 1, 'Fanny & "Flo"', NULL, '2014-01-01 00:00:00.000', 'Lokal', 'Mor', NULL, NULL),
(9564, 8564, 0, 'Gaia', NULL, NULL, NULL, NULL, NULL, NULL),
(9565, 8565, 0, 'Hugo', NULL, NULL, NULL, NULL, NULL, NULL),
(9566, 8566, 0, 'Iris', NULL, NULL, NULL, NULL, NULL, NULL),
(9567, 8567, 0, 'Jazz', NULL, NULL, NULL, NULL, NULL, NULL),
(9568, '85''68', 1, 'Kvik', NULL, '2015-01-01 00:00:00.000', 'Quiz', NULL, NULL, NULL);

INSERT INTO tblConfig (ConfigId, RytterId, HestId) VALUES (9571, 9551, 9561), (9572, 9552, 9562);

INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) VALUES
(9581, 9521, 201, 9551, 9561, '*FRK*', '0'), (9582, 9521, 202, 9552, 9562, 'ARK', '0'),
(9583, 9521, 203, 9553, 9563, 'A&B', '0'), (9584, 9521, 204, 9554, 9564, 'ARK', '0'),
(9585, 9521, 205, 9555, 9565, 'ARK', '0'), (9586, 9521, 206, 9556, 9566, 'ARK', '0'),
(9587, 9521, 207, 9557, 9567, 'ARK', '0'),
(9588, 9522, 201, 9551, 9561, '*FRK*', '0'), (9589, 9522, 202, 9552, 9562, 'ARK', '0'),
(9590, 9522, 204, 9554, 9564, 'ARK', '0'), (9591, 9522, 205, 9555, 9565, 'ARK', '0'),
(9592, 9523, 201, 9551, 9561, '*FRK*', '0'), (9593, 9523, 202, 9552, 9562, 'ARK', '0'),
(9599, 9523, 208, 9553, 9568, 'ARK', '0'), (9600, 9523, 204, 9554, 9564, 'ARK', '0'),
(9609, 9523, 205, 9555, 9565, 'ARK', '0'),
(9594, 9524, 201, 9551, 9561, '*FRK*', '0'), (9595, 9524, 202, 9552, 9562, 'ARK', '0'),
(9596, 9524, 204, 9554, 9564, 'ARK', '0'), (9597, 9524, 205, 9555, 9565, 'ARK', '0'),
(9598, 9524, 206, 9556, 9566, 'ARK', '0');

-- Class 41: totals 34.5 (jumped), 32 (jumped), 35 (no jumping yet),
-- 40 with an elimination across country, 33 (dressage only), none yet, and
-- a withdrawal.
INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Status, Bemaerkning, StarttidDressur, Dressur, DiskDressur, Springning, SpringningTid, DiskSpring) VALUES
(9601, 9531, 9581, 1, 'NEJ', 'Ny  hest', '1900-01-01 09:00:00.000', 30.5, 'NEJ', 4, 60.2, 'NEJ'),
(9602, 9531, 9582, 2, 'NEJ', NULL, '1900-01-01 09:08:00.000', 28, 'NEJ', 0, 58, 'NEJ'),
(9603, 9531, 9583, 3, 'NEJ', NULL, '1900-01-01 09:16:00.000', 35, 'NEJ', NULL, NULL, 'NEJ'),
(9604, 9531, 9584, 10, 'UDGÅET', NULL, '1900-01-01 09:24:00.000', 40, 'NEJ', NULL, NULL, 'NEJ'),
(9605, 9531, 9585, 9, 'NEJ', NULL, '1900-01-01 09:32:00.000', 33, 'NEJ', NULL, NULL, 'NEJ'),
(9606, 9531, 9586, 11, 'NEJ', NULL, NULL, NULL, NULL, NULL, NULL, NULL),
(9607, 9531, 9587, 12, 'afmeldt', NULL, NULL, NULL, NULL, NULL, NULL, NULL),
-- Class 42: cross-country last.
(9611, 9532, 9588, 1, 'NEJ', NULL, NULL, 30, 'NEJ', 0, 61, 'NEJ'),
(9612, 9532, 9589, 2, 'NEJ', NULL, NULL, 31, 'NEJ', 4, 62, 'NEJ'),
(9613, 9532, 9590, 3, 'NEJ', NULL, NULL, 29, 'NEJ', NULL, NULL, 'NEJ'),
(9614, 9532, 9591, 4, 'NEJ', NULL, NULL, 33, 'NEJ', NULL, NULL, 'NEJ'),
-- Class 43: five starters.
(9621, 9533, 9592, 1, 'NEJ', NULL, NULL, 30, 'NEJ', NULL, NULL, 'NEJ'),
(9622, 9533, 9593, 2, 'NEJ', NULL, NULL, 31, 'NEJ', NULL, NULL, 'NEJ'),
(9623, 9533, 9599, 3, 'NEJ', NULL, NULL, 32, 'NEJ', NULL, NULL, 'NEJ'),
(9624, 9533, 9600, 4, 'NEJ', NULL, NULL, 33, 'NEJ', NULL, NULL, 'NEJ'),
(9625, 9533, 9609, 5, 'NEJ', NULL, NULL, 34, 'NEJ', NULL, NULL, 'NEJ'),
-- Class 44: five starters.
(9631, 9534, 9594, 1, 'NEJ', NULL, NULL, 30, 'NEJ', NULL, NULL, 'NEJ'),
(9632, 9534, 9595, 2, 'NEJ', NULL, NULL, 31, 'NEJ', NULL, NULL, 'NEJ'),
(9633, 9534, 9596, 3, 'NEJ', NULL, NULL, 32, 'NEJ', NULL, NULL, 'NEJ'),
(9634, 9534, 9597, 4, 'NEJ', NULL, NULL, 33, 'NEJ', NULL, NULL, 'NEJ'),
(9635, 9534, 9598, 5, 'NEJ', NULL, NULL, 34, 'NEJ', NULL, NULL, 'NEJ');

-- Cross-country; start 9602 has two equal rows.
INSERT INTO tblMilitaryResultatUdh (MilitaryResultatUdhId, StartId, EtapeDTid, EtapeDFejl, DiskUdh) VALUES
(9651, 9601, 420, 0, 'NEJ'), (9652, 9602, 430, 4, 'NEJ'), (9653, 9602, 430, 4, 'NEJ'),
(9654, 9603, 425, 0, 'NEJ'), (9655, 9604, NULL, NULL, 'JA'),
(9661, 9611, 400, 0, 'NEJ'), (9662, 9613, 410, 2, 'NEJ');

INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId, Kategori) VALUES
(9711, 9525, 201, 9551, 9561, '*FRK*', '0'), (9712, 9525, 202, 9552, 9562, 'ARK', '0'),
(9713, 9525, 204, 9554, 9564, 'ARK', '0'), (9714, 9525, 205, 9555, 9565, 'ARK', '0'),
(9715, 9525, 206, 9556, 9566, 'ARK', '0'),
(9716, 9526, 201, 9551, 9561, '*FRK*', '0'), (9717, 9526, 202, 9552, 9562, 'ARK', '0'),
(9718, 9526, 204, 9554, 9564, 'ARK', '0'), (9719, 9526, 205, 9555, 9565, 'ARK', '0'),
(9720, 9526, 206, 9556, 9566, 'ARK', '0');

INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, Status, Dressur, DiskDressur, Springning, SpringningTid, DiskSpring) VALUES
(9701, 9535, 9711, 1, 'NEJ', 30, 'NEJ', 4, 60, 'NEJ'),
(9702, 9535, 9712, 5, 'ELIMINERET', 35, 'NEJ', NULL, NULL, 'JA'),
(9703, 9535, 9713, 6, 'ELIMINERET', 35, 'NEJ', NULL, NULL, 'JA'),
(9704, 9535, 9714, NULL, 'NEJ', NULL, NULL, NULL, NULL, NULL),
(9705, 9535, 9715, NULL, 'NEJ', NULL, NULL, NULL, NULL, NULL),
(9706, 9536, 9716, 1, 'NEJ', 30, 'NEJ', 0, 61, 'NEJ'),
(9707, 9536, 9717, 5, 'ELIMINERET', 35, 'NEJ', 0, 60, 'NEJ'),
(9708, 9536, 9718, 6, 'ELIMINERET', 35, 'NEJ', 0, 62, 'NEJ'),
(9709, 9536, 9719, NULL, 'NEJ', NULL, NULL, NULL, NULL, NULL),
(9710, 9536, 9720, NULL, 'NEJ', NULL, NULL, NULL, NULL, NULL);

INSERT INTO tblMilitaryResultatUdh (MilitaryResultatUdhId, StartId, EtapeDTid, EtapeDFejl, DiskUdh) VALUES
(9751, 9701, 400, 0, 'NEJ'), (9752, 9702, 410, 0, 'NEJ'), (9753, 9703, 420, 0, 'NEJ'),
(9756, 9706, 400, 0, 'NEJ'), (9757, 9707, NULL, NULL, 'JA'), (9758, 9708, NULL, NULL, 'JA');

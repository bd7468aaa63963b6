-- Fixed waiting lists for the waiting-list view's tests, added to a
-- generated demo competition database as competition 60. Ids start at 9700
-- so that they stay clear of the demo's own.
--
-- Class 41, section V: three entries, 1, "2A" (a secondary number) and 10;
--   a start without a number and a deleted start among them; a horse with
--   a full pedigree, one with registry names "nr--Name--" and no year of
--   birth, an entry without a horse; a club with a logo, one without a "*"
--   and one with a "*" but no logo file; texts that HTML must escape and a
--   rider without a first name. Section A of the same class has a start
--   that must not show in the waiting list.
-- Class 42, section V: a waiting list without starts.

INSERT INTO tblStaevne (StaevneId, Staevne, NiveauId, Startdato, Slutdato, ZEPStaevneNr)
VALUES (60, 'Ventestævne', 'Landsstævne', '2024-06-14 00:00:00.000', '2024-06-14 00:00:00.000', '24060');

INSERT INTO tblOfficials (OfficialId, Fornavn, EfterNavn, Funktion) VALUES (9701, 'Dorthe', 'Dommer', 'Dommer');

INSERT INTO tblKlasseType (KlasseTypeId, KlasseType, DiciplinId, MaxPoint, Klasse) VALUES ('T-LB', 'LB test', 3, 0, 'LB');

INSERT INTO tblKlasse (KlasseId, StaevneId, KlasseNr, Klasse, KlasseTypeId, DiciplinId, NiveauId, MaxAntalStarter, EtapeDIdealTid) VALUES
(9711, 60, 41, 'LB  Spring & <Co>', 'T-LB', 3, 'LB', 40, '4:30'),
(9712, 60, 42, 'LA Dressur', 'T-LB', 2, 'LA', 40, NULL);

INSERT INTO tblAfdeling (AfdelingId, KlasseId, AfdelingInitialer, BaneNr, Dato, Starttid, Sluttid, Sponsor, Aerespraemie, AntalPlaceringer) VALUES
(9721, 9711, 'A', 2, '2024-06-14 00:00:00.000', '1900-01-01 09:00:00.000', '1900-01-01 12:00:00.000', NULL, NULL, 0),
(9722, 9711, 'V', 99, '2024-06-14 00:00:00.000', '1900-01-01 09:00:00.000', '1900-01-01 12:30:00.000', NULL, 'Pokal', 0),
(9723, 9712, 'V', 99, '2024-06-15 00:00:00.000', NULL, NULL, NULL, NULL, 0);

INSERT INTO tblAfdelingDommer (AfdelingDommerId, AfdelingId, OfficialId, Position, Raekkefoelge) VALUES (9731, 9722, 9701, 'C', 1);

INSERT INTO tblKlub (KlubId, Klubnavn, Bynavn) VALUES
('*LOGO*', 'Logoklubben', 'By'),
('*NOLOGO*', 'Uden logo', 'By');

INSERT INTO tblRytter (RytterId, Fornavn, Efternavn, KlubId) VALUES
(9741, 'Mette', 'Kjær & <Co>', '*LOGO*'),
(9742, NULL, ' Olsen ', 'ARK'),
(9743, 'Per', 'Hansen', '*NOLOGO*'),
(9744, 'Uden', 'Nummer', 'ARK');

INSERT INTO tblHest (HestId, HestBaseID, OprettetLokalt, Navn, Foedeaar, AfstamningF, AfstamningM, AfstamningMF) VALUES
(9751, 97001, 0, 'Mr  %1 Big', '2010-01-01 00:00:00.000', 'Sire One', 'Dam', 'Dam Sire'),
(9752, 97002, 0, 'Ballerina', NULL, '123--Cornet--456', '77--X--', NULL),
(9753, 97003, 0, 'Anden', NULL, NULL, NULL, NULL);

INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, KlubId) VALUES
(9761, 9711, 101, 9741, 9751, '*LOGO*'),
(9762, 9711, 102, 9742, 9752, 'ARK'),
(9763, 9711, 110, 9743, NULL, '*NOLOGO*'),
(9764, 9711, 199, 9744, 9753, 'ARK'),
(9765, 9711, 105, 9744, 9753, 'ARK'),
(9766, 9711, 120, 9744, 9753, 'ARK');

INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, SekundaerStartNr, Slettet) VALUES
(9771, 9722, 9761, 1, NULL, NULL),
(9772, 9722, 9762, 2, 1, NULL),
(9773, 9722, 9763, 10, NULL, NULL),
(9774, 9722, 9764, NULL, NULL, NULL),
(9775, 9722, 9765, 5, NULL, '2024-06-13 10:00:00.000'),
(9776, 9721, 9766, 20, NULL, NULL);

-- The competition database of the competition-management system, as far as
-- the station reads it, for SQLite. Names follow the SQL Server original
-- (the stand-in driver drops the "dbo." owner); SQLite matches names without
-- regard to case, as SQL Server does.
--
-- Conventions:
--   * ids are INTEGER, except club ids (tblKlub.KlubId), which are text
--     initials and may carry "*" to mark a club with a logo, and class-type
--     codes (tblKlasseType.KlasseTypeId), which are text such as "LA1" or
--     "SK-DCU5H";
--   * every text column uses the stand-in driver's collation TSQL_CI:
--     case-insensitive and blind to trailing blanks, like SQL Server's
--     default collation;
--   * dates and times are DATETIME text "yyyy-MM-dd HH:mm:ss.zzz"; a time of
--     day alone is stored on 1900-01-01, SQL Server's zero date;
--   * BIT flags are INTEGER 0/1, marks and points REAL.
--
-- Column names that the station uses unqualified in joins (total,
-- diskvalifikation, startNr, staevneId, klasseNr, afdelingInitialer, StartNr,
-- BevarStartTid) exist only where those joins need them, so the statements
-- stay unambiguous.

PRAGMA foreign_keys = OFF;

-- Competitions.
CREATE TABLE tblStaevne (
    StaevneId           INTEGER PRIMARY KEY,
    Staevne             TEXT COLLATE TSQL_CI,
    NiveauId            TEXT COLLATE TSQL_CI,      -- competition type, e.g. "Landsstævne"
    Startdato           DATETIME,
    Slutdato            DATETIME,
    ZEPStaevneNr        TEXT COLLATE TSQL_CI,      -- the federation's competition number
    ZEPStaevnePropNr    TEXT COLLATE TSQL_CI,      -- the federation's schedule number
    Jury1               TEXT COLLATE TSQL_CI,
    Jury2               TEXT COLLATE TSQL_CI,
    Jury3               TEXT COLLATE TSQL_CI,
    Jury4               TEXT COLLATE TSQL_CI,
    Jury5               TEXT COLLATE TSQL_CI,
    Information         TEXT COLLATE TSQL_CI,
    TekniskDelegeretId  INTEGER,                   -- tblOfficials
    BanebyggerId        INTEGER                    -- tblOfficials
);

-- Class types: discipline and maximum points of one judge's sheet.
CREATE TABLE tblKlasseType (
    KlasseTypeId    TEXT COLLATE TSQL_CI PRIMARY KEY,
    KlasseType      TEXT COLLATE TSQL_CI,          -- description
    DiciplinId      INTEGER,                       -- 2 dressage, 3 show jumping, 4 eventing
    MaxPoint        INTEGER,
    Klasse          TEXT COLLATE TSQL_CI           -- level, e.g. "LA" or "MB"
);

-- Judging methods of jumping and eventing classes.
CREATE TABLE tblMetode (
    MetodeId            INTEGER PRIMARY KEY,
    Metode              TEXT COLLATE TSQL_CI,      -- e.g. "A2", "B0"
    AntalHovedRunder    INTEGER,
    AntalOmspringninger INTEGER
);

CREATE TABLE tblKlasse (
    KlasseId        INTEGER PRIMARY KEY,
    StaevneId       INTEGER NOT NULL,
    KlasseNr        INTEGER NOT NULL,
    Klasse          TEXT COLLATE TSQL_CI,          -- class name
    KlasseTypeId    TEXT COLLATE TSQL_CI,          -- tblKlasseType
    DiciplinId      INTEGER,
    NiveauId        TEXT COLLATE TSQL_CI,
    MetodeId        INTEGER,                       -- tblMetode
    TempoId         INTEGER,
    MaxAntalStarter INTEGER,
    Kur             INTEGER NOT NULL DEFAULT 0,    -- 1: freestyle to music
    HoldKlasse      INTEGER NOT NULL DEFAULT 0,    -- 1: team class
    EtapeDIdealTid  TEXT COLLATE TSQL_CI,          -- eventing: ideal time of phase D, in hundredths of a second
    SidsteDiciplin  INTEGER NOT NULL DEFAULT 0,    -- eventing: 1 when cross-country comes last
    Bemaerkning     TEXT COLLATE TSQL_CI,
    KlasseIdZEP     TEXT COLLATE TSQL_CI
);
CREATE INDEX ixKlasseStaevne ON tblKlasse (StaevneId, KlasseNr);

-- Prize money of a class, one row per paid placing.
CREATE TABLE tblDotering (
    DoteringId  INTEGER PRIMARY KEY,
    KlasseId    INTEGER NOT NULL,
    Placering   INTEGER NOT NULL,
    Beloeb      INTEGER NOT NULL                   -- kroner
);

-- Class sections ("afdelinger"): initials, arena, day and times.
CREATE TABLE tblAfdeling (
    AfdelingId          INTEGER PRIMARY KEY,
    KlasseId            INTEGER NOT NULL,
    AfdelingInitialer   TEXT COLLATE TSQL_CI,      -- "A", "B", ...; "V" is the waiting list
    BaneNr              INTEGER,
    Dato                DATETIME,
    StarttidS           DATETIME,                  -- scheduled start
    SluttidS            DATETIME,                  -- scheduled end
    Starttid            DATETIME,                  -- start as run (eventing: cross-country)
    Sluttid             DATETIME,
    Sponsor             TEXT COLLATE TSQL_CI,
    Aerespraemie        TEXT COLLATE TSQL_CI,
    AntalPlaceringer    INTEGER NOT NULL DEFAULT 0,  -- 0: computed by the station
    BevarStartTid       INTEGER NOT NULL DEFAULT 0,  -- keep the published start times
    StartInterval       INTEGER NOT NULL DEFAULT 0   -- seconds between two starters
);
CREATE INDEX ixAfdelingKlasse ON tblAfdeling (KlasseId);

CREATE TABLE tblOfficials (
    OfficialId  INTEGER PRIMARY KEY,
    Fornavn     TEXT COLLATE TSQL_CI,
    EfterNavn   TEXT COLLATE TSQL_CI,
    Funktion    TEXT COLLATE TSQL_CI               -- "Dommer", "Banebygger", "TD"
);

-- Judges of a section, at their places around the arena (E, H, C, M, B).
CREATE TABLE tblAfdelingDommer (
    AfdelingDommerId    INTEGER PRIMARY KEY,
    AfdelingId          INTEGER NOT NULL,
    OfficialId          INTEGER NOT NULL,
    Position            TEXT COLLATE TSQL_CI,
    Raekkefoelge        INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX ixAfdelingDommer ON tblAfdelingDommer (AfdelingId);

CREATE TABLE tblAfdelingBanebygger (
    AfdelingBanebyggerId    INTEGER PRIMARY KEY,
    AfdelingId              INTEGER NOT NULL,
    OfficialId              INTEGER NOT NULL
);

CREATE TABLE tblKlub (
    KlubId      TEXT COLLATE TSQL_CI PRIMARY KEY,  -- initials; "*" marks a club with a logo
    Klubnavn    TEXT COLLATE TSQL_CI,
    Bynavn      TEXT COLLATE TSQL_CI
);

-- The organising club that owns this database, with its logo picture.
CREATE TABLE tblEjer (
    EjerId  INTEGER PRIMARY KEY,
    KlubId  TEXT COLLATE TSQL_CI,
    LOGOSTI BLOB
);

-- Update numbers: the highest one is the database's update level; the
-- competition-management system adds one whenever it changes results.
CREATE TABLE tblOpdatering (
    OpdateringID    INTEGER PRIMARY KEY,
    Dato            DATETIME,
    Beskrivelse     TEXT COLLATE TSQL_CI
);

CREATE TABLE tblRytter (
    RytterId    INTEGER PRIMARY KEY,               -- the rider's licence number
    Fornavn     TEXT COLLATE TSQL_CI,
    Efternavn   TEXT COLLATE TSQL_CI,
    KlubId      TEXT COLLATE TSQL_CI
);

-- Horses: rows from the federation's registry (OprettetLokalt 0) and rows
-- created locally at the show (OprettetLokalt 1). HestBaseID is the horse's
-- number across both.
CREATE TABLE tblHest (
    HestId          INTEGER PRIMARY KEY,
    HestBaseID      INTEGER NOT NULL,
    OprettetLokalt  INTEGER NOT NULL DEFAULT 0,
    Navn            TEXT COLLATE TSQL_CI,
    Koen            TEXT COLLATE TSQL_CI,          -- "HI" stallion, "HO" mare, "V" gelding
    Farve           TEXT COLLATE TSQL_CI,
    Foedeaar        DATETIME,
    AfstamningF     TEXT COLLATE TSQL_CI,          -- sire
    AfstamningM     TEXT COLLATE TSQL_CI,          -- dam
    AfstamningMF    TEXT COLLATE TSQL_CI,          -- dam's sire
    FeiID           TEXT COLLATE TSQL_CI,
    Opdraetter      TEXT COLLATE TSQL_CI           -- breeder
);
CREATE INDEX ixHestBase ON tblHest (HestBaseID, OprettetLokalt);

-- Rider and horse as a combination ("ekvipage").
CREATE TABLE tblConfig (
    ConfigId    INTEGER PRIMARY KEY,
    RytterId    INTEGER NOT NULL,
    HestId      INTEGER NOT NULL
);

-- Entries: one per combination and class; AnmeldelseNr is the combination's
-- competition number, the same in every class of the show.
CREATE TABLE tblAnmeldelse (
    AnmeldelseId    INTEGER PRIMARY KEY,
    KlasseId        INTEGER NOT NULL,
    AnmeldelseNr    INTEGER NOT NULL,
    RytterId        INTEGER,
    HestId          INTEGER,
    KlubId          TEXT COLLATE TSQL_CI,
    Kategori        TEXT COLLATE TSQL_CI           -- pony category or "0"
);

-- Teams of a team class; StartNr is the team's number.
CREATE TABLE tblAnmeldelseHold (
    AnmeldelseHoldId    INTEGER PRIMARY KEY,
    KlasseId            INTEGER NOT NULL,
    StartNr             INTEGER,
    Hold                TEXT COLLATE TSQL_CI
);

-- Starts: an entry's place in a section, with its results. A start that
-- was taken out of the section keeps its row with Slettet set.
CREATE TABLE tblStart (
    StartId             INTEGER PRIMARY KEY,
    AfdelingId          INTEGER NOT NULL,
    AnmeldelseId        INTEGER NOT NULL,
    StartNr             INTEGER,
    SekundaerStartNr    INTEGER,                   -- 1 = "A", 2 = "B", ...
    Slettet             DATETIME,
    Bemaerkning         TEXT COLLATE TSQL_CI,
    Starttid            DATETIME,
    StarttidDressur     DATETIME,                  -- eventing: the dressage test
    Status              TEXT COLLATE TSQL_CI,      -- status word; eventing "NEJ" for none
    Placering           INTEGER,                   -- official placing once the section is done
    Udgaar              INTEGER NOT NULL DEFAULT 0,  -- team: this result does not count
    -- dressage: each judge's marks; in a Kur the technical marks, with the
    -- artistic marks in the Kur columns
    DommerE REAL, DommerH REAL, DommerC REAL, DommerM REAL, DommerB REAL,
    DommerEKur REAL, DommerHKur REAL, DommerCKur REAL, DommerMKur REAL, DommerBKur REAL,
    -- show jumping: first round
    FejlHS1             REAL,
    TidHS1              REAL,
    -- eventing: dressage penalties and jumping faults and time
    Dressur             REAL,
    DiskDressur         TEXT COLLATE TSQL_CI,
    Springning          REAL,
    SpringningTid       REAL,
    DiskSpring          TEXT COLLATE TSQL_CI
);
CREATE INDEX ixStartAfdeling ON tblStart (AfdelingId);
CREATE INDEX ixStartAnmeldelse ON tblStart (AnmeldelseId);

CREATE TABLE tblStartHold (
    StartHoldId         INTEGER PRIMARY KEY,
    StartId             INTEGER NOT NULL,
    AnmeldelseHoldId    INTEGER NOT NULL
);

-- Eventing cross-country (phase D) of a start.
CREATE TABLE tblMilitaryResultatUdh (
    MilitaryResultatUdhId   INTEGER PRIMARY KEY,
    StartId                 INTEGER NOT NULL,
    EtapeDTid               REAL,                  -- seconds; above 0 once ridden
    EtapeDFejl              REAL,                  -- penalties
    DiskUdh                 TEXT COLLATE TSQL_CI
);
CREATE INDEX ixMilitaryUdhStart ON tblMilitaryResultatUdh (StartId);

-- Dressage results: one row per start of a dressage section (taken-out
-- starts left out, as in the other two views).
CREATE VIEW vDressurResultat AS
SELECT  ST.StartNr                  AS StartNr,
        A.AnmeldelseNr              AS anmeldelseNr,
        R.Fornavn                   AS Fornavn,
        R.Efternavn                 AS Efternavn,
        H.Navn                      AS Navn,
        A.KlubId                    AS klubId,
        ST.Placering                AS placering,
        IFNULL(ST.DommerE, 0) + IFNULL(ST.DommerH, 0) + IFNULL(ST.DommerC, 0)
          + IFNULL(ST.DommerM, 0) + IFNULL(ST.DommerB, 0)
          + IFNULL(ST.DommerEKur, 0) + IFNULL(ST.DommerHKur, 0) + IFNULL(ST.DommerCKur, 0)
          + IFNULL(ST.DommerMKur, 0) + IFNULL(ST.DommerBKur, 0)
                                    AS totalKurKlasse,
        ST.Status                   AS diskvalifikation,
        A.Kategori                  AS kategori,
        K.Klasse                    AS klasse,
        K.StaevneId                 AS staevneId,
        K.KlasseId                  AS klasseId,
        K.KlasseNr                  AS klasseNr,
        AF.AfdelingId               AS afdelingID,
        AF.AfdelingInitialer        AS afdelingInitialer,
        ST.StartId                  AS StartId,
        ST.DommerE AS dommerE, ST.DommerH AS dommerH, ST.DommerC AS dommerC,
        ST.DommerM AS dommerM, ST.DommerB AS dommerB,
        ST.DommerEKur AS dommerEKur, ST.DommerHKur AS dommerHKur, ST.DommerCKur AS dommerCKur,
        ST.DommerMKur AS dommerMKur, ST.DommerBKur AS dommerBKur,
        A.RytterId                  AS RytterId,
        H.HestBaseID                AS HesteId,
        A.AnmeldelseId              AS AnmeldelseId,
        ST.Udgaar                   AS Udgaar,
        -- sort key of the competition-management system: points
        IFNULL(ST.DommerE, 0) + IFNULL(ST.DommerH, 0) + IFNULL(ST.DommerC, 0)
          + IFNULL(ST.DommerM, 0) + IFNULL(ST.DommerB, 0)
          + IFNULL(ST.DommerEKur, 0) + IFNULL(ST.DommerHKur, 0) + IFNULL(ST.DommerCKur, 0)
          + IFNULL(ST.DommerMKur, 0) + IFNULL(ST.DommerBKur, 0)
                                    AS total
FROM tblStart AS ST
INNER JOIN tblAfdeling AS AF ON ST.AfdelingId = AF.AfdelingId
INNER JOIN tblKlasse AS K ON AF.KlasseId = K.KlasseId
INNER JOIN tblAnmeldelse AS A ON ST.AnmeldelseId = A.AnmeldelseId
LEFT JOIN tblRytter AS R ON A.RytterId = R.RytterId
LEFT JOIN tblHest AS H ON A.HestId = H.HestId
WHERE ST.Slettet IS NULL AND K.DiciplinId = 2;

-- Show-jumping results and start lists: one row per start of a section.
CREATE VIEW vSpringResultat AS
SELECT  ST.StartNr                  AS StartNr,
        ST.SekundaerStartNr         AS SekundaerStartNr,
        A.AnmeldelseNr              AS anmeldelseNr,
        R.Fornavn                   AS Fornavn,
        R.Efternavn                 AS Efternavn,
        H.Navn                      AS Navn,
        A.KlubId                    AS KlubInitialer,
        A.Kategori                  AS kategori,
        ST.Status                   AS DiskHS1,
        ST.Status                   AS diskvalifikation,
        ST.FejlHS1                  AS FejlHS1,
        ST.TidHS1                   AS TidHS1,
        ST.Placering                AS placering,
        ST.Starttid                 AS Starttid,
        K.StaevneId                 AS staevneId,
        K.KlasseId                  AS klasseId,
        K.KlasseNr                  AS klasseNr,
        AF.AfdelingId               AS afdelingID,
        AF.AfdelingInitialer        AS afdelingInitialer,
        ST.StartId                  AS StartId,
        A.RytterId                  AS LicensNr,
        H.HestBaseID                AS HesteId,
        A.AnmeldelseId              AS AnmeldelseId
FROM tblStart AS ST
INNER JOIN tblAfdeling AS AF ON ST.AfdelingId = AF.AfdelingId
INNER JOIN tblKlasse AS K ON AF.KlasseId = K.KlasseId
INNER JOIN tblAnmeldelse AS A ON ST.AnmeldelseId = A.AnmeldelseId
LEFT JOIN tblRytter AS R ON A.RytterId = R.RytterId
LEFT JOIN tblHest AS H ON A.HestId = H.HestId
WHERE ST.Slettet IS NULL AND K.DiciplinId = 3;

-- Eventing results: dressage, cross-country (tblMilitaryResultatUdh) and
-- jumping of each start, with the combined penalties. The phase and overall
-- status words read "NEJ" while the starter is still in the competition.
CREATE VIEW vMilitaryResultat AS
SELECT  ST.StartNr                  AS StartNr,
        A.AnmeldelseNr              AS anmeldelseNr,
        R.Fornavn                   AS Fornavn,
        R.Efternavn                 AS Efternavn,
        H.Navn                      AS Navn,
        A.KlubId                    AS klubInitialer,
        ST.Dressur                  AS dressur,
        U.EtapeDFejl                AS etapeDFejl,
        ST.Springning               AS springning,
        -- Rounded as the decimal columns of the real database add up.
        ROUND(IFNULL(ST.Dressur, 0) + IFNULL(ST.Springning, 0), 2)
                                    AS dressurspring,
        ROUND(IFNULL(ST.Dressur, 0) + IFNULL(U.EtapeDFejl, 0), 2)
                                    AS dressurudholdenhed,
        ROUND(IFNULL(ST.Dressur, 0) + IFNULL(U.EtapeDFejl, 0) + IFNULL(ST.Springning, 0), 2)
                                    AS total,
        ST.DiskDressur              AS diskDressur,
        U.DiskUdh                   AS diskUdh,
        ST.DiskSpring               AS diskSpring,
        ST.Status                   AS diskvalifikation,
        ST.SpringningTid            AS springningtid,
        K.StaevneId                 AS staevneId,
        K.KlasseId                  AS klasseId,
        K.KlasseNr                  AS klasseNr,
        AF.AfdelingId               AS afdelingID,
        AF.AfdelingInitialer        AS afdelingInitialer,
        ST.StartId                  AS StartId,
        A.RytterId                  AS LicensNr,
        H.HestBaseID                AS HesteId,
        A.AnmeldelseId              AS AnmeldelseId
FROM tblStart AS ST
INNER JOIN tblAfdeling AS AF ON ST.AfdelingId = AF.AfdelingId
INNER JOIN tblKlasse AS K ON AF.KlasseId = K.KlasseId
INNER JOIN tblAnmeldelse AS A ON ST.AnmeldelseId = A.AnmeldelseId
LEFT JOIN tblRytter AS R ON A.RytterId = R.RytterId
LEFT JOIN tblHest AS H ON A.HestId = H.HestId
LEFT JOIN tblMilitaryResultatUdh AS U ON ST.StartId = U.StartId
WHERE ST.Slettet IS NULL AND K.DiciplinId = 4;

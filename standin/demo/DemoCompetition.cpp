#include "DemoCompetition.h"

#include "DemoRiding.h"
#include "SqliteDatabase.h"

#include <QBuffer>
#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace standin {

using riding::Random;
using riding::sqlDateTime;

namespace {

// --- Names. Invented, but Danish in sound and spelling. ---------------------

const char *const kFirstNames[] = {
    "Anne", "Mette", "Louise", "Sofie", "Camilla", "Ida", "Emma", "Freja", "Line", "Katrine",
    "Maria", "Cecilie", "Julie", "Laura", "Mathilde", "Nanna", "Signe", "Caroline", "Astrid",
    "Karoline", "Josefine", "Trine", "Pernille", "Sanne", "Mads", "Søren", "Jens", "Andreas",
    "Rasmus", "Jonas", "Frederik", "Mikkel", "Anders", "Kasper", "Bo", "Åse", "Ærtebjørg"};
const char *const kLastNames[] = {
    "Jensen", "Nielsen", "Hansen", "Pedersen", "Andersen", "Christensen", "Larsen", "Sørensen",
    "Rasmussen", "Jørgensen", "Petersen", "Madsen", "Kristensen", "Olsen", "Thomsen", "Poulsen",
    "Johansen", "Møller", "Mortensen", "Østergaard", "Kjær", "Holm", "Lund", "Bach", "Skov",
    "Dam", "Friis", "Frandsen", "Bøgh", "Vestergaard", "Aagaard"};
const char *const kHorsePrefixes[] = {
    "Fjordens", "Møllehøjs", "Skovgaards", "Engdals", "Lyngholms", "Birkelys", "Stensbæks",
    "Rosenlunds", "Kastanjegaards", "Højbjergs", "Solvangs", "Egelys", "Bakkelys", "Ådalens"};
const char *const kHorseNames[] = {
    "Dacapo", "Quattro", "Belami", "Florentina", "Rubinia", "Sandor", "Lavendel", "Zafira",
    "Caprice", "Whisper", "Nordlys", "Tornado", "Magnolia", "Valentino", "Safir", "Kaprifol",
    "Esprit", "Fandango", "Jasmin", "Orlando", "Pandora", "Rialto", "Tango", "Viola", "Kornblomst",
    "Løvspring", "Stjerneskud", "Havgus", "Solsort", "Tusindfryd"};
const char *const kColours[] = {"Brun", "Brun", "Mørk brun", "Sortbrun", "Lys brun", "Rød",
                                "Mørk rød", "Sort", "Skimmel", "Fuks", "brun", "Brunskimmel"};
const char *const kSexes[] = {"HO", "HO", "V", "V", "V", "HI", "hi"};
const char *const kTowns[] = {"Ry", "Vejle", "Skanderborg", "Hørning", "Odder", "Give", "Brædstrup",
                              "Silkeborg", "Horsens", "Hedensted"};
const char *const kSponsors[] = {"Fjordens Foderstof", "Tølløse Sadelmageri", "Lyngbakkens Dyreklinik",
                                 "Ådalens Hestetransport", "Engdal Staldinventar", "Bakkegårdens Hø og Halm"};
const char *const kRemarks[] = {"Ny hest", "Reserve", "Rider for første gang i klassen", "Skiftet rytter"};

struct Club
{
    const char *id;
    const char *name;
    const char *town;
};

// A "*" in the id marks a club whose logo the station shows.
const Club kClubs[] = {
    {"*FRK*", "Fjordens Rideklub", "Vejle"},
    {"BRK", "Bakkegårdens Rideklub", "Give"},
    {"*SRK*", "Skovlyst Rideklub", "Ry"},
    {"ERF", "Engdalens Rideforening", "Odder"},
    {"SHR", "Søhøj Rideklub", "Horsens"},
    {"LRK", "Lyngbakkens Rideklub", "Silkeborg"},
    {"ARK", "Ådalens Rideklub", "Brædstrup"},
    {"KRK", "Kystvejens Rideklub", "Hedensted"},
    {"HRF", "Højmark Rideforening", "Hørning"},
    {"STR", "Stjernegårdens Rideklub", "Skanderborg"},
    {"*MRK*", "Mølleengens Rideklub", "Vejle"},
    {"BLR", "Birkelundens Rideklub", "Ry"},
};
const char kOwnerClub[] = "*FRK*";

// --- The plan of the shows. ---------------------------------------------------

enum class Progress { Done, Running, Waiting };

struct SectionPlan
{
    const char *initials;
    Progress progress;
};

struct ClassPlan
{
    int klasseNr;
    const char *name;
    const char *type;
    int discipline;
    int day;          // 0 or 1
    int arena;
    int judges;       // dressage and eventing: judges at E, H, C, M, B
    int interval;     // minutes between starters
    int kur;
    int team;
    const char *metode;
    int fixedPlacings;
    int keepStartTimes;
    bool prizeMoney;
    std::vector<SectionPlan> sections; // "V" is added where waitingList is set
    bool waitingList;
};

struct ClassType
{
    const char *id;
    const char *description;
    int discipline;
    int maxPoint;
    const char *level;
};

const ClassType kClassTypes[] = {
    {"LA1", "LA1 Dressur", 2, 260, "LA"},
    {"LA2", "LA2 Dressur", 2, 270, "LA"},
    {"KUR-MB", "MB Kür på musik", 2, 400, "MB"},
    {"MA", "MA Dressur", 2, 340, "MA"},
    {"DCU5H", "Championat for 5-årige dressurheste", 2, 10, "UNG"},
    {"LC", "LC Spring 100 cm", 3, 0, "LC"},
    {"LB", "LB Spring 110 cm", 3, 0, "LB"},
    {"SK-SCU6", "Championat for 6-årige springheste", 3, 0, "UNG"},
    {"MIL-LD", "LD Military", 4, 0, "LD"},
};

struct Method
{
    int id;
    const char *name;
    int rounds;
    int jumpOffs;
};

const Method kMethods[] = {{1, "A2", 1, 1}, {2, "B0", 1, 0}, {3, "A1", 1, 0}, {4, "B12", 1, 0}};

std::vector<ClassPlan> runningShow()
{
    using P = Progress;
    return {
        {1, "LA1 Dressur", "LA1", 2, 0, 1, 2, 8, 0, 0, nullptr, 0, 1, true,
         {{"A", P::Done}, {"B", P::Done}}, false},
        {2, "MB0 Kür på musik", "KUR-MB", 2, 0, 1, 3, 9, 1, 0, nullptr, 0, 0, true, {{"A", P::Running}}, true},
        {3, "LA2 Holdkonkurrence", "LA2", 2, 1, 1, 3, 8, 0, 1, nullptr, 0, 0, false, {{"A", P::Done}}, false},
        {4, "Championat 5-årige dressurheste", "DCU5H", 2, 1, 1, 2, 8, 0, 0, nullptr, 0, 0, true,
         {{"A", P::Running}}, false},
        {5, "LC Spring", "LC", 3, 0, 2, 1, 2, 0, 0, "A2", 0, 0, true, {{"A", P::Done}, {"B", P::Running}}, false},
        {6, "LB Spring", "LB", 3, 0, 2, 1, 2, 0, 0, "B0", 0, 0, true, {{"A", P::Waiting}}, true},
        {7, "Championat 6-årige springheste", "SK-SCU6", 3, 1, 2, 1, 2, 0, 0, "A1", 0, 0, true,
         {{"A", P::Running}}, false},
        {8, "LD Military", "MIL-LD", 4, 0, 3, 2, 5, 0, 0, "B12", 0, 0, true, {{"A", P::Running}}, false},
        {9, "MA Dressur", "MA", 2, 1, 3, 5, 8, 0, 0, nullptr, 3, 0, false, {{"A", P::Waiting}}, false},
    };
}

// A show of many classes for load measurements: the running show's classes
// in turn, one section each, without waiting lists.
std::vector<ClassPlan> loadShow(int sections)
{
    const std::vector<ClassPlan> usual = runningShow();
    std::vector<ClassPlan> plan;
    for (int i = 0; i < sections; ++i) {
        ClassPlan c = usual[size_t(i) % usual.size()];
        c.klasseNr = i + 1;
        c.arena = 1 + i % 4;
        c.day = (i / 4) % 2;
        c.sections = {{"A", c.sections.front().progress}};
        c.waitingList = false;
        plan.push_back(c);
    }
    return plan;
}

std::vector<ClassPlan> pastShow()
{
    using P = Progress;
    return {
        {1, "LA1 Dressur", "LA1", 2, 0, 1, 2, 8, 0, 0, nullptr, 0, 0, false, {{"A", P::Done}}, false},
        {2, "LC Spring", "LC", 3, 0, 2, 1, 2, 0, 0, "A2", 0, 0, true, {{"A", P::Done}}, false},
    };
}

QStringList judgePositions(int judges)
{
    switch (judges) {
    case 1:
        return {QStringLiteral("C")};
    case 2:
        return {QStringLiteral("E"), QStringLiteral("C")};
    case 3:
        return {QStringLiteral("E"), QStringLiteral("C"), QStringLiteral("B")};
    case 4:
        return {QStringLiteral("E"), QStringLiteral("H"), QStringLiteral("C"), QStringLiteral("B")};
    default:
        return {QStringLiteral("E"), QStringLiteral("H"), QStringLiteral("C"), QStringLiteral("M"),
                QStringLiteral("B")};
    }
}

// --- Club logos. ------------------------------------------------------------

struct LogoColours
{
    QColor disc;
    QColor lower;
    QColor shoe;
};

// A horseshoe over a landscape, drawn without text so that no font is needed.
QImage drawLogo(const LogoColours &c)
{
    QImage image(96, 96, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(c.disc);
    painter.drawEllipse(QRectF(4, 4, 88, 88));
    painter.setBrush(c.lower);
    painter.drawChord(QRectF(4, 4, 88, 88), 200 * 16, 140 * 16);
    QPen shoe(c.shoe, 11, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(shoe);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(26, 18, 44, 50), -40 * 16, 260 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(c.disc);
    for (const QPointF &nail : {QPointF(31, 50), QPointF(29, 38), QPointF(35, 27), QPointF(65, 50),
                                QPointF(67, 38), QPointF(61, 27)})
        painter.drawEllipse(nail, 1.8, 1.8);
    painter.end();
    return image;
}

// The owner club's: a horseshoe over a fjord.
const LogoColours kFjordColours{QColor(0x0b, 0x4f, 0x8a), QColor(0x5f, 0xa8, 0xd3), QColor(0xf2, 0xc2, 0x30)};

// The clubs whose logo file the demo has, by their id without "*". The
// owner club's is the picture it carries in the database.
const struct
{
    const char *club;
    LogoColours colours;
} kClubLogos[] = {
    {"FRK", kFjordColours},
    {"SRK", {QColor(0x1e, 0x5b, 0x2e), QColor(0x8c, 0xc0, 0x5a), QColor(0xe8, 0xe8, 0xe8)}},
};

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// --- The generator. -------------------------------------------------------------

struct Equipage
{
    int number = 0;     // AnmeldelseNr
    int riderId = 0;
    QString klubId;
    int horseId = 0;    // the tblHest row an entry points at
};

class Generator
{
public:
    Generator(SqliteDatabase &db, const DemoOptions &options)
        : m_db(db), m_options(options), m_random(options.seed)
    {
        m_firstDay = options.firstDay.isValid() ? options.firstDay : QDate(2024, 6, 14);
        if (options.small) {
            m_minStarters = 4;
            m_maxStarters = 6;
        } else if (options.sections > 0) {
            m_minStarters = m_maxStarters = std::clamp(options.maxStarters, 1, 280);
        } else {
            m_minStarters = std::max(1, options.minStarters);
            m_maxStarters = std::max(m_minStarters, options.maxStarters);
        }
    }

    bool run()
    {
        clubsAndOwner();
        classTypesAndMethods();
        officials();
        people();
        show(demoCompetitionId, m_firstDay, 1,
             m_options.sections > 0 ? loadShow(m_options.sections) : runningShow());
        show(demoPastCompetitionId, m_firstDay.addDays(-28), 0, pastShow());
        updates();
        return m_ok;
    }

private:
    // Runs one statement with values; statements are prepared once.
    void exec(const QString &sql, const QVariantList &values)
    {
        if (!m_ok)
            return;
        auto &statement = m_statements[sql];
        if (!statement)
            statement = std::make_unique<SqliteStatement>(m_db, sql);
        statement->bindAll(values);
        if (!statement->run())
            m_ok = false;
    }

    QString name(const char *const *list, int size) { return QString::fromUtf8(list[m_random.range(0, size - 1)]); }
    template<size_t N>
    QString pick(const char *const (&list)[N]) { return name(list, int(N)); }

    void clubsAndOwner()
    {
        for (const Club &club : kClubs)
            exec(QStringLiteral("INSERT INTO tblKlub (KlubId, Klubnavn, Bynavn) VALUES (?, ?, ?)"),
                 {QString::fromUtf8(club.id), QString::fromUtf8(club.name), QString::fromUtf8(club.town)});
        exec(QStringLiteral("INSERT INTO tblEjer (EjerId, KlubId, LOGOSTI) VALUES (1, ?, ?)"),
             {QString::fromUtf8(kOwnerClub), pngBytes(drawLogo(kFjordColours))});
    }

    void classTypesAndMethods()
    {
        for (const ClassType &t : kClassTypes)
            exec(QStringLiteral("INSERT INTO tblKlasseType (KlasseTypeId, KlasseType, DiciplinId, MaxPoint, Klasse) "
                                "VALUES (?, ?, ?, ?, ?)"),
                 {QString::fromUtf8(t.id), QString::fromUtf8(t.description), t.discipline, t.maxPoint,
                  QString::fromUtf8(t.level)});
        for (const Method &m : kMethods)
            exec(QStringLiteral("INSERT INTO tblMetode (MetodeId, Metode, AntalHovedRunder, AntalOmspringninger) "
                                "VALUES (?, ?, ?, ?)"),
                 {m.id, QString::fromUtf8(m.name), m.rounds, m.jumpOffs});
    }

    int addOfficial(const QString &function)
    {
        const int id = ++m_officialId;
        exec(QStringLiteral("INSERT INTO tblOfficials (OfficialId, Fornavn, EfterNavn, Funktion) VALUES (?, ?, ?, ?)"),
             {id, pick(kFirstNames), pick(kLastNames), function});
        return id;
    }

    void officials()
    {
        for (int i = 0; i < 12; ++i)
            m_judges << addOfficial(QStringLiteral("Dommer"));
        for (int i = 0; i < 3; ++i)
            m_courseDesigners << addOfficial(QStringLiteral("Banebygger"));
        m_technicalDelegate = addOfficial(QStringLiteral("TD"));
    }

    QString pedigreeName(const QString &name)
    {
        // Registry texts sometimes carry the horse's number and country
        // around the name: "208333DW1234567--Name--DEN".
        if (m_random.chance(0.15))
            return QStringLiteral("208333DW%1--%2--DEN").arg(m_random.range(1000000, 9999999)).arg(name);
        return name;
    }

    QString horseName()
    {
        return m_random.chance(0.6) ? QStringLiteral("%1 %2").arg(pick(kHorsePrefixes), pick(kHorseNames))
                                    : pick(kHorseNames);
    }

    void people()
    {
        const int riders = m_options.small ? 30 : 170;
        const int horses = m_options.small ? 45 : 290;
        for (int i = 0; i < riders; ++i) {
            const int id = 20001 + i * 7;
            const QString club = QString::fromUtf8(kClubs[m_random.range(0, int(std::size(kClubs)) - 1)].id);
            exec(QStringLiteral("INSERT INTO tblRytter (RytterId, Fornavn, Efternavn, KlubId) VALUES (?, ?, ?, ?)"),
                 {id, pick(kFirstNames), pick(kLastNames), club});
            m_riders << qMakePair(id, club);
        }
        int hestId = 0;
        for (int i = 0; i < horses; ++i) {
            const int baseId = 500001 + i * 3;
            const bool local = m_random.chance(0.08);
            const int year = m_firstDay.year() - m_random.range(4, 17);
            const QVariant fei = m_random.chance(0.3)
                                     ? QVariant(QStringLiteral("10%1%2%3")
                                                    .arg(m_random.range(2, 7))
                                                    .arg(QChar(u'A' + m_random.range(0, 25)))
                                                    .arg(m_random.range(10, 99)))
                                     : QVariant();
            const QVariant sire = m_random.chance(0.04) ? QVariant() : QVariant(pedigreeName(horseName()));
            const QString breeder = QStringLiteral("%1 %2, %3").arg(pick(kFirstNames), pick(kLastNames), pick(kTowns));
            const int id = ++hestId;
            exec(QStringLiteral("INSERT INTO tblHest (HestId, HestBaseID, OprettetLokalt, Navn, Koen, Farve, Foedeaar, "
                                "AfstamningF, AfstamningM, AfstamningMF, FeiID, Opdraetter) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 {id, baseId, local ? 1 : 0, horseName(), pick(kSexes), pick(kColours),
                  sqlDateTime(QDateTime(QDate(year, 1, 1), QTime(0, 0))), sire, pedigreeName(horseName()),
                  pedigreeName(horseName()), fei, breeder});
            const auto &rider = m_riders.at(m_random.range(0, int(m_riders.size()) - 1));
            Equipage equipage;
            equipage.number = 101 + i;
            equipage.riderId = rider.first;
            equipage.klubId = rider.second;
            equipage.horseId = id;
            m_equipages << equipage;
            if (!local)
                exec(QStringLiteral("INSERT INTO tblConfig (ConfigId, RytterId, HestId) VALUES (?, ?, ?)"),
                     {++m_configId, rider.first, id});
        }
    }

    int starterCount() { return m_random.range(m_minStarters, m_maxStarters); }

    void show(int staevneId, const QDate &firstDay, int days, const std::vector<ClassPlan> &plan)
    {
        const QDate lastDay = firstDay.addDays(days);
        const QString number = QStringLiteral("S%1").arg(firstDay.toString(QStringLiteral("yyMMdd")));
        const QString name = staevneId == demoCompetitionId
                                 ? QStringLiteral("Fjordens Sommerstævne %1").arg(firstDay.year())
                                 : QStringLiteral("Fjordens Forårsstævne %1").arg(firstDay.year());
        const QString information =
            staevneId == demoCompetitionId
                ? QStringLiteral("Velkommen til Fjordens Rideklub.\n"
                                 "Tidsplan og startlister: http://example.com/staevne?id=%1&side=2 opdateres løbende.\n"
                                 "Sekretariatet har åbent fra kl. 7.00 <ved rytterstuen>.\n"
                                 "Resultater: http://example.com/resultater")
                      .arg(staevneId)
                : QString();
        exec(QStringLiteral("INSERT INTO tblStaevne (StaevneId, Staevne, NiveauId, Startdato, Slutdato, ZEPStaevneNr, "
                            "ZEPStaevnePropNr, Jury1, Jury2, Jury3, Jury4, Jury5, Information, TekniskDelegeretId, "
                            "BanebyggerId) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {staevneId, name, QStringLiteral("Landsstævne"), sqlDateTime(QDateTime(firstDay, QTime(0, 0))),
              sqlDateTime(QDateTime(lastDay, QTime(0, 0))), number,
              QStringLiteral("P%1").arg(firstDay.toString(QStringLiteral("yyMMdd"))),
              QStringLiteral("%1 %2 (formand)").arg(pick(kFirstNames), pick(kLastNames)),
              QStringLiteral("%1 %2").arg(pick(kFirstNames), pick(kLastNames)),
              staevneId == demoCompetitionId ? QVariant(QStringLiteral("%1 %2").arg(pick(kFirstNames), pick(kLastNames)))
                                             : QVariant(),
              QVariant(), QVariant(), information.isEmpty() ? QVariant() : QVariant(information), m_technicalDelegate,
              m_courseDesigners.first()});

        // Sections of an arena follow each other through the day.
        QHash<int, QTime> nextStart; // day * 100 + arena -> time
        // Sections still to be laid out on each arena and day, so that the
        // day's classes share it and the last one is not ridden at night.
        QHash<int, int> sectionsLeft;
        for (const ClassPlan &c : plan)
            sectionsLeft[c.day * 100 + c.arena] += int(c.sections.size());
        for (const ClassPlan &c : plan) {
            const int klasseId = ++m_klasseId;
            exec(QStringLiteral("INSERT INTO tblKlasse (KlasseId, StaevneId, KlasseNr, Klasse, KlasseTypeId, DiciplinId, "
                                "NiveauId, MetodeId, TempoId, MaxAntalStarter, Kur, HoldKlasse, EtapeDIdealTid, "
                                "SidsteDiciplin, Bemaerkning, KlasseIdZEP) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 {klasseId, staevneId, c.klasseNr, QString::fromUtf8(c.name), QString::fromUtf8(c.type), c.discipline,
                  QStringLiteral("Landsstævne"), c.metode ? QVariant(methodId(c.metode)) : QVariant(),
                  c.discipline == 3 ? QVariant(1) : QVariant(), 80, c.kur, c.team,
                  c.discipline == 4 ? QVariant(QStringLiteral("42000")) : QVariant(), 0,
                  c.kur ? QVariant(QStringLiteral("Musik afleveres i sekretariatet")) : QVariant(),
                  QStringLiteral("%1-%2").arg(number).arg(c.klasseNr)});
            if (c.prizeMoney) {
                static const int amounts[] = {1500, 1000, 800, 600, 400};
                for (int i = 0; i < 5; ++i)
                    exec(QStringLiteral("INSERT INTO tblDotering (DoteringId, KlasseId, Placering, Beloeb) "
                                        "VALUES (?, ?, ?, ?)"),
                         {++m_doteringId, klasseId, i + 1, amounts[i] * (c.discipline == 4 ? 2 : 1)});
            }

            // The class's entries: distinct combinations, split over its sections.
            std::vector<int> counts;
            int total = 0;
            for (size_t s = 0; s < c.sections.size(); ++s) {
                counts.push_back(starterCount());
                total += counts.back();
            }
            const int waiting = c.waitingList ? m_random.range(2, 6) : 0;
            total += waiting;
            const QList<int> chosen = chooseEquipages(std::min(total, int(m_equipages.size())));
            int taken = 0;
            const QDate day = firstDay.addDays(c.day);
            int firstSectionId = 0;
            QTime firstSectionTime;
            for (size_t s = 0; s <= c.sections.size(); ++s) {
                const bool isWaiting = s == c.sections.size();
                if (isWaiting && !c.waitingList)
                    break;
                QTime start = isWaiting ? firstSectionTime : nextStart.value(c.day * 100 + c.arena, QTime(8, 0));
                int count = isWaiting ? waiting : counts[s];
                if (!isWaiting && m_options.sections == 0) {
                    const int left = std::max(1, sectionsLeft[c.day * 100 + c.arena]--);
                    const int budget = std::max(0, start.secsTo(QTime(20, 30)) / 60) / left;
                    count = std::min(count, std::max(10, budget / std::max(1, c.interval)));
                }
                const QList<int> entries = chosen.mid(taken, count);
                taken += int(entries.size());
                const int minutes = c.interval * int(entries.size());
                if (!isWaiting)
                    nextStart[c.day * 100 + c.arena] = start.addSecs((minutes + 30) * 60);
                const int afdelingId = section(c, klasseId, isWaiting ? "V" : c.sections[s].initials, day,
                                               isWaiting ? 99 : c.arena, start, entries,
                                               isWaiting ? Progress::Waiting : c.sections[s].progress);
                if (!firstSectionId) {
                    firstSectionId = afdelingId;
                    firstSectionTime = start;
                }
            }
        }
    }

    int methodId(const char *name) const
    {
        for (const Method &m : kMethods) {
            if (qstrcmp(m.name, name) == 0)
                return m.id;
        }
        return 0;
    }

    QList<int> chooseEquipages(int count)
    {
        QList<int> all;
        for (int i = 0; i < m_equipages.size(); ++i)
            all << i;
        // Fisher-Yates with the seeded generator, so the draw is repeatable.
        for (int i = int(all.size()) - 1; i > 0; --i)
            std::swap(all[i], all[m_random.range(0, i)]);
        return all.mid(0, count);
    }

    int section(const ClassPlan &c, int klasseId, const char *initials, const QDate &day, int arena,
                const QTime &start, const QList<int> &entries, Progress progress)
    {
        const int afdelingId = ++m_afdelingId;
        const QDateTime begin(day, start);
        const QDateTime end = begin.addSecs(qint64(c.interval) * 60 * std::max<qsizetype>(1, entries.size()));
        // Eventing rides its dressage in the morning and the cross-country
        // and jumping from 13.00.
        const QDateTime runBegin = c.discipline == 4 ? QDateTime(day, QTime(13, 0)) : begin;
        const QDateTime runEnd = c.discipline == 4 ? runBegin.addSecs(end.toSecsSinceEpoch() - begin.toSecsSinceEpoch())
                                                   : end;
        const bool waitingList = qstrcmp(initials, "V") == 0;
        QVariant sponsor;
        QVariant honour;
        if (!waitingList) {
            if (m_random.chance(0.5))
                sponsor = pick(kSponsors);
            else if (m_random.chance(0.7))
                honour = QStringLiteral("Pokal fra %1").arg(pick(kSponsors));
        }
        exec(QStringLiteral("INSERT INTO tblAfdeling (AfdelingId, KlasseId, AfdelingInitialer, BaneNr, Dato, StarttidS, "
                            "SluttidS, Starttid, Sluttid, Sponsor, Aerespraemie, AntalPlaceringer, BevarStartTid, "
                            "StartInterval) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {afdelingId, klasseId, QString::fromUtf8(initials), arena,
              sqlDateTime(QDateTime(day, QTime(0, 0))), sqlDateTime(begin), sqlDateTime(end), sqlDateTime(runBegin),
              sqlDateTime(runEnd), sponsor, honour, waitingList ? 0 : c.fixedPlacings, c.keepStartTimes,
              c.interval * 60});

        if (!waitingList) {
            const int judgeCount = c.discipline == 3 ? 1 : c.judges;
            const QStringList positions = judgePositions(judgeCount);
            QList<int> pool = m_judges;
            for (int i = 0; i < positions.size(); ++i) {
                const int judge = pool.takeAt(m_random.range(0, int(pool.size()) - 1));
                exec(QStringLiteral("INSERT INTO tblAfdelingDommer (AfdelingDommerId, AfdelingId, OfficialId, Position, "
                                    "Raekkefoelge) VALUES (?, ?, ?, ?, ?)"),
                     {++m_afdelingDommerId, afdelingId, judge,
                      c.discipline == 3 ? QVariant(QString()) : QVariant(positions.at(i)), i + 1});
            }
            if (c.discipline != 2)
                exec(QStringLiteral("INSERT INTO tblAfdelingBanebygger (AfdelingBanebyggerId, AfdelingId, OfficialId) "
                                    "VALUES (?, ?, ?)"),
                     {++m_banebyggerId, afdelingId, m_courseDesigners.at(m_random.range(0, 2))});
        }

        // Teams of a team class: four riders where the field allows it.
        QList<int> teamIds;
        if (c.team && !waitingList) {
            const int teams = std::max<int>(2, int(entries.size()) / 4);
            for (int t = 0; t < teams; ++t) {
                const int id = ++m_teamId;
                exec(QStringLiteral("INSERT INTO tblAnmeldelseHold (AnmeldelseHoldId, KlasseId, StartNr, Hold) "
                                    "VALUES (?, ?, ?, ?)"),
                     {id, klasseId, t + 1,
                      QStringLiteral("%1 %2").arg(QString::fromUtf8(kClubs[t % std::size(kClubs)].name)).arg(t / 12 + 1)});
                teamIds << id;
            }
        }

        for (int i = 0; i < entries.size(); ++i) {
            const Equipage &e = m_equipages.at(entries.at(i));
            const int anmeldelseId = ++m_anmeldelseId;
            exec(QStringLiteral("INSERT INTO tblAnmeldelse (AnmeldelseId, KlasseId, AnmeldelseNr, RytterId, HestId, "
                                "KlubId, Kategori) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                 {anmeldelseId, klasseId, e.number, e.riderId, e.horseId, e.klubId,
                  m_random.chance(0.05) ? QStringLiteral("K2") : QStringLiteral("0")});
            const int startId = ++m_startId;
            const QDateTime time = (c.discipline == 4 ? runBegin : begin).addSecs(qint64(i) * c.interval * 60);
            const QString none = QStringLiteral("NEJ");
            exec(QStringLiteral("INSERT INTO tblStart (StartId, AfdelingId, AnmeldelseId, StartNr, SekundaerStartNr, "
                                "Bemaerkning, Starttid, StarttidDressur, Status, DiskDressur, DiskSpring) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 {startId, afdelingId, anmeldelseId, i + 1, m_random.chance(0.04) ? QVariant(1) : QVariant(),
                  m_random.chance(0.08) ? QVariant(pick(kRemarks)) : QVariant(), sqlDateTime(time),
                  c.discipline == 4 ? QVariant(sqlDateTime(begin.addSecs(qint64(i) * 7 * 60))) : QVariant(),
                  c.discipline == 4 ? QVariant(none) : QVariant(), c.discipline == 4 ? QVariant(none) : QVariant(),
                  c.discipline == 4 ? QVariant(none) : QVariant()});
            if (!teamIds.isEmpty())
                exec(QStringLiteral("INSERT INTO tblStartHold (StartHoldId, StartId, AnmeldelseHoldId) VALUES (?, ?, ?)"),
                     {++m_startHoldId, startId, teamIds.at(i % teamIds.size())});
        }

        if (m_ok && !waitingList)
            ride(afdelingId, progress, begin);
        return afdelingId;
    }

    // Rides what is over by now: everything of a finished section, about
    // half of one under way. Then withdraws a few of those still to come.
    void ride(int afdelingId, Progress progress, const QDateTime &begin)
    {
        riding::Section facts;
        if (!riding::loadSection(m_db, afdelingId, &facts)) {
            m_ok = false;
            return;
        }
        if (progress == Progress::Done) {
            while (m_ok && !riding::rideNext(m_db, m_random, facts, begin).isEmpty()) {
            }
            if (m_ok && !riding::placeSection(m_db, facts))
                m_ok = false;
        } else if (progress == Progress::Running && facts.ridden()) {
            const int starts = m_db.value(QStringLiteral("SELECT count(*) FROM tblStart WHERE AfdelingId = ?1"),
                                          {afdelingId})
                                   .toInt();
            // Eventing: every dressage test and half the cross-country.
            const int rides = facts.discipline == 4 ? starts + starts / 2 : starts / 2;
            for (int i = 0; i < rides && m_ok; ++i)
                riding::rideNext(m_db, m_random, facts, begin);
        }
        if (progress != Progress::Done) {
            SqliteStatement open(m_db, QStringLiteral("SELECT StartId FROM tblStart WHERE AfdelingId = ?1 "
                                                      "AND IFNULL(Status, 'NEJ') = 'NEJ' ORDER BY StartNr DESC"));
            open.addBind(afdelingId);
            QList<int> later;
            while (open.next())
                later << open.intValue(0);
            for (int startId : later) {
                if (m_random.chance(0.04))
                    exec(QStringLiteral("UPDATE tblStart SET Status = 'AFMELDT' WHERE StartId = ?"), {startId});
            }
        }
    }

    void updates()
    {
        const QDateTime base(m_firstDay.addDays(-60), QTime(9, 0));
        const int levels[] = {2010101, 2010201, 2010301, 2010401, 2010501};
        for (int i = 0; i < 5; ++i)
            exec(QStringLiteral("INSERT INTO tblOpdatering (OpdateringID, Dato, Beskrivelse) VALUES (?, ?, ?)"),
                 {levels[i], sqlDateTime(base.addDays(i * 7)), QStringLiteral("Opdatering %1").arg(levels[i])});
    }

    SqliteDatabase &m_db;
    DemoOptions m_options;
    Random m_random;
    QDate m_firstDay;
    int m_minStarters = 10;
    int m_maxStarters = 80;
    bool m_ok = true;
    std::map<QString, std::unique_ptr<SqliteStatement>> m_statements;

    QList<int> m_judges;
    QList<int> m_courseDesigners;
    int m_technicalDelegate = 0;
    QList<QPair<int, QString>> m_riders;
    QList<Equipage> m_equipages;

    int m_officialId = 0;
    int m_configId = 0;
    int m_klasseId = 0;
    int m_afdelingId = 0;
    int m_afdelingDommerId = 0;
    int m_banebyggerId = 0;
    int m_doteringId = 0;
    int m_teamId = 0;
    int m_anmeldelseId = 0;
    int m_startId = 0;
    int m_startHoldId = 0;
};

DemoSectionKind kindOf(int discipline, const QString &initials, const QString &type, int kur, int team)
{
    if (initials.compare(QLatin1String("V"), Qt::CaseInsensitive) == 0)
        return DemoSectionKind::WaitingList;
    if (discipline == 4)
        return DemoSectionKind::Eventing;
    if (discipline == 3)
        return riding::isChampionshipType(discipline, type) ? DemoSectionKind::ChampionshipJumping
                                                            : DemoSectionKind::Jumping;
    if (riding::isChampionshipType(discipline, type))
        return DemoSectionKind::ChampionshipDressage;
    if (team)
        return DemoSectionKind::Team;
    if (kur == 1)
        return DemoSectionKind::Kur;
    return DemoSectionKind::Dressage;
}

} // namespace

QString demoSchemaSql()
{
    QFile file(QStringLiteral(":/standin/schema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

bool generateDemoCompetition(const QString &file, const DemoOptions &options, QString *error)
{
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
        if (QFile::exists(file + suffix) && !QFile::remove(file + suffix))
            return fail(QStringLiteral("cannot replace %1").arg(file + suffix));
    }
    const QString schema = demoSchemaSql();
    if (schema.isEmpty())
        return fail(QStringLiteral("the schema is missing from the program's resources"));

    SqliteDatabase db;
    if (!db.open(file, true))
        return fail(db.lastError());
    // Write-ahead logging lets the station read while the simulator writes.
    if (!db.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !db.exec(schema))
        return fail(db.lastError());
    if (!db.transaction())
        return fail(db.lastError());
    Generator generator(db, options);
    if (!generator.run()) {
        const QString message = db.lastError();
        db.rollback();
        return fail(message.isEmpty() ? QStringLiteral("generation failed") : message);
    }
    if (!db.commit())
        return fail(db.lastError());
    return true;
}

QList<DemoSection> readDemoSections(const QString &file, int staevneId, QString *error)
{
    QList<DemoSection> sections;
    SqliteDatabase db;
    if (!QFile::exists(file) || !db.open(file, false)) {
        if (error)
            *error = db.isOpen() ? db.lastError() : QStringLiteral("cannot open %1").arg(file);
        return sections;
    }
    SqliteStatement query(db, QStringLiteral(
                                  "SELECT K.StaevneId, K.KlasseId, K.KlasseNr, K.Klasse, AF.AfdelingInitialer, "
                                  "AF.BaneNr, K.DiciplinId, K.KlasseTypeId, AF.AfdelingId, K.Kur, K.HoldKlasse, "
                                  "(SELECT count(*) FROM tblStart AS ST WHERE ST.AfdelingId = AF.AfdelingId "
                                  " AND ST.Slettet IS NULL) "
                                  "FROM tblKlasse AS K INNER JOIN tblAfdeling AS AF ON K.KlasseId = AF.KlasseId "
                                  "WHERE K.StaevneId = ?1 "
                                  "ORDER BY AF.BaneNr, AF.Dato, K.KlasseNr, AF.AfdelingInitialer"));
    query.addBind(staevneId);
    while (query.next()) {
        DemoSection s;
        s.staevneId = query.intValue(0);
        s.klasseId = query.intValue(1);
        s.klasseNr = query.intValue(2);
        s.klasse = query.textValue(3);
        s.afdeling = query.textValue(4).trimmed();
        s.bane = query.intValue(5);
        s.diciplinId = query.intValue(6);
        s.klasseTypeId = query.textValue(7);
        s.afdelingId = query.intValue(8);
        s.kind = kindOf(s.diciplinId, s.afdeling, s.klasseTypeId, query.intValue(9), query.intValue(10));
        s.starters = query.intValue(11);
        sections << s;
    }
    if (!query.ok() && error)
        *error = db.lastError();
    return sections;
}

const DemoSection *firstDemoSection(const QList<DemoSection> &sections, DemoSectionKind kind)
{
    for (const DemoSection &s : sections) {
        if (s.kind == kind)
            return &s;
    }
    return nullptr;
}

bool writeDemoClubLogos(const QString &dir, QString *error)
{
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot make the folder %1").arg(dir);
        return false;
    }
    for (const auto &logo : kClubLogos) {
        QSaveFile file(QDir(dir).filePath(QString::fromLatin1(logo.club) + QLatin1String(".png")));
        if (!file.open(QIODevice::WriteOnly) || file.write(pngBytes(drawLogo(logo.colours))) < 0 || !file.commit()) {
            if (error)
                *error = QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
            return false;
        }
    }
    return true;
}

} // namespace standin

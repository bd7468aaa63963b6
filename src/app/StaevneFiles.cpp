#include "app/StaevneFiles.h"
#include "database/FileNamePart.h"

#include "views/HtmlText.h"
#include "files/ProgramVersion.h"
#include "files/WholeFile.h"
#include "publish/PathJoin.h"

namespace {


QString number(int n)
{
    return QString::number(n);
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

const char PageTail[] = "</ul>\n</body>\n</html>\n";

} // namespace

StaevneFiles::StaevneFiles(const Competition &competition, const Style &style)
    : m_competition(competition)
    , m_style(style)
{
}

QString StaevneFiles::localAddress(const QString &page)
{
    return paths::localServerAddress() + page;
}

QStringList StaevneFiles::addressesToAdd(const QStringList &existing, const QStringList &candidates)
{
    QStringList list = existing;
    QStringList added;
    for (const QString &candidate : candidates) {
        bool present = false;
        for (const QString &entry : std::as_const(list)) {
            if (entry.startsWith(candidate, Qt::CaseInsensitive)) {
                present = true;
                break;
            }
        }
        if (!present) {
            list << candidate;
            added << candidate;
        }
    }
    return added;
}

void StaevneFiles::addSection(const Section &s)
{
    const QString klasseNr = number(s.klasseNr);
    const QString page = QStringLiteral("klasse%1_%2.html").arg(klasseNr, s.afdeling);

    // Manifest: a key=value line per section, waiting lists included.
    m_manifestLines += page + QLatin1Char('=') + number(s.bane) + QLatin1Char(';') + s.dag + QLatin1Char(' ')
                       + s.start + QLatin1String(" - ") + s.slut + QLatin1Char(';') + klasseNr + QLatin1Char(' ')
                       + s.klasse + QLatin1Char(' ') + s.afdeling + QLatin1Char('\n');

    if (!s.isWaitingList()) {
        const QString href = html::escape(page);
        // Start page: one list per arena, opened by a link to its active class.
        if (s.bane != m_lastBane) {
            if (m_lastBane != -1)
                m_startPageBody += QLatin1String("</ul>\n");
            m_startPageBody += QStringLiteral("<ul><h3><A HREF=\"bane%1.html\">Bane %2 - Vis Aktuelle klasse</A></H3>\n")
                                   .arg(number(s.bane), number(s.bane));
        }
        m_startPageBody += QLatin1String("<ul>") + QStringLiteral("<A HREF=\"%1\">").arg(href) + klasseNr
                           + QLatin1Char(' ') + html::escape(s.klasse) + QLatin1Char(' ') + html::escape(s.afdeling)
                           + QLatin1Char(' ') + html::escape(s.dag) + QLatin1Char(' ') + html::escape(s.start)
                           + QLatin1String(" - ") + html::escape(s.slut) + QLatin1String("</A>") + QLatin1String("</ul>\n");

        addToPausePage(s, href);
    }

    m_addresses << localAddress(QStringLiteral("bane%1.html").arg(number(s.bane)));
    if (s.diciplinId == 3)
        m_addresses << localAddress(QStringLiteral("oversigt%1.html").arg(number(s.bane)));
    if (!m_arenas.contains(s.bane))
        m_arenas << s.bane;
    if (!s.isWaitingList())
        m_lastBane = s.bane;

    switch (s.flag) {
    case Flag::Dressur:
        m_dressur = true;
        break;
    case Flag::Spring:
        m_spring = true;
        break;
    case Flag::Military:
        m_military = true;
        break;
    case Flag::None:
        break;
    }
}

void StaevneFiles::addToPausePage(const Section &s, const QString &href)
{
    // Pause page: a new arena starts a page of its own. An arena that
    // comes back later starts its page afresh, as a rewrite would.
    if (s.bane != m_lastBane) {
        const QString name = QStringLiteral("klasse0_%1.html").arg(number(s.bane));
        for (int i = 0; i < m_pausePages.size(); ++i) {
            if (m_pausePages.at(i).first == name) {
                m_pausePages.removeAt(i);
                break;
            }
        }
        m_pausePages.append(qMakePair(name, pausePageHead(s.bane)));
    }
    m_pausePages.last().second += QLatin1String("<ul>") + html::escape(s.dag) + QLatin1Char(' ')
                                  + html::escape(s.start) + QLatin1String(" - ") + html::escape(s.slut)
                                  + QLatin1String("&nbsp;&nbsp;") + QStringLiteral("<A HREF=\"%1\">").arg(href)
                                  + number(s.klasseNr) + QLatin1String("&nbsp;") + html::escape(s.klasse)
                                  + QLatin1String("&nbsp;") + html::escape(s.afdeling) + QLatin1String("</A>")
                                  + QLatin1String("</ul>\n");
}

QString StaevneFiles::manifestName() const
{
    return m_competition.zepNr + QLatin1String(".cfg");
}

QByteArray StaevneFiles::manifest() const
{
    const Competition &c = m_competition;
    QString text = QLatin1String("Klub=") + c.klub + QLatin1Char('\n') + QLatin1String("KlubId=") + c.klubId
                   + QLatin1Char('\n') + QLatin1String("ZEPStaevneId=") + c.zepNr + QLatin1Char('\n')
                   + QLatin1String("Staevne=") + c.navn + QLatin1Char('\n') + QLatin1String("StaevneType=") + c.type
                   + QLatin1Char('\n') + QLatin1String("Version=") + QLatin1String(ProgramVersion) + QLatin1Char('\n');
    text += m_manifestLines;
    text += QLatin1String("dressurStaevne=") + flag(m_dressur) + QLatin1Char('\n') + QLatin1String("springStaevne=")
            + flag(m_spring) + QLatin1Char('\n') + QLatin1String("militaryStaevne=") + flag(m_military)
            + QLatin1Char('\n') + QLatin1String("startDato=") + c.startDato + QLatin1Char('\n')
            + QLatin1String("slutDato=") + c.slutDato + QLatin1Char('\n');
    return text.toUtf8();
}

QByteArray StaevneFiles::startPage() const
{
    const Competition &c = m_competition;
    const QString navn = html::escape(c.navn);
    QString text = QLatin1String("<html>\n<head>\n")
                   + QLatin1String("<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n")
                   + QStringLiteral("<title>%1</title>\n").arg(navn) + QLatin1String("<LINK href=\"") + m_style.css
                   + QLatin1String("\" rel=\"stylesheet\" type=\"text/css\">") + QLatin1String("</head>\n ")
                   + QLatin1String("<body bgcolor=\"") + m_style.background + QLatin1String("\">")
                   + QLatin1String("<center><h1>") + navn + QLatin1String("</h1>\n") + QLatin1String("<h2>")
                   + html::escape(c.startDato) + QLatin1String(" - ") + html::escape(c.slutDato)
                   + QLatin1String("</h2>\n") + QLatin1String("</center>\n");
    text += m_startPageBody;
    if (m_lastBane != -1)
        text += QLatin1String("</ul>\n");
    text += QLatin1String("</body>\n</html>\n");
    return text.toUtf8();
}

QString StaevneFiles::pausePageHead(int bane) const
{
    const Competition &c = m_competition;
    return QLatin1String("<html>\n<head>\n") + QLatin1String("<META http-equiv=\"refresh\" content=\" ")
           + m_style.refresh + QLatin1String("\"> \n")
           + QLatin1String("<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n")
           + QStringLiteral("<title>Pause Bane %1</title>\n").arg(number(bane)) + QLatin1String("<LINK href=\"")
           + m_style.css + QLatin1String("\" rel=\"stylesheet\" type=\"text/css\">") + QLatin1String("</head>\n ")
           + QLatin1String("<body bgcolor=\"") + m_style.background + QLatin1String("\">\n")
           + QLatin1String("<center><h1>") + QLatin1String("<A HREF=\"/") + html::escape(c.zepNr)
           + QLatin1String("\" >") + html::escape(c.navn) + QLatin1String("</A>") + QLatin1String("</h1>\n")
           + QLatin1String("<h2>") + html::escape(c.startDato) + QLatin1String(" - ") + html::escape(c.slutDato)
           + QLatin1String("</h2>\n") + QLatin1String("<br>") + QLatin1String("<H1>Tidsplan Bane ") + number(bane)
           + QLatin1String("</H1><br>\n") + QLatin1String("</center>\n") + QLatin1String("<ul>\n");
}

QList<QPair<QString, QByteArray>> StaevneFiles::pausePages() const
{
    QList<QPair<QString, QByteArray>> pages;
    for (const auto &page : m_pausePages)
        pages.append(qMakePair(page.first, (page.second + QLatin1String(PageTail)).toUtf8()));
    return pages;
}

QByteArray StaevneFiles::pausePage(int bane) const
{
    return (pausePageHead(bane) + QLatin1String(PageTail)).toUtf8();
}

QString StaevneFiles::arenaList() const
{
    QStringList arenas;
    for (int bane : m_arenas)
        arenas << number(bane);
    return arenas.join(QLatin1Char(','));
}

QStringList StaevneFiles::addresses() const
{
    QStringList list = m_addresses;
    if (!m_arenas.isEmpty())
        list << localAddress(QStringLiteral("baner.php?bane=%1&min=1").arg(arenaList()));
    return list;
}

bool writeOutputFile(const QString &root, const QString &name, const QByteArray &bytes,
                     const std::function<void(int, const QString &)> &log)
{
    // Names carry database text (federation number, club id).
    if (!paths::isSafeFileNamePart(name)) {
        if (log)
            log(1, QStringLiteral("Filnavnet \"%1\" afvises: kun bogstaver, tal, \"-\", \"_\" og \".\" må indgå").arg(name));
        return false;
    }
    const QString path = root + QLatin1Char('/') + name;
    QString error;
    if (writeWholeFile(path, bytes, &error))
        return true;
    if (log)
        log(1, QStringLiteral("Kunne ikke skrive %1: %2").arg(path, error));
    return false;
}

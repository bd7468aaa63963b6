#include "settings/appConfig.h"

#include "files/WholeFile.h"

#include <QFile>
#include <QFileInfo>

#include "settings/appConfigHandler.h"

namespace {
const QString defaultFileName = QStringLiteral("appCfg.xml");

// Characters an XML 1.0 document cannot carry, not even as a reference.
bool isXmlForbidden(char32_t c)
{
    if (c < 0x20)
        return c != 0x09 && c != 0x0A && c != 0x0D;
    if (c >= 0xD800 && c <= 0xDFFF)
        return true;
    return c == 0xFFFE || c == 0xFFFF;
}
} // namespace

appConfig::appConfig(QObject *parent, const QString &fileName)
    : QObject(parent)
    , m_fileName(fileName.isEmpty() ? defaultFileName : fileName)
{
}

QString appConfig::getValue(const QString &key, const QString &def) const
{
    const auto it = m_properties.constFind(key);
    return it == m_properties.constEnd() ? def : it->value;
}

int appConfig::intervalValue(const QString &key, int def, QString *warning) const
{
    if (warning)
        warning->clear();
    const QString text = getValue(key, QString::number(def)).trimmed();
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok && value > 0)
        return value;
    if (warning) {
        *warning = tr("Indstillingen %1 (\"%2\") er ikke et positivt antal millisekunder; %3 bruges")
                       .arg(key, text, QString::number(def));
    }
    return def;
}

bool appConfig::setValue(const QString &key, const QString &value)
{
    auto it = m_properties.find(key);
    if (it != m_properties.end()) {
        it->value = value;
        return true;
    }
    appConfigProperty property;
    property.group = groupOfKey(key);
    property.name = nameOfKey(key);
    property.type = QStringLiteral("string");
    property.value = value;
    m_properties.insert(key, property);
    emit logMessage(2, tr(" Add new property %1 -> %2 # %3 # %4")
                           .arg(key, property.group, property.name, value));
    return false;
}

QString appConfig::groupOfKey(const QString &key)
{
    return key.section(QLatin1Char('.'), 0, -2);
}

QString appConfig::nameOfKey(const QString &key)
{
    return key.section(QLatin1Char('.'), -1, -1);
}

bool appConfig::readConfig()
{
    appConfigHandler handler;
    QFile file(m_fileName);
    bool ok = false;
    if (file.open(QIODevice::ReadOnly)) {
        ok = handler.parse(&file);
    } else {
        // No input at all fails like a malformed document.
        handler.fatalError(file.errorString(), 0, 0);
    }
    if (!ok) {
        // Remember that the file on disk is not ours to overwrite blindly:
        // the first save keeps a copy of it (see writeConfig).
        m_unreadableFile = file.exists();
        m_readError = handler.errorText().simplified();
        emit logMessage(1, tr("Parse Error Reading ") + m_fileName + QLatin1Char('\n')
                               + handler.errorText() + QLatin1Char('\n'));
        return false;
    }
    m_unreadableFile = false;
    m_readError.clear();
    m_properties = handler.properties();
    return true;
}

QString appConfig::escape(const QString &text, QString *dropped)
{
    QString out;
    out.reserve(text.size() + 16);
    const QList<uint> codePoints = text.toUcs4();
    for (const uint cp : codePoints) {
        const char32_t c = cp;
        if (isXmlForbidden(c)) {
            if (dropped)
                dropped->append(QStringLiteral("U+%1 ").arg(uint(c), 4, 16, QLatin1Char('0')));
            continue;
        }
        switch (c) {
        case U'&': out += QLatin1String("&amp;"); break;
        case U'<': out += QLatin1String("&lt;"); break;
        case U'>': out += QLatin1String("&gt;"); break;
        case U'\'': out += QLatin1String("&apos;"); break;
        case U'"': out += QLatin1String("&quot;"); break;
        // A raw carriage return would come back as a line feed.
        case U'\r': out += QLatin1String("&#13;"); break;
        default:
            if (c > 0xFF)
                out += QStringLiteral("&#%1;").arg(uint(c));
            else
                out += QChar(char16_t(c));
        }
    }
    return out;
}

QByteArray appConfig::toXml()
{
    QString xml;
    xml += QLatin1String("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n");
    xml += QLatin1String("<!DOCTYPE cfg >\n");
    xml += QLatin1String("<configuration>\n");
    xml += QLatin1String(" <properties>\n");
    for (auto it = m_properties.cbegin(); it != m_properties.cend(); ++it) {
        QString dropped;
        const appConfigProperty &p = it.value();
        xml += QLatin1String("  <property group=\"") + escape(p.group, &dropped)
            + QLatin1String("\" name=\"") + escape(p.name, &dropped)
            + QLatin1String("\" type=\"") + escape(p.type, &dropped)
            + QLatin1String("\" >") + escape(p.value, &dropped)
            + QLatin1String("</property>\n");
        if (!dropped.isEmpty())
            emit logMessage(1, tr("Indstillingen %1: tegn udeladt, som indstillingsfilen ikke kan rumme: %2")
                                   .arg(it.key(), dropped.trimmed()));
    }
    xml += QLatin1String(" </properties>\n");
    xml += QLatin1String("</configuration>\n");
    // Every character left is Latin-1 after escaping.
    return xml.toLatin1();
}

bool appConfig::writeConfig(QString fileName)
{
    if (fileName.isEmpty())
        fileName = m_fileName;

    if (m_unreadableFile && fileName == m_fileName && QFile::exists(m_fileName)) {
        // The file could not be read at start-up, so the store holds only
        // what was set since. Keep the operator's file before replacing it.
        const QString backup = m_fileName + QLatin1String(".bak");
        QFile::remove(backup);
        if (!QFile::copy(m_fileName, backup)) {
            emit logMessage(1, tr("Kunne ikke gemme en kopi af den ulæselige indstillingsfil %1 som %2; intet gemt")
                                   .arg(m_fileName, backup));
            return false;
        }
        // In full in the log; the status bar has room for a short line.
        emit logMessage(1, tr("Indstillingsfilen %1 kunne ikke læses ved start; en kopi er gemt som %2")
                               .arg(m_fileName, backup));
        emit logMessage(3, tr("Ulæselig indstillingsfil gemt som %1").arg(QFileInfo(backup).fileName()));
        m_unreadableFile = false;
    }

    QString error;
    if (!writeWholeFile(fileName, toXml(), &error)) {
        emit logMessage(1, tr("Kunne ikke skrive indstillingsfilen %1: %2").arg(fileName, error));
        return false;
    }
    return true;
}

void appConfig::removeInterruptedWrites()
{
    removeInterruptedWritesOf(m_fileName, [this](int level, const QString &text) { emit logMessage(level, text); });
}

void appConfig::logMessageForward(int level, const QString &text)
{
    emit logMessage(level, text);
}

#include "settings/appConfigHandler.h"

#include <QCoreApplication>
#include <QXmlStreamReader>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("appConfigHandler", text);
}
} // namespace

bool appConfigHandler::parse(QIODevice *device)
{
    QXmlStreamReader reader(device);
    while (!reader.atEnd()) {
        bool goOn = true;
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            goOn = startDocument();
            break;
        case QXmlStreamReader::StartElement:
            goOn = startElement(reader.qualifiedName().toString(), reader.attributes());
            break;
        case QXmlStreamReader::Characters:
            goOn = characters(reader.text().toString());
            break;
        case QXmlStreamReader::EndElement:
            goOn = endElement(reader.qualifiedName().toString());
            break;
        default:
            break;
        }
        if (!goOn) {
            fatalError(errorString(), reader.lineNumber(), reader.columnNumber());
            return false;
        }
    }
    if (reader.hasError()) {
        fatalError(reader.errorString(), reader.lineNumber(), reader.columnNumber());
        return false;
    }
    return true;
}

bool appConfigHandler::startDocument()
{
    m_current = appConfigProperty();
    m_text.clear();
    return true;
}

bool appConfigHandler::startElement(const QString &qName, const QXmlStreamAttributes &attributes)
{
    const QString element = qName.toUpper();
    if (element == QLatin1String("CONFIGURATION")) {
        m_current = appConfigProperty();
    } else if (element == QLatin1String("PROPERTY")) {
        // Attribute names are matched in lower case only.
        if (!attributes.hasAttribute(QLatin1String("name")) || !attributes.hasAttribute(QLatin1String("type"))
            || !attributes.hasAttribute(QLatin1String("group"))) {
            m_errorText += tr("Missing group, name or type");
            return false;
        }
        m_current = appConfigProperty();
        m_current.group = attributes.value(QLatin1String("group")).toString();
        m_current.name = attributes.value(QLatin1String("name")).toString();
        m_current.type = attributes.value(QLatin1String("type")).toString();
    }
    m_text.clear();
    return true;
}

bool appConfigHandler::characters(const QString &text)
{
    // Indentation between elements starts with a line feed and is dropped.
    // A carriage return cannot start it: the parser turns a raw one into a
    // line feed, so a leading one comes from the writer's "&#13;" and belongs
    // to the value.
    if (!text.isEmpty() && text.at(0) != QLatin1Char('\n'))
        m_text += text;
    return true;
}

bool appConfigHandler::endElement(const QString &qName)
{
    if (qName.toUpper() == QLatin1String("PROPERTY")) {
        m_current.value = m_text;
        m_properties.insert(m_current.group + QLatin1Char('.') + m_current.name, m_current);
    }
    m_text.clear();
    return true;
}

QString appConfigHandler::errorString() const
{
    return QStringLiteral(" The document is not in the correct file format");
}

void appConfigHandler::fatalError(const QString &message, qint64 line, qint64 column)
{
    m_errorText += QStringLiteral("\nfatal parsing error: %1 in line %2, column %3\n")
                       .arg(message, QString::number(line), QString::number(column));
}

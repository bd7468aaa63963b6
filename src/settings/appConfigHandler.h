#pragma once

#include <QMap>
#include <QString>
#include <QXmlStreamAttributes>

#include "settings/appConfig.h"

class QIODevice;

// Reader of the settings file. It keeps the states of an event handler
// (current property, gathered text, error text, the properties read) and is
// driven by QXmlStreamReader through parse(); the event operations are public
// so that their rules can be exercised one by one.
class appConfigHandler
{
public:
    appConfigHandler() = default;

    // Parses the whole document; false on a malformed document or on a
    // property without its group, name or type attribute.
    bool parse(QIODevice *device);

    bool startDocument();
    bool startElement(const QString &qName, const QXmlStreamAttributes &attributes);
    bool characters(const QString &text);
    bool endElement(const QString &qName);
    QString errorString() const;
    void fatalError(const QString &message, qint64 line, qint64 column);

    QString errorText() const { return m_errorText; }
    const QMap<QString, appConfigProperty> &properties() const { return m_properties; }

private:
    appConfigProperty m_current;
    QString m_text;
    QString m_errorText;
    QMap<QString, appConfigProperty> m_properties;
};

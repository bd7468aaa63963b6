#pragma once

#include <QMap>
#include <QObject>
#include <QString>

class QIODevice;

// One setting: four texts in the order the settings file carries them.
struct appConfigProperty
{
    QString group = QStringLiteral("none");
    QString name = QStringLiteral("none");
    QString type = QStringLiteral("none");
    QString value;
};

// The station's one settings store. Every component reads its settings here
// at the point of use, passing its own default; nothing is cached elsewhere.
// The store keeps the settings in memory and loads/saves them as one XML file
// in ISO-8859-1 (see appConfigHandler for the reader).
class appConfig : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(appConfig)

public:
    appConfig(QObject *parent, const QString &fileName);

    QString getValue(const QString &key, const QString &def) const;
    // A timer interval in milliseconds. A stored value that is not a
    // positive whole number would make a timer fire without pause (0) or
    // never (negative), so it gives `def`, and `warning` (when given) says
    // why in the log's words; otherwise `warning` is left empty.
    int intervalValue(const QString &key, int def, QString *warning = nullptr) const;
    bool setValue(const QString &key, const QString &value);

    bool readConfig();
    bool writeConfig(QString fileName = QString());
    // Removes what saves of the settings file killed before their rename
    // left beside it (removeInterruptedWritesOf in files/WholeFile.h),
    // logging each; an operator's copies of the file stay.
    void removeInterruptedWrites();

    QString fileName() const { return m_fileName; }
    // True once a read of the settings file has failed and the file has not
    // been kept aside yet (see writeConfig).
    bool hasUnreadableFile() const { return m_unreadableFile; }
    // Why the last readConfig failed, in the reader's words on one line;
    // empty after a read that succeeded.
    QString readError() const { return m_readError; }
    const QMap<QString, appConfigProperty> &properties() const { return m_properties; }

    // The file's bytes for the current map; writeConfig stores exactly this.
    QByteArray toXml();
    // Escapes one text for the file. Characters outside ISO-8859-1 become
    // numeric character references; characters XML cannot carry are left
    // out and reported through `dropped`.
    static QString escape(const QString &text, QString *dropped = nullptr);

    // Key splitting of setValue: group is everything before the last ".",
    // name everything after it.
    static QString groupOfKey(const QString &key);
    static QString nameOfKey(const QString &key);

signals:
    void logMessage(int level, const QString &text);

public slots:
    void logMessageForward(int level, const QString &text);

private:
    QString m_fileName;
    QMap<QString, appConfigProperty> m_properties;
    bool m_unreadableFile = false;
    QString m_readError;
};

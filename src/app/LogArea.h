#pragma once

#include <QSplitter>
#include <QString>

class appConfig;
class HistoryLineEdit;
class QPlainTextEdit;

// The log tab: in debug mode ("debug.show") the raw view of level-0 lines,
// the log view and the command row with its "Clear" button; otherwise the
// log view and a "Gem .." button that saves it. Lines are stamped with the
// time of day. Both views keep the last "debug.info.maxLines" lines (default
// 5000) and no undo history.
class LogArea : public QSplitter
{
    Q_OBJECT
    Q_DISABLE_COPY(LogArea)

public:
    // Whether the settings ask for a log tab at all.
    static bool wanted(const appConfig &cfg);

    LogArea(const appConfig &cfg, QWidget *parent);

    QString title() const { return m_title; }
    bool isDebugMode() const { return m_raw != nullptr; }
    // Level 0 goes to the raw view (dropped without one), every other level
    // to the log view.
    void append(int level, const QString &text);
    // Appends a line as it stands (the window's own logMessage signal).
    void appendPlain(const QString &text);
    void clear();
    QString text() const;
    // Writes the log under a short head naming the competition and version.
    // False when the file cannot be written (the old file stays).
    bool saveTo(const QString &fileName, const QString &staevneNavn, const QString &version) const;

signals:
    void clearRequested();
    void saveRequested();

private:
    void buildDebugRow();
    void buildSaveRow();

    QPlainTextEdit *m_raw = nullptr;
    QPlainTextEdit *m_info = nullptr;
    HistoryLineEdit *m_cmdLine = nullptr;
    QString m_title;
};

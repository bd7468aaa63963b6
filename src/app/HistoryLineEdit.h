#pragma once

#include <QLineEdit>
#include <QStringList>

// The debug tab's command line: a line edit that remembers what was entered,
// newest first and without duplicates, and walks that history with Up/Down.
class HistoryLineEdit : public QLineEdit
{
    Q_OBJECT
    Q_DISABLE_COPY(HistoryLineEdit)

public:
    HistoryLineEdit(QWidget *parent, const QString &name);

    QStringList history() const { return m_history; }
    void clearHistory() { m_history.clear(); }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QStringList m_history;
};

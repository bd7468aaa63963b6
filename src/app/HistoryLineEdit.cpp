#include "app/HistoryLineEdit.h"

#include <QKeyEvent>

HistoryLineEdit::HistoryLineEdit(QWidget *parent, const QString &name)
    : QLineEdit(parent)
{
    setObjectName(name);
}

void HistoryLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->isAutoRepeat()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
        if (!m_history.isEmpty()) {
            const qsizetype i = m_history.indexOf(text());
            // One older; from the oldest (or an unknown line) back to the newest.
            setText(i >= 0 && i < m_history.size() - 1 ? m_history.at(i + 1) : m_history.first());
        }
        break;
    case Qt::Key_Down:
        if (!m_history.isEmpty()) {
            const qsizetype i = m_history.indexOf(text());
            setText(i > 0 ? m_history.at(i - 1) : m_history.last());
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_history.removeAll(text());
        m_history.prepend(text());
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

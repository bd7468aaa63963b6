#include "app/LogArea.h"
#include "files/WholeFile.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>

#include "app/HistoryLineEdit.h"
#include "settings/appConfig.h"

namespace {
bool isOn(const appConfig &cfg, const char *key, const char *fallback)
{
    return cfg.getValue(QLatin1String(key), QLatin1String(fallback)).toInt() != 0;
}

QString timePrefix()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss : "));
}
} // namespace

bool LogArea::wanted(const appConfig &cfg)
{
    return isOn(cfg, "debug.show", "0") || isOn(cfg, "log.show", "1");
}

LogArea::LogArea(const appConfig &cfg, QWidget *parent)
    : QSplitter(Qt::Vertical, parent)
{
    setObjectName(QStringLiteral("top"));
    const bool debugMode = isOn(cfg, "debug.show", "1");
    // A station logs all day: each view keeps its last lines only, and
    // nothing to undo (its undo history would hold every line ever shown).
    const int maxLines = cfg.getValue(QStringLiteral("debug.info.maxLines"), QStringLiteral("5000")).toInt();
    const auto makeView = [this, maxLines](const QString &name) {
        auto *view = new QPlainTextEdit(this);
        view->setObjectName(name);
        view->setReadOnly(true);
        view->setUndoRedoEnabled(false);
        view->setMaximumBlockCount(maxLines);
        return view;
    };
    if (debugMode) {
        m_raw = makeView(QStringLiteral("rawText"));
        m_raw->appendPlainText(QStringLiteral("test"));
    }
    m_info = makeView(QStringLiteral("infoText"));
    m_info->appendPlainText(QStringLiteral("Start Log"));
    m_info->appendPlainText(QStringLiteral("HOME DIR PATH: %1").arg(QDir::homePath()));

    if (debugMode) {
        buildDebugRow();
        m_title = cfg.getValue(QStringLiteral("debug.title"), tr("&Debug"));
    } else {
        buildSaveRow();
        m_title = cfg.getValue(QStringLiteral("log.title"), tr("&Log"));
    }
}

void LogArea::buildDebugRow()
{
    auto *container = new QWidget(this);
    container->setObjectName(QStringLiteral("debugCmdContainer"));
    auto *row = new QHBoxLayout(container);
    row->setContentsMargins(0, 0, 0, 0);
    m_cmdLine = new HistoryLineEdit(container, QStringLiteral("cmdLine"));
    row->addWidget(m_cmdLine, 10);
    auto *clearButton = new QPushButton(QStringLiteral("Clear"), container);
    clearButton->setObjectName(QStringLiteral("Clear"));
    row->addWidget(clearButton, 1);
    // The command row keeps its size when the window is resized; the views
    // above it take the room.
    setStretchFactor(indexOf(m_raw), 1);
    setStretchFactor(indexOf(m_info), 1);
    setStretchFactor(indexOf(container), 0);
    connect(clearButton, &QPushButton::pressed, this, &LogArea::clearRequested);
}

void LogArea::buildSaveRow()
{
    auto *container = new QWidget(this);
    container->setObjectName(QStringLiteral("logContainer"));
    auto *row = new QHBoxLayout(container);
    row->setContentsMargins(0, 0, 0, 0);
    auto *save = new QPushButton(tr("Gem .."), container);
    save->setObjectName(QStringLiteral("Gem"));
    row->addWidget(save);
    row->addStretch(1);
    connect(save, &QPushButton::clicked, this, &LogArea::saveRequested);
}

void LogArea::append(int level, const QString &text)
{
    if (level != 0)
        m_info->appendPlainText(timePrefix() + text);
    else if (m_raw)
        m_raw->appendPlainText(timePrefix() + text);
}

void LogArea::appendPlain(const QString &text)
{
    if (m_raw)
        m_info->appendPlainText(text);
}

void LogArea::clear()
{
    if (m_raw)
        m_raw->clear();
    m_info->clear();
    if (m_cmdLine)
        m_cmdLine->clearHistory();
}

QString LogArea::text() const
{
    return m_info->toPlainText();
}

bool LogArea::saveTo(const QString &fileName, const QString &staevneNavn, const QString &version) const
{
    const QString text = QStringLiteral("Stævne: ") + staevneNavn + QLatin1Char('\n') + QStringLiteral("Version:")
                         + version + QLatin1Char('\n') + QStringLiteral("Log:\n") + m_info->toPlainText()
                         + QLatin1Char('\n');
    return writeWholeFile(fileName, text.toUtf8(), nullptr);
}

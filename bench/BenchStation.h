#pragma once

// What the benchmarks that run a whole station window share: a window that
// answers its notices without a dialog, a free port, and the demo
// competition generated into a file.

#include "app/MainWidget.h"
#include "demo/DemoCompetition.h"

#include <QTcpServer>

#include <cstdio>

namespace benchfx {

// Answers the window's notices without a dialog.
class BenchWindow : public MainWidget
{
public:
    using MainWidget::MainWidget;

protected:
    void showChampionshipNotice(const QString &) override {}
};

inline QString freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return QString::number(probe.serverPort());
}

// Generates the demo competition into `file`; false, with the reason on
// standard error, when it cannot.
inline bool generateDemo(const QString &file, const standin::DemoOptions &options = standin::DemoOptions())
{
    QString error;
    if (standin::generateDemoCompetition(file, options, &error))
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return false;
}

} // namespace benchfx

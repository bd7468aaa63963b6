#pragma once

// What the window, loading, server and settings tests share: files in and
// out, a settings file, a free port, the titles of a tab widget and a host
// of fixed addresses for the window's look-up.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTabWidget>
#include <QTcpServer>

#include "app/MainWidget.h"
#include "settings/appConfig.h"

namespace stationfx {

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes `bytes` to `path`, making its folder first.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline bool writeSettings(const QString &path, const QMap<QString, QString> &values)
{
    appConfig cfg(nullptr, path);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        cfg.setValue(it.key(), it.value());
    return cfg.writeConfig();
}

inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

inline QStringList tabTitles(const QTabWidget *tabs)
{
    QStringList titles;
    for (int i = 0; tabs && i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

inline HostAddresses ringsideHost()
{
    return {QStringLiteral("ringside"), true, {QHostAddress(QStringLiteral("192.0.2.10"))}, {}};
}

} // namespace stationfx

#pragma once

// What the window, loading, server and settings tests share: files in and
// out, a settings file, a free port, the station's server on 127.0.0.1, the
// titles of a tab widget and a host of fixed addresses for the window's
// look-up.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTabWidget>
#include <QTcpServer>

#include <functional>
#include <memory>

#include "app/MainWidget.h"
#include "publish/HttpDaemon.h"
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

// A port of 127.0.0.1 that was free a moment ago: it is let go before it
// is returned, so another program may take it before it is used, and its
// user must try another at once when it is taken.
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// While it lives, the station windows of the test program serve on
// 127.0.0.1 alone, on a port the system chooses as the server binds,
// whatever "http.port" asks, so that no other program can take it first
// (httpServer()->serverPort() tells it). `asked` is the port the last
// server was asked for.
class LoopbackServers
{
public:
    LoopbackServers()
    {
        MainWidget::setHttpServerMaker([this](QObject *parent, quint16 port, const QString &root) {
            asked = port;
            return new HttpDaemon(parent, m_keepAskedPort ? port : 0, root, QHostAddress::LocalHost);
        });
    }
    ~LoopbackServers() { MainWidget::setHttpServerMaker({}); }
    Q_DISABLE_COPY(LoopbackServers)

    quint16 asked = 0;

    // A window made on `values` written to the settings file `file`, for a
    // test that must know the port before the window is made (its client
    // fetches the station's own pages from the start): its server listens
    // on a port picked for it, which "http.port" names and which stands
    // for "%port" in the other values. Should another program take the
    // port between its pick and the server's bind, the window is made again
    // at once on another. Null when the settings cannot be written or no
    // pick could be bound.
    template <class Window = MainWidget>
    std::unique_ptr<Window> openOnPickedPort(const QString &file, const QMap<QString, QString> &values,
                                             const QString &name, quint16 *port,
                                             const std::function<quint16()> &pick = freePort)
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            *port = pick();
            const QString number = QString::number(*port);
            QMap<QString, QString> settings;
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                settings.insert(it.key(), QString(it.value()).replace(QLatin1String("%port"), number));
            settings.insert(QStringLiteral("http.port"), number);
            if (!writeSettings(file, settings))
                return nullptr;
            m_keepAskedPort = true;
            auto window = std::make_unique<Window>(nullptr, file, name);
            m_keepAskedPort = false;
            if (window->httpServer() && window->httpServer()->isListening())
                return window;
        }
        return nullptr;
    }

private:
    bool m_keepAskedPort = false;
};

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

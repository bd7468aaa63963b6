#include <QApplication>
#include <QPixmap>
#include <QSplashScreen>
#include <QTimer>

#include "app/MainWidget.h"
#include "app/QtTranslation.h"
#include "driver/StandinDriver.h"
#include "files/WholeFile.h"
#include "publish/HttpDaemon.h"
#include "settings/appConfig.h"

namespace {

// For the demo (scripts/demo), which says where the station serves only
// once it listens, and stops when another program took the port after the
// demo found it free: one line, "listening <port>", "taken <port> <reason>"
// (another socket holds the port), "not-listening <port> <reason>" (any
// other failure) or "not-serving".
QByteArray servingState(const MainWidget &window)
{
    const HttpDaemon *httpd = window.httpServer();
    if (!httpd)
        return QByteArrayLiteral("not-serving\n");
    if (httpd->isListening())
        return "listening " + QByteArray::number(httpd->serverPort()) + '\n';
    const QString port = window.config()->getValue(QStringLiteral("http.port"), QStringLiteral("8080"));
    return (httpd->portTaken() ? "taken " : "not-listening ") + port.toUtf8() + ' '
           + httpd->bindError().simplified().toUtf8() + '\n';
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!installDanishQtTranslation(app))
        qWarning("Qts danske oversættelse (qtbase_da.qm) er ikke installeret; Qts egne dialoger er på engelsk");
    // The SQL Server stand-in, chosen with "database.driver", for machines
    // that run on a demo database.
    standin::registerDriver();

    const QPixmap splashPicture(QStringLiteral("logo/ZEP_splash.png"));
    QSplashScreen *splash = nullptr;
    if (!splashPicture.isNull()) {
        splash = new QSplashScreen(splashPicture);
        splash->show();
        splash->showMessage(QStringLiteral("Starter ZEP Live"), Qt::AlignRight, Qt::black);
    }

    // The demo's test keeps the station's server to one address (127.0.0.1).
    const QString listenAddress = qEnvironmentVariable("ZEPLIVE_DEMO_LISTEN");
    if (!listenAddress.isEmpty()) {
        const QHostAddress address(listenAddress);
        if (address.isNull())
            qWarning("ZEPLIVE_DEMO_LISTEN: \"%s\" is no address", qPrintable(listenAddress));
        else
            MainWidget::setHttpServerMaker([address](QObject *parent, quint16 port, const QString &root) {
                return new HttpDaemon(parent, port, root, address);
            });
    }

    const QStringList arguments = QApplication::arguments();
    const QString settingsFile = arguments.size() > 1 ? arguments.at(1) : QString();
    MainWidget window(nullptr, settingsFile, QStringLiteral("MainWidget"));
    appConfig *cfg = window.config();
    window.setWindowTitle(cfg->getValue(QStringLiteral("app.caption"), QStringLiteral("ZEP Live")));
    window.setGeometry(50, 50, 600, 400);
    window.show();
    const QPixmap icon(cfg->getValue(QStringLiteral("app.logo"), QStringLiteral("logo/ZEPLive.png")));
    if (!icon.isNull())
        window.setWindowIcon(icon);
    if (cfg->getValue(QStringLiteral("app.fullscreen.show"), QStringLiteral("0")) == QLatin1String("1"))
        window.fullScreen();
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    const QString readyFile = qEnvironmentVariable("ZEPLIVE_DEMO_READY");
    if (!readyFile.isEmpty()) {
        QString error;
        if (!writeWholeFile(readyFile, servingState(window), &error))
            qWarning("%s", qPrintable(error));
    }
    // The demo (scripts/demo) names a competition to load at once, so that
    // a station without anyone at the screen serves it too.
    const int demoStaevne = qEnvironmentVariableIntValue("ZEPLIVE_DEMO_STAEVNE");
    if (demoStaevne > 0)
        QTimer::singleShot(0, &window, [&window, demoStaevne]() { window.openStaevne(demoStaevne); });
    if (splash) {
        splash->finish(&window);
        delete splash;
    }
    return app.exec();
}

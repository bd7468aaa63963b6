// Plays the federation's results server on this computer for the demo:
// zepreceiver <port> <directory> stores every uploaded file in the directory.
// It says "receiving uploads on ..." once it listens; otherwise "cannot
// listen ..." with the reason, and "port taken" when another socket holds
// the port.
#include <QCoreApplication>
#include <QTextStream>

#include "receiver/UploadReceiver.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.size() != 3) {
        out << "usage: zepreceiver <port> <directory>\n";
        return 2;
    }
    standin::UploadReceiver receiver(nullptr, args.at(2));
    if (!receiver.listen(quint16(args.at(1).toUInt()))) {
        out << "cannot listen on 127.0.0.1:" << args.at(1) << (receiver.portTaken() ? " (port taken)" : "") << ": "
            << receiver.listenError() << "\n";
        return 1;
    }
    QObject::connect(&receiver, &standin::UploadReceiver::received, &app, [&out](const QString &name) {
        out << "received " << name << "\n";
        out.flush();
    });
    out << "receiving uploads on 127.0.0.1:" << receiver.port() << " into " << args.at(2) << "\n";
    out.flush();
    return app.exec();
}

// The development server: a loopback service for running Norvale clients by hand.
//   norvale-devserver [--port N] [--host ADDRESS] [--password TEXT] [--rights MASK]
#include "DevServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <clocale>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName(QStringLiteral("norvale-devserver"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A loopback service for running Norvale clients by hand."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to listen on (0: any)."),
                                        QStringLiteral("port"), QStringLiteral("4114"));
    const QCommandLineOption hostOption(QStringLiteral("host"), QStringLiteral("Address to listen on."),
                                        QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption passwordOption(QStringLiteral("password"),
                                            QStringLiteral("The one password accepted (default: any)."),
                                            QStringLiteral("text"));
    const QCommandLineOption rightsOption(QStringLiteral("rights"),
                                          QStringLiteral("Rights mask of every user."),
                                          QStringLiteral("mask"), QStringLiteral("65537"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Print nothing but errors."));
    parser.addOptions({portOption, hostOption, passwordOption, rightsOption, quietOption});
    parser.process(app);

    CDevServer::Options options;
    options.password = parser.value(passwordOption);
    bool ok = false;
    options.rightsMask = parser.value(rightsOption).toUInt(&ok, 0);
    if (!ok) {
        QTextStream(stderr) << "norvale-devserver: --rights needs a number\n";
        return 2;
    }
    const quint16 port = quint16(parser.value(portOption).toUInt(&ok));
    if (!ok) {
        QTextStream(stderr) << "norvale-devserver: --port needs a number\n";
        return 2;
    }

    CDevServer server(options);
    QString error;
    if (!server.Listen(QHostAddress(parser.value(hostOption)), port, &error)) {
        QTextStream(stderr) << "norvale-devserver: " << error << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << "norvale-devserver listening on " << parser.value(hostOption) << ':' << server.Port() << Qt::endl;
    if (!parser.isSet(quietOption))
        QObject::connect(&server, &CDevServer::logLine,
                         [&out](const QString& line) { out << line << Qt::endl; });
    return app.exec();
}

// The development server: a loopback service for running Norvale clients by hand.
//   norvale-devserver [--port N] [--host ADDRESS] [--password TEXT] [--rights MASK] [--web-port N | --no-web]
//                     [--min-version N [--update-url HTTPS-ADDRESS --update-size BYTES]]
//                     [--login-timeout SECONDS] [--output-limit BYTES]
#include "DevServer.h"
#include "DevWebServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <clocale>

int main(int argc, char* argv[]) {
    // Every packet is stamped with the local time: without TZ the C library reads the zone file again
    // at each stamp, which a member streaming packets would make the server's largest cost.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
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
    const QCommandLineOption webPortOption(
        QStringLiteral("web-port"),
        QStringLiteral("Port of the service's web pages (news, help, advert; default: the port after --port)."),
        QStringLiteral("port"));
    const QCommandLineOption noWebOption(QStringLiteral("no-web"), QStringLiteral("Serve no web pages."));
    const QCommandLineOption minVersionOption(
        QStringLiteral("min-version"), QStringLiteral("Refuse clients whose version number is below this."),
        QStringLiteral("number"), QStringLiteral("0"));
    const QCommandLineOption updateUrlOption(
        QStringLiteral("update-url"), QStringLiteral("Where refused clients find the new setup program (https)."),
        QStringLiteral("address"));
    const QCommandLineOption updateSizeOption(QStringLiteral("update-size"),
                                              QStringLiteral("The setup program's length in bytes."),
                                              QStringLiteral("bytes"), QStringLiteral("0"));
    const QCommandLineOption loginTimeoutOption(
        QStringLiteral("login-timeout"), QStringLiteral("Close connections that have not logged in by then."),
        QStringLiteral("seconds"), QStringLiteral("30"));
    const QCommandLineOption outputLimitOption(
        QStringLiteral("output-limit"), QStringLiteral("Output one connection may have waiting: others' chat skips him past half of it, four times it drops him."),
        QStringLiteral("bytes"), QString::number(4 * 1024 * 1024));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Print nothing but errors."));
    parser.addOptions({portOption, hostOption, passwordOption, rightsOption, webPortOption, noWebOption,
                       minVersionOption, updateUrlOption, updateSizeOption, loginTimeoutOption, outputLimitOption,
                       quietOption});
    parser.process(app);

    CDevServer::Options options;
    options.password = parser.value(passwordOption);
    bool ok = false;
    options.rightsMask = parser.value(rightsOption).toUInt(&ok, 0);
    if (!ok) {
        QTextStream(stderr) << "norvale-devserver: --rights needs a number\n";
        return 2;
    }
    options.minVersion = parser.value(minVersionOption).toInt(&ok);
    if (!ok || options.minVersion < 0) {
        QTextStream(stderr) << "norvale-devserver: --min-version needs a number\n";
        return 2;
    }
    options.updateAddress = parser.value(updateUrlOption);
    options.updateSize = parser.value(updateSizeOption).toUInt(&ok);
    if (!ok) {
        QTextStream(stderr) << "norvale-devserver: --update-size needs a number of bytes\n";
        return 2;
    }
    options.loginTimeoutSeconds = parser.value(loginTimeoutOption).toInt(&ok);
    if (!ok || options.loginTimeoutSeconds < 1) {
        QTextStream(stderr) << "norvale-devserver: --login-timeout needs a number of seconds\n";
        return 2;
    }
    options.outputLimitBytes = parser.value(outputLimitOption).toLongLong(&ok);
    if (!ok || options.outputLimitBytes < 65536) {
        QTextStream(stderr) << "norvale-devserver: --output-limit needs a number of bytes (65536 or more)\n";
        return 2;
    }
    const quint16 port = quint16(parser.value(portOption).toUInt(&ok));
    if (!ok) {
        QTextStream(stderr) << "norvale-devserver: --port needs a number\n";
        return 2;
    }

    QString error;
    CDevWebServer web;
    if (!parser.isSet(noWebOption)) {
        const quint16 webPort = parser.isSet(webPortOption) ? quint16(parser.value(webPortOption).toUInt(&ok))
                                                            : quint16(port == 0 ? 0 : port + 1);
        if (!ok) {
            QTextStream(stderr) << "norvale-devserver: --web-port needs a number\n";
            return 2;
        }
        if (!web.Listen(QHostAddress(parser.value(hostOption)), webPort, &error)) {
            QTextStream(stderr) << "norvale-devserver: web pages: " << error << '\n';
            return 1;
        }
        options.webHost = web.BaseAddress();
    }

    CDevServer server(options);
    if (!server.Listen(QHostAddress(parser.value(hostOption)), port, &error)) {
        QTextStream(stderr) << "norvale-devserver: " << error << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << "norvale-devserver listening on " << parser.value(hostOption) << ':' << server.Port() << Qt::endl;
    if (!options.webHost.isEmpty())
        out << "norvale-devserver web pages on " << options.webHost << Qt::endl;
    if (!parser.isSet(quietOption)) {
        const auto print = [&out](const QString& line) { out << line << Qt::endl; };
        QObject::connect(&server, &CDevServer::logLine, print);
        QObject::connect(&web, &CDevWebServer::logLine, print);
    }
    return app.exec();
}

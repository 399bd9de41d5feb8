#include "app/ClientApp.h"
#include "web/WebBrowser2.h"

#include <QApplication>
#include <QTextStream>

#include <clocale>

int main(int argc, char* argv[]) {
    PrepareWebEngineProcess(); // before the application object: the page engine shares its GL contexts
    QApplication app(argc, argv);
    // Qt sets the user's locale on start-up; numbers on the wire and in files must not follow it.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Norvale"));
    QApplication::setOrganizationName(QStringLiteral("Harrowgate"));

    QString error;
    const auto options = CClientApp::ParseCommandLine(QApplication::arguments(), &error);
    if (!options) {
        QTextStream(stderr) << "norvale: " << error
                            << "\nusage: norvale [--server HOST:PORT] [--user NICK] [FILE]\n";
        return 2;
    }
    CClientApp client;
    if (!client.InitInstance(*options))
        return 1;
    const int code = QApplication::exec();
    client.ExitInstance();
    return code;
}

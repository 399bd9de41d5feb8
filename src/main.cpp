#include <QApplication>
#include <QMainWindow>

#include <clocale>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Qt sets the user's locale on start-up; numbers on the wire and in files must not follow it.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Norvale");
    QApplication::setOrganizationName("Harrowgate");

    QMainWindow window;
    window.setWindowTitle("Norvale");
    window.resize(900, 650);
    window.show();
    return app.exec();
}

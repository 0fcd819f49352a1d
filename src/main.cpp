#include <QApplication>
#include <QMainWindow>

#include "platform/Dialogs.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Karvel"));
    QApplication::setApplicationName(Dialogs::applicationTitle());
    QMainWindow window;
    window.setWindowTitle(Dialogs::applicationTitle());
    window.resize(800, 600);
    window.show();
    return app.exec();
}

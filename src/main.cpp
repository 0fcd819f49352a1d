#include "app/frmCorvista.h"
#include "app/frmSplash.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    AppPaths::anchorProgramFolder();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Karvel"));
    QApplication::setApplicationName(Dialogs::applicationTitle());

    frmCorvista main;
    // The splash shows first; its closing shows the main window, which then loads.
    auto *splash = new frmSplash(&main);
    splash->show();
    return app.exec();
}

#include "app/KeyboardAccess.h"
#include "app/ScreenFit.h"
#include "app/frmCorvista.h"
#include "app/frmSplash.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/QuitSignals.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    AppPaths::anchorProgramFolder();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Karvel"));
    QApplication::setApplicationName(Dialogs::applicationTitle());

    // Windows and dialogs stay inside the screen, however small it is.
    const ScreenFitter fitter;
    // The keyboard reaches what the mouse reaches, in every window.
    const KeyboardAccess keys;
    frmCorvista main;
    // A signal to quit (session end, kill, Ctrl+C) shuts down as the window's close does.
    QuitSignals::install(&main, [&main] { main.quitOnSignal(); });
    // The splash shows first; its closing shows the main window, which then loads.
    auto *splash = new frmSplash(&main);
    splash->show();
    return app.exec();
}

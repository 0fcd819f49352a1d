// The preset viewer with a long preset file: the time from the pop-up menu's View to the viewer
// window shown with the whole text, for 4,000 and for 20,000 lines. Prints the figures.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "config/frmViewer.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <cstdio>

namespace {

bool writePreset(int lineCount)
{
    const QString path = frmCorvista::presetPath(1);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = "#PresetFile1\r\n#Name:A long preset\r\n#PresetCaption:Long\r\n";
    for (int line = 4; line <= lineCount; ++line)
        text += "OWM line " + QByteArray::number(line) + " of a long preset\r\n";
    return file.write(text) == text.size();
}

// Milliseconds from View to the viewer shown; the viewer is closed at once.
double viewMs(frmCorvista &window)
{
    QElapsedTimer clock;
    double shownMs = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *viewer = qobject_cast<frmViewer *>(QApplication::activeModalWidget())) {
            shownMs = double(clock.nsecsElapsed()) / 1e6;
            poll.stop();
            viewer->accept();
        }
    });
    poll.start(0);
    clock.start();
    window.mnuPresetView_Click();
    return shownMs;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestEnv env;
    frmCorvista window;
    window.quitOnUnload = false;
    shared().PresetMenuIndex = 0;
    for (const int lines : {4000, 20000}) {
        if (!writePreset(lines)) {
            std::printf("cannot write the preset file\n");
            return 1;
        }
        std::printf("preset viewer, %5d lines: %4.0f ms to open (target under 1000 ms)\n", lines, viewMs(window));
    }
    return 0;
}

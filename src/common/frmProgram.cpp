#include "common/frmProgram.h"

#include "common/SharedState.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString DesignCaption = QStringLiteral("Downloading Software to the radio...");
constexpr Qt::WindowFlags Flags = Qt::Window | Qt::WindowStaysOnTopHint;

QPointer<frmProgram> &theWindow()
{
    static QPointer<frmProgram> w;
    return w;
}
} // namespace

frmProgram &frmProgram::instance()
{
    // An owner that closes takes the window with it; the next user gets a new one.
    if (!theWindow())
        theWindow() = new frmProgram;
    return *theWindow();
}

frmProgram::frmProgram(QWidget *parent) : QWidget(parent, Flags)
{
    setObjectName(QStringLiteral("frmProgram"));
    Label1 = new QLabel(this);
    Label1->setMinimumWidth(320);
    // A note under the status line (a refused close during the firmware transfer) wraps.
    Label1->setWordWrap(true);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    Command1 = new QPushButton(QStringLiteral("Cancel"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);
    resize(sizeHint().expandedTo(QSize(380, 120)));

    connect(Command1, &QPushButton::clicked, this, &frmProgram::Command1_Click);
    resetToDesign();
}

void frmProgram::resetToDesign()
{
    setWindowTitle(DesignCaption);
    Label1->clear();
    ProgressBar1->setValue(0);
}

void frmProgram::showModeless(QWidget *owner)
{
    if (parentWidget() != owner)
        setParent(owner, Flags);
    show();
    activateWindow();
}

void frmProgram::unload()
{
    const bool wasShown = isVisible();
    hide();
    resetToDesign();
    if (wasShown && !shared().DownloadCancelled)
        showAgainLater();
}

void frmProgram::Form_Activate()
{
    // Topmost comes with the window's flags.
    shared().DownloadCancelled = false;
}

void frmProgram::Command1_Click()
{
    shared().DownloadCancelled = true;
    unload();
}

void frmProgram::Form_Deactivate()
{
    if (shared().DownloadCancelled)
        unload();
    else
        showAgainLater();
}

void frmProgram::showAgainLater()
{
    // Showing a window from inside its own activation change confuses the window system; the
    // next turn of the event loop does it, if nobody has cancelled meanwhile.
    if (m_reshowQueued)
        return;
    m_reshowQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_reshowQueued = false;
        if (shared().DownloadCancelled)
            return;
        showModeless(nullptr);
    });
}

void frmProgram::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            Form_Activate();
        else if (isVisible())
            Form_Deactivate();
    }
    QWidget::changeEvent(event);
}

void frmProgram::closeEvent(QCloseEvent *event)
{
    // The window's own close button is an unload: it stays while nobody has cancelled.
    event->ignore();
    unload();
}

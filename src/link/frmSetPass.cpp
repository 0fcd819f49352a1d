#include "link/frmSetPass.h"

#include "app/frmCorvista.h"
#include "app/frmPreferences.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/DeviceLoss.h"
#include "link/Exchange.h"
#include "link/TerminalPane.h"
#include "link/frmLogin.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/LinkGate.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
const QString kPasswordCommand = QStringLiteral("k7m2");
}

frmSetPass::frmSetPass(frmCorvista &main) : QWidget(&main, Qt::Dialog), m_main(main)
{
    setObjectName(QStringLiteral("frmSetPass"));
    setWindowTitle(QStringLiteral("Radio Password Setup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("Enter the password to use for authorized radio configuration. "
                                       "(Enter twice for verification)."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    PassRadio[0] = new QRadioButton(QStringLiteral("Use a password:"), this);
    PassRadio[1] = new QRadioButton(QStringLiteral("Do not use a radio password."), this);
    Pass1 = new QLineEdit(this);
    Pass2 = new QLineEdit(this);
    for (int i = 0; i < 2; ++i) {
        PassRadio[i]->setObjectName(QStringLiteral("PassRadio%1").arg(i));
        connect(PassRadio[i], &QRadioButton::clicked, this, [this, i] { PassRadio_Click(i); });
    }
    Pass1->setObjectName(QStringLiteral("Pass1"));
    Pass2->setObjectName(QStringLiteral("Pass2"));
    for (QLineEdit *box : {Pass1, Pass2}) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));   // "*"
        box->setMaxLength(4);
        box->setMaximumWidth(120);
    }
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *boxes = new QFormLayout;
    boxes->setContentsMargins(24, 0, 0, 0);
    boxes->addRow(Pass1);
    boxes->addRow(Pass2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(PassRadio[0]);
    layout->addLayout(boxes);
    layout->addWidget(PassRadio[1]);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    connect(OKButton, &QPushButton::clicked, this, &frmSetPass::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmSetPass::CancelButton_Click);

    Form_Load();
}

void frmSetPass::Form_Load()
{
    if (!isVisible())
        show();
    const bool usePassword = shared().PassEnabledPref;
    PassRadio[usePassword ? 0 : 1]->setChecked(true);
    Pass1->setEnabled(usePassword);
    Pass2->setEnabled(usePassword);
    try {
        // Its prompt is awaited: it must not pass for the answer to the window's first command.
        shared().RxBuffer = QStringLiteral(" ");
        Exchange::echoOff(*m_main.MSComm1);
        Exchange::replyWait({Prompt::Ready}, Exchange::EchoPromptSeconds, CompareMode::Exact);
    } catch (const CommError &e) {
        LoginLink::endsOnCommError(e);
    }
}

void frmSetPass::PassRadio_Click(int index)
{
    const bool usePassword = index == 0;
    Pass1->setEnabled(usePassword);
    Pass2->setEnabled(usePassword);
    if (usePassword)
        Pass1->setFocus();
}

void frmSetPass::OKButton_Click()
{
    const Exchange::LinkOwnership change;
    if (m_main.refusedWhileBusy(change))
        return;
    try {
        if (PassRadio[0]->isChecked()) {
            if (Pass1->text() != Pass2->text()) {
                MsgBox(QStringLiteral("The two passwords do not match!\rPlease reenter the password."), Msg::OKOnly,
                       Msg::Critical, QStringLiteral("Error!"));
                Pass1->setFocus();
                return;
            }
            if (!AnswerSendable(Pass1->text())) {
                Pass1->setFocus();
                return;
            }
            setPassword();
        } else {
            removePassword();
        }
    } catch (const CommError &e) {
        if (LoginLink::endsOnCommError(e))
            return;
    }
    close();
}

void frmSetPass::setPassword()
{
    SharedState &s = shared();
    CommControl &port = *m_main.MSComm1;
    Exchange::ensureEchoOff(port);
    s.RxBuffer.clear();
    Exchange::commandLine(port, kPasswordCommand + QLatin1Char(' ') + Pass1->text());
    // A radio that refuses the new password says so; reporting it set would leave the user
    // believing the radio is protected by a password it never took.
    Exchange::replyWait({Prompt::Ready}, 0.5, CompareMode::Exact);
    if (DeviceLoss::linkEndedUnder(port))
        return;
    if (Exchange::contains(s.RxBuffer, Reply::Denied, CompareMode::Exact)) {
        MsgBox(QStringLiteral("You must be logged in to set a radio password."), Msg::OKOnly, Msg::Critical,
               QStringLiteral("Error!"));
        return;
    }
    m_main.txtTerm->setText(QStringLiteral("*** NEW PASSWORD ACCEPTED ***"));
    m_main.showLoggedIn(true);
    savePassEnabled(true);
}

void frmSetPass::removePassword()
{
    SharedState &s = shared();
    CommControl &port = *m_main.MSComm1;
    s.RxBuffer.clear();
    Exchange::commandLine(port, kPasswordCommand);
    Exchange::replyWait({Prompt::Ready, kPasswordCommand}, 0.5, CompareMode::Exact);
    if (DeviceLoss::linkEndedUnder(port))
        return;
    if (Exchange::contains(s.RxBuffer, Reply::Denied, CompareMode::Exact)) {
        MsgBox(QStringLiteral("You must be logged in to disable password protection."), Msg::OKOnly, Msg::Critical,
               QStringLiteral("Error!"));
        return;
    }
    Exchange::unawaitedCommand(port, QStringLiteral("PASS NONE"), 100);
    m_main.txtTerm->setText(QStringLiteral("*** PASSWORD REMOVED ***"));
    Exchange::commandLine(port, QString());
    m_main.showLoggedIn(false);
    savePassEnabled(false);
}

void frmSetPass::savePassEnabled(bool enabled)
{
    shared().PassEnabledPref = enabled;
    QString failure;
    savePreference(QStringLiteral("PassEnabled"), enabled ? QStringLiteral("True") : QStringLiteral("False"), failure);
    showPreferenceFailure(failure);
}

void frmSetPass::CancelButton_Click()
{
    close();
}

void frmSetPass::Form_Unload()
{
    // The pauses keep "eeco" apart from the command before it and from whatever follows.
    Clock::sleepMs(100);
    try {
        if (m_main.MSComm1->portOpen())
            Exchange::echoOn(*m_main.MSComm1);
    } catch (const CommError &e) {
        LoginLink::endsOnCommError(e);
    }
    Clock::sleepMs(100);
}

void frmSetPass::closeEvent(QCloseEvent *event)
{
    // Its "eeco" would land in the exchange of the operation that talks to the radio now.
    if (!m_unloaded && m_main.MSComm1->portOpen() && !LinkGate::writePermitted()) {
        m_main.refusedWhileBusy(Exchange::LinkOwnership());
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    QWidget::closeEvent(event);
}

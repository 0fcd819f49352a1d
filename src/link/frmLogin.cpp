#include "link/frmLogin.h"

#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/DeviceLoss.h"
#include "link/Exchange.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcLogin, "wavecrest.link", QtWarningMsg)

namespace {

// The reply texts that end a wait: the first is acceptance, the second refusal.
struct Verdict
{
    QString accepted;
    QString refused;
    QString acceptedText;   // the terminal pane's text afterwards
    QString refusedMessage;
};

// Nominal time of the 1000 event rounds after "code none" and "eeco": the radio's answer gets
// the chance to reach the terminal before the window goes; nothing is awaited.
constexpr qint64 kEventRoundsMs = 100;


} // namespace

bool LoginLink::endsOnCommError(const CommError &e)
{
    qCDebug(lcLogin) << "serial control error" << e.number();
    if (e.number() != CommErr::PortAlreadyOpen && e.number() != CommErr::PortNotOpen)
        return false;
    frmCorvista::showCommErrorBox();
    return true;
}

frmLogin::frmLogin(frmCorvista &main, QWidget *parent) : QDialog(parent ? parent : &main), m_main(main)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Login"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    InfoLabel = new QLabel(this);
    InfoLabel->setObjectName(QStringLiteral("InfoLabel"));
    InfoLabel->setWordWrap(true);
    Label = new QLabel(QStringLiteral("&Password:"), this);
    Label->setObjectName(QStringLiteral("Label"));
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));   // "*"
    Label->setBuddy(txtPassword);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    NoneButton = new QPushButton(QStringLiteral("Use None"), this);
    NoneButton->setObjectName(QStringLiteral("NoneButton"));
    NoneButton->setAutoDefault(false);

    auto *entry = new QHBoxLayout;
    entry->addWidget(Label);
    entry->addWidget(txtPassword, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(NoneButton);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    // Tab takes the buttons as they stand in their row.
    setTabOrder(NoneButton, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(InfoLabel);
    layout->addLayout(entry);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    connect(cmdOK, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
    connect(NoneButton, &QPushButton::clicked, this, &frmLogin::NoneButton_Click);

    Form_Load();
}

bool frmLogin::portOpen() const
{
    return m_main.MSComm1->portOpen();
}

void frmLogin::Form_Load()
{
    if (!portOpen())
        return;
    try {
        shared().RxBuffer = QStringLiteral(" ");
        Exchange::echoOff(*m_main.MSComm1);
        m_echoOff = true;
    } catch (const CommError &e) {
        qCDebug(lcLogin) << "login window load:" << e.number();
    }
}

void frmLogin::closeBracket()
{
    if (!m_echoOff || !portOpen())
        return;
    Exchange::echoOn(*m_main.MSComm1);
    m_echoOff = false;
}

void frmLogin::unload()
{
    done(QDialog::Accepted);
}

void frmLogin::cmdOK_Click()
{
    if (!portOpen())
        return;
    SharedState &s = shared();
    Verdict verdict;
    if (s.LoginMode == QLatin1String("pass")) {
        verdict = {Reply::PasswordOk, Reply::PasswordInvalid, QStringLiteral("*** PASSWORD ACCEPTED ***"),
                   QStringLiteral("Invalid Password, try again!")};
    } else if (s.LoginMode == QLatin1String("code")) {
        verdict = {Reply::ProgrammedOk, Reply::InvalidEntry, QStringLiteral("*** ENCRYPTION CODE ACCEPTED ***"),
                   QStringLiteral("Invalid Encryption Code.")};
    } else {
        return;
    }
    if (!AnswerSendable(txtPassword->text())) {
        txtPassword->setFocus();
        txtPassword->selectAll();
        return;
    }
    try {
        CommControl &port = *m_main.MSComm1;
        Exchange::ensureEchoOff(port);
        m_echoOff = true;
        s.RxBuffer = QStringLiteral(" ");
        Exchange::commandLine(port, s.LoginMode + QLatin1Char(' ') + txtPassword->text());
        // Either answer ends the wait; the two never stand in one reply.
        Exchange::replyWaitAny({verdict.accepted, verdict.refused}, 3, CompareMode::Exact);
        if (DeviceLoss::linkEndedUnder(port)) {
            unload();
            return;
        }
        if (Exchange::contains(s.RxBuffer, verdict.accepted, CompareMode::Exact)) {
            m_main.txtTerm->setText(verdict.acceptedText);
            Exchange::commandLine(port, QString());
            closeBracket();
            if (s.LoginMode == QLatin1String("pass"))
                m_main.showLoggedIn(true);
            unload();
            return;
        }
        MsgBox(verdict.refusedMessage, Msg::OKOnly, Msg::NoIcon, QStringLiteral("Login"));
        txtPassword->setFocus();
        txtPassword->selectAll();
    } catch (const CommError &e) {
        LoginLink::endsOnCommError(e);
    }
}

void frmLogin::cmdCancel_Click()
{
    if (!portOpen())
        return;
    try {
        shared().RxBuffer = QStringLiteral(" ");
        closeBracket();
        Clock::pumpFor(kEventRoundsMs);
    } catch (const CommError &e) {
        if (LoginLink::endsOnCommError(e))
            return;
    }
    unload();
}

void frmLogin::NoneButton_Click()
{
    if (!portOpen())
        return;
    try {
        CommControl &port = *m_main.MSComm1;
        shared().RxBuffer = QStringLiteral(" ");
        Exchange::commandLine(port, QStringLiteral("code none"));
        Clock::pumpFor(kEventRoundsMs);
        m_main.txtTerm->setText(QStringLiteral("*** ENCRYPTION CODE ACCEPTED ***"));
        Exchange::commandLine(port, QString());
        closeBracket();
    } catch (const CommError &e) {
        if (LoginLink::endsOnCommError(e))
            return;
    }
    unload();
}

void frmLogin::closeEvent(QCloseEvent *event)
{
    // The close box is a way out too: the radio must not be left with its echo off.
    try {
        closeBracket();
    } catch (const CommError &e) {
        qCDebug(lcLogin) << "close:" << e.number();
    }
    QDialog::closeEvent(event);
}

void frmLogin::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

#include "settings/frmSetup.h"

#include "app/ClickableLabel.h"
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/Exchange.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "settings/SettingsPages.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcSetup, "wavecrest.settings", QtWarningMsg)

namespace {

constexpr double QueryWaitSeconds = 4;
constexpr double ProgramWaitSeconds = 3;
// Lets the radio finish whatever it was saying before the query goes out.
constexpr int PauseBeforeQueryMs = 100;
// Behind the blank, the echo, its CR LF and the reply's three-character label.
constexpr int FrequencyStart = 9;
constexpr int FrequencyLength = 7;

const QString DesignFrequency = QStringLiteral("n/a");

QString rangeHelp(const QString &which)
{
    return QStringLiteral("This selects the test %1 frequency used in lieu of hopping when in setup mode.\r\n\r\n"
                          "The test %1 frequency can be reprogrammed to any value\r\n"
                          "between 902.200 MHz and 927.600 MHz, inclusive.")
        .arg(which);
}

} // namespace

frmSetup::frmSetup(frmCorvista &owner) : QWidget(&owner, Qt::Window), m_main(owner)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Setup Mode"));

    Picture1 = new QLabel(this);
    Picture1->setAutoFillBackground(true);
    Picture1->setBackgroundRole(QPalette::Dark);
    Image1 = new QLabel(Picture1);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize));
    Image1->setFixedSize(iconSize, iconSize);
    auto *pictureLayout = new QVBoxLayout(Picture1);
    pictureLayout->addWidget(Image1, 0, Qt::AlignHCenter | Qt::AlignTop);
    Picture1->setFixedWidth(iconSize + 2 * pictureLayout->contentsMargins().left());

    Frame1 = new QFrame(this);
    Frame1->setFrameShape(QFrame::StyledPanel);

    Key = new QPushButton(QStringLiteral("Key"), Frame1);
    Key->setToolTip(QStringLiteral("Enables the transmitter"));
    DKey = new QPushButton(QStringLiteral("De-Key"), Frame1);
    DKey->setToolTip(QStringLiteral("Disables the transmitter"));

    // The frequencies' names give their help as the settings' names do.
    RxLabel = new SettingLabel(QStringLiteral("Rx. Frequency"), Frame1);
    RxLabel->setToolTip(QStringLiteral("Click for more Information"));
    RxFrequency = new ValueBox(Frame1);
    TxLabel = new SettingLabel(QStringLiteral("Tx. Frequency"), Frame1);
    TxLabel->setToolTip(QStringLiteral("Click for more Information"));
    TxFrequency = new ValueBox(Frame1);
    for (ValueBox *box : {RxFrequency, TxFrequency}) {
        box->setAlignment(Qt::AlignCenter);
        box->setFixedWidth(box->widthFor({QStringLiteral("000.000")}) + box->fontMetrics().averageCharWidth() * 2);
    }

    auto *frameLayout = new QGridLayout(Frame1);
    frameLayout->addWidget(RxLabel, 0, 0);
    frameLayout->addWidget(RxFrequency, 0, 1);
    frameLayout->addWidget(TxLabel, 1, 0);
    frameLayout->addWidget(TxFrequency, 1, 1);
    frameLayout->addWidget(Key, 0, 2);
    frameLayout->addWidget(DKey, 1, 2);
    frameLayout->setColumnMinimumWidth(2, 90);

    Label1 = new QLabel(
        QStringLiteral("Note: The terminal window is still active and able to accept commands."), this);
    Label1->setWordWrap(true);
    ExitButton = new QPushButton(QStringLiteral("Exit Setup Mode"), this);

    auto *body = new QVBoxLayout;
    body->addWidget(Frame1);
    body->addWidget(Label1);
    body->addWidget(ExitButton, 0, Qt::AlignHCenter);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(Picture1);
    layout->addLayout(body, 1);
    setFixedSize(sizeHint().expandedTo(QSize(380, 0)));

    // Tab goes through the frame row by row, as it reads.
    QWidget *order[] = {RxLabel, RxFrequency, Key, TxLabel, TxFrequency, DKey, ExitButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(Key, &QPushButton::clicked, this, &frmSetup::Key_Click);
    connect(DKey, &QPushButton::clicked, this, &frmSetup::DKey_Click);
    connect(RxLabel, &ClickableLabel::clicked, this, &frmSetup::RxLabel_Click);
    connect(TxLabel, &ClickableLabel::clicked, this, &frmSetup::TxLabel_Click);
    connect(RxFrequency, &ValueBox::clicked, this, &frmSetup::RxFrequency_Click);
    connect(TxFrequency, &ValueBox::clicked, this, &frmSetup::TxFrequency_Click);
    connect(ExitButton, &QPushButton::clicked, this, &frmSetup::ExitButton_Click);

    resetToDesign();
}

void frmSetup::resetToDesign()
{
    RxFrequency->setText(DesignFrequency);
    TxFrequency->setText(DesignFrequency);
    Key->setEnabled(true);
    DKey->setEnabled(true);
}

void frmSetup::showModeless()
{
    if (!m_loaded) {
        resetToDesign();
        m_loaded = true;
        Form_Load();
    }
    // The exit button may have unloaded the window while the load waited for the radio.
    if (!m_loaded)
        return;
    show();
    raise();
    activateWindow();
}

void frmSetup::unload()
{
    if (m_loaded)
        Form_Unload();
    hide();
}

void frmSetup::closeEvent(QCloseEvent *event)
{
    // While an operation talks to the radio the close box is refused as the exit button is: its
    // de-key would not get through, and the window would go showing the transmitter off.
    const Exchange::LinkOwnership closing;
    if (m_main.refusedWhileBusy(closing)) {
        event->ignore();
        return;
    }
    // Closed by its close box while the transmitter is keyed, the window would leave the radio
    // transmitting, and the next opening takes it to be off: de-key it first.
    if (DKey->isEnabled() && m_main.MSComm1->portOpen()) {
        try {
            Exchange::commandLine(*m_main.MSComm1, QStringLiteral("DKEY"));
        } catch (const CommError &e) {
            handleCommError(e.number(), "closeEvent");
        }
        DKey->setEnabled(false);
        Key->setEnabled(true);
    }
    if (m_loaded)
        Form_Unload();
    event->accept();
}

void frmSetup::handleCommError(int number, const char *handler)
{
    qCDebug(lcSetup) << handler << "ended by serial error" << number;
    if (number == CommErr::PortAlreadyOpen || number == CommErr::PortNotOpen)
        frmCorvista::showCommErrorBox();
}

void frmSetup::Form_Load()
{
    // The transmitter is taken to be off when the window opens.
    Key->setEnabled(true);
    DKey->setEnabled(false);
    try {
        ReadRxFrequency();
        ReadTxFrequency();
    } catch (const CommError &e) {
        handleCommError(e.number(), "Form_Load");
    }
    // The RSSI window is open to a master too while it sits on the bench.
    m_main.ButtonRSSI->setEnabled(true);
}

void frmSetup::Form_Unload()
{
    m_loaded = false;
    shared().InSetupMode = false;
}

void frmSetup::ReadRxFrequency()
{
    readFrequency(QStringLiteral("rx"), RxFrequency);
}

void frmSetup::ReadTxFrequency()
{
    readFrequency(QStringLiteral("tx"), TxFrequency);
}

void frmSetup::readFrequency(const QString &command, QLineEdit *box)
{
    SharedState &s = shared();
    Exchange::LinkOwnership queryOwnsLink;
    s.RxBuffer = QStringLiteral(" ");
    Delay(PauseBeforeQueryMs);
    Clock::doEvents();
    const bool answered = Exchange::sendAndAwaitAnswer(*m_main.MSComm1, command, Prompt::Ready, QueryWaitSeconds,
                                                       CompareMode::Exact);
    if (!answered)
        return;
    const QString &rx = s.RxBuffer;
    if (Exchange::endsWith(rx, Prompt::Setup, CompareMode::Exact))
        box->setText(rx.mid(Exchange::lateReplyLength(rx, command, CompareMode::Exact) + FrequencyStart - 1,
                            FrequencyLength));
    else
        box->setText(rx.right(FrequencyLength));
}

void frmSetup::programFrequency(const QString &command, const QString &prompt, const QString &title,
                                QLineEdit *box)
{
    const Exchange::LinkOwnership programmingOwnsLink;
    if (m_main.refusedWhileBusy(programmingOwnsLink))
        return;
    const QString answer = dialogs().inputBox(prompt, title, box->text());
    if (answer.isEmpty() || !AnswerSendable(answer) || !m_main.MSComm1->portOpen())
        return;
    // The label in capitals means the user typed the whole command; anything else gets the word.
    const QString line = answer.contains(command.toUpper()) ? answer : command + QLatin1Char(' ') + answer;
    // The radio judges the value; the re-read below shows what it took.
    Exchange::sendAndWait(*m_main.MSComm1, line, {Prompt::Ready, Reply::ProgrammedOk}, ProgramWaitSeconds,
                          CompareMode::Exact);
    readFrequency(command, box);
}

void frmSetup::RxFrequency_Click()
{
    try {
        programFrequency(QStringLiteral("rx"), QStringLiteral("Enter a new receive frequency"),
                         QStringLiteral("Program Rx Frequency"), RxFrequency);
    } catch (const CommError &e) {
        handleCommError(e.number(), "RxFrequency_Click");
    }
}

void frmSetup::TxFrequency_Click()
{
    try {
        programFrequency(QStringLiteral("tx"), QStringLiteral("Enter a new transmit frequency"),
                         QStringLiteral("Program Tx Frequency"), TxFrequency);
    } catch (const CommError &e) {
        handleCommError(e.number(), "TxFrequency_Click");
    }
}

void frmSetup::keyTransmitter(bool on)
{
    QPushButton *clicked = on ? Key : DKey;
    QPushButton *other = on ? DKey : Key;
    const Exchange::LinkOwnership keying;
    if (m_main.refusedWhileBusy(keying))
        return;
    if (!m_main.MSComm1->portOpen() || !clicked->isEnabled())
        return;
    clicked->setEnabled(false);
    other->setEnabled(true);
    shared().RxBuffer = QStringLiteral(" ");
    try {
        Exchange::commandLine(*m_main.MSComm1, on ? QStringLiteral("KEY") : QStringLiteral("DKEY"));
    } catch (const CommError &e) {
        handleCommError(e.number(), on ? "Key_Click" : "DKey_Click");
    }
}

void frmSetup::Key_Click()
{
    keyTransmitter(true);
}

void frmSetup::DKey_Click()
{
    keyTransmitter(false);
}

void frmSetup::RxLabel_Click()
{
    MsgBox(rangeHelp(QStringLiteral("receive")), Msg::OKOnly, Msg::NoIcon,
           QStringLiteral("Receive Frequency Information"));
}

void frmSetup::TxLabel_Click()
{
    MsgBox(rangeHelp(QStringLiteral("transmit")), Msg::OKOnly, Msg::NoIcon,
           QStringLiteral("Transmit Frequency Information"));
}

void frmSetup::ExitButton_Click()
{
    const Exchange::LinkOwnership leaving;
    if (m_main.refusedWhileBusy(leaving))
        return;
    // A capital M behind the first character: the master's mode, whose RSSI button is closed
    // outside setup mode.
    if (const ValueBox *mode = m_main.Pages.box(QStringLiteral("Mode")))
        if (mode->text().indexOf(QLatin1Char('M'), 1, Qt::CaseSensitive) >= 0)
            m_main.ButtonRSSI->setEnabled(false);
    try {
        if (m_main.MSComm1->portOpen())
            Exchange::commandLine(*m_main.MSComm1, QStringLiteral("quit"));
    } catch (const CommError &e) {
        handleCommError(e.number(), "ExitButton_Click");
    }
    // The next tick reads every setting again, now at the normal prompt.
    shared().RefreshRequested = true;
    unload();
}

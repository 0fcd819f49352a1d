// The NEW RADIO frame of the Tasks view: one click sets up a radio as master, remote, repeater or
// sub-remote. The commands are paced by fixed pauses; the radio's answers are read and dropped.
#include "app/frmCorvista.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "config/frmSimpleRptrSetup.h"
#include "config/frmSimpleXMAP.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>

#include <cmath>
#include <optional>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcQuickSetup, "wavecrest.config.quicksetup", QtWarningMsg)

namespace {

using Role = frmCorvista::QuickSetupRole;

struct RoleTexts
{
    QString title;
    QString firstLine;
    QString modeLetter;
};

RoleTexts roleTexts(Role role)
{
    switch (role) {
    case Role::Master:
        return {QStringLiteral("MASTER"), QStringLiteral("Program radio as MASTER..."), QStringLiteral("M")};
    case Role::Remote:
        return {QStringLiteral("REMOTE"), QStringLiteral("Program radio as REMOTE..."), QStringLiteral("R")};
    case Role::Repeater:
        return {QStringLiteral("REPEATER"), QStringLiteral("Program radio as REPEATER..."), QStringLiteral("X")};
    case Role::SubRemote:
        break;
    }
    return {QStringLiteral("REPEATER"), QStringLiteral("Program radio as a REMOTE connecting through a REPEATER..."),
            QStringLiteral("R")};
}

// The value of a text typed as a number; nothing for any other text.
std::optional<double> numericValue(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The address as the radio is sent it: a plain decimal number, 0 for a text that is none.
QString addrCommandValue(const QString &text)
{
    return QLocale::c().toString(numericValue(text).value_or(0.0), 'f', QLocale::FloatingPointShortest);
}

// The address box's loss of focus to another control; not the window's loss of activation, which
// the warning's own message box would cause again.
class FocusLossFilter : public QObject
{
public:
    FocusLossFilter(QObject *parent, std::function<void()> lost) : QObject(parent), m_lost(std::move(lost)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                m_lost();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_lost;
};

} // namespace

void frmCorvista::connectQuickSetup()
{
    connect(cmdMaster, &QPushButton::clicked, this, &frmCorvista::cmdMaster_Click);
    connect(cmdRemote, &QPushButton::clicked, this, &frmCorvista::cmdRemote_Click);
    connect(cmdRepeater, &QPushButton::clicked, this, &frmCorvista::cmdRepeater_Click);
    connect(cmdSubRemote, &QPushButton::clicked, this, &frmCorvista::cmdSubRemote_Click);
    connect(cmdRptHelp1, &QPushButton::clicked, this, &frmCorvista::cmdRptHelp1_Click);
    connect(cmdRptHelp2, &QPushButton::clicked, this, &frmCorvista::cmdRptHelp2_Click);
    txtNewADDR->installEventFilter(new FocusLossFilter(txtNewADDR, [this] { txtNewADDR_LostFocus(); }));
}

void frmCorvista::cmdMaster_Click()
{
    QuickSetup(QuickSetupRole::Master);
}

void frmCorvista::cmdRemote_Click()
{
    QuickSetup(QuickSetupRole::Remote);
}

void frmCorvista::cmdRepeater_Click()
{
    QuickSetup(QuickSetupRole::Repeater);
}

void frmCorvista::cmdSubRemote_Click()
{
    QuickSetup(QuickSetupRole::SubRemote);
}

void frmCorvista::cmdRptHelp1_Click()
{
    frmSimpleRptrSetup *picture = frmSimpleRptrSetup::load(this);
    picture->show();
    picture->raise();
}

void frmCorvista::cmdRptHelp2_Click()
{
    cmdRptHelp1_Click();
}

void frmCorvista::txtNewADDR_LostFocus()
{
    ValidateNewAddr();
}

void frmCorvista::ValidateNewAddr()
{
    const std::optional<double> value = numericValue(txtNewADDR->text());
    if (!value) {
        MsgBox(QStringLiteral("The ADDR entered is not numeric.\r\n\r\nThe value must be a number between 1 and 65000"),
               Msg::OKOnly, Msg::NoIcon, QStringLiteral("Invalid ADDR entered"));
        return;
    }
    const double whole = std::floor(std::fabs(*value));
    if (whole < 1 || whole > 65000)
        MsgBox(QStringLiteral("The valid ADDR range is 1-65000."), Msg::OKOnly, Msg::NoIcon,
               QStringLiteral("Invalid ADDR Entry"));
}

QString frmCorvista::AskRepeaterXaddr()
{
    // Digits only: the radio takes a whole address, so "2.5" or "1e1" is asked again rather than sent.
    static const QRegularExpression wholeNumber(QStringLiteral("^\\s*\\d+\\s*$"));
    for (;;) {
        const QString answer = dialogs().inputBox(
            QStringLiteral("Enter this repeater's XADDR. (This is the number used by the remotes that are to "
                           "associate with this repeater.)"),
            QStringLiteral("Enter XADDR"), QStringLiteral("1"));
        if (answer.isEmpty()) {
            MsgBox(QStringLiteral("REPEATER radio programmed WITH default XADDR of 0"));
            return {};
        }
        if (!AnswerSendable(answer))
            continue;
        // Too many digits for a number are not one: toInt() would give 0 and pass them on.
        bool isNumber = false;
        const int value = answer.trimmed().toInt(&isNumber);
        if (!wholeNumber.match(answer).hasMatch() || !isNumber || value > 31) {
            MsgBox(QStringLiteral("XADDR is a number between 0 and 31."), Msg::OKOnly, Msg::NoIcon,
                   QStringLiteral("Invalid XADDR"));
            continue;
        }
        if (value != 0)
            return answer;
        if (MsgBox(QStringLiteral("Are you sure you want to use an XADDR of 0 ?\r\n\r\n"
                                  "XADDR 0 is the default setting for a Master radio."),
                   Msg::YesNo, Msg::NoIcon, QStringLiteral("XADDR"))
            == Msg::Yes)
            return answer;
    }
}

void frmCorvista::QuickSetup(QuickSetupRole role)
{
    const Exchange::LinkOwnership setupOwnsLink;
    if (refusedWhileBusy(setupOwnsLink))
        return;
    const RoleTexts texts = roleTexts(role);
    const QString baud = cmbBaud->currentText();
    const QString addr = txtNewADDR->text();
    // The baud rate's box takes typed text too, and both go to the radio as they stand.
    if (!AnswerSendable(addr) || !AnswerSendable(baud))
        return;
    const int pwr = sldPwr->value();
    const QString question = texts.firstLine + QStringLiteral("\r\n\r\nBAUD: ") + baud
                             + QStringLiteral("\r\n\r\nADDR: ") + addr + QStringLiteral("\r\n\r\nPWR: ")
                             + QString::number(pwr) + QStringLiteral(" dBm");
    if (MsgBox(question, Msg::YesNo, Msg::NoIcon, texts.title) != Msg::Yes)
        return;

    frQuick->setEnabled(false);
    try {
        txtTerm->setText(QStringLiteral("\r\n").repeated(5) + QStringLiteral("PROGRAMMING."));
        keepStatusText(QStringLiteral("Clearing Unit"));
        ConfigLinesLeftOut.clear();
        Exchange::DirectReadScope directRead;
        auto dot = [this] { txtTerm->writeAtEnd(QStringLiteral(".")); };

        // A time-out inside the baseline ends only the baseline; the role's commands still go. A
        // baseline that is there but cannot be loaded has said why, and the role's commands alone
        // would leave the radio half old, half new: nothing is sent.
        QString newRadio;
        if (LoadConfigurationFile(newRadio, true))
            SendConfigurationLines(false);
        else if (FileExists(newRadio))
            throw std::runtime_error("the baseline could not be loaded");

        CommControl &port = *MSComm1;
        Exchange::unawaitedCommand(port, QStringLiteral("MODE ") + texts.modeLetter, 250);
        dot();
        Exchange::unawaitedCommand(port, QStringLiteral("ADDR ") + addrCommandValue(addr), 100);
        dot();
        Exchange::unawaitedCommand(port, QStringLiteral("PWR ") + QString::number(pwr), 100);
        dot();
        Exchange::commandLine(port, QStringLiteral("BAUD ") + baud);

        switch (role) {
        case QuickSetupRole::Master:
            Clock::sleepMs(100);
            dot();
            if (MsgBox(QStringLiteral("Will the MASTER have a REPEATER in the system ?"), Msg::YesNo, Msg::NoIcon,
                       QStringLiteral("Repeater ?"))
                == Msg::Yes)
                Exchange::commandLine(port, QStringLiteral("SAF ON"));
            dot();
            Clock::sleepMs(500);
            port.input();
            break;
        case QuickSetupRole::Remote:
            dot();
            Clock::sleepMs(100);
            Clock::sleepMs(500);
            port.input();
            break;
        case QuickSetupRole::Repeater: {
            Clock::sleepMs(500);
            dot();
            port.input();
            const QString xaddr = AskRepeaterXaddr();
            if (!xaddr.isEmpty())
                Exchange::unawaitedCommand(port, QStringLiteral("XADDR ") + xaddr, 250, true);
            break;
        }
        case QuickSetupRole::SubRemote: {
            dot();
            Clock::sleepMs(100);
            frmSimpleXMAP xmap(port, this);
            dialogs().execModal(xmap, setupOwnsLink.ticket());
            break;
        }
        }
    } catch (const CommError &e) {
        qCInfo(lcQuickSetup) << "quick setup ended:" << e.text();
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    } catch (const std::exception &e) {
        qCInfo(lcQuickSetup) << "quick setup ended:" << e.what();
    }
    shared().IgnoreCommEvents = false;
    refreshAfterTask();
    tellConfigLinesLeftOut();
    frQuick->setEnabled(true);
}

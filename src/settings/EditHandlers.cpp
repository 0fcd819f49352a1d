// The edits behind the value boxes of the main window: a click asks for the new value, writes one
// command to the radio, waits briefly and asks for a re-read. Every edit is driven by its
// catalogue row; the radio judges the value and the re-read shows what it now holds.
#include "app/frmCorvista.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/Exchange.h"
#include "platform/Dialogs.h"
#include "settings/ReplyCut.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcEdits, "wavecrest.settings", QtWarningMsg)

namespace {

constexpr double ProgramWaitSeconds = 3;
constexpr double RereadWaitSeconds = 4;
// Pages of the status report asked for after the first one.
constexpr int MaxFurtherStatusPages = 2;

const QString ModeMaster = QStringLiteral("MODE M");
const QString ModeExtension = QStringLiteral("MODE X");

bool sameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

void frmCorvista::connectSettingEdits()
{
    for (const RadioSetting &row : RadioSettingCatalogue()) {
        if (row.editKind == EditKind::None)
            continue;
        if (ValueBox *box = Pages.box(row.box)) {
            const QString name = row.box;
            connect(box, &ValueBox::clicked, this, [this, name] { SettingBox_Click(name); });
        }
    }
}

void frmCorvista::SettingBox_Click(const QString &boxName)
{
    const RadioSetting *row = findSettingByBox(boxName);
    if (!row)
        return;
    const Exchange::LinkOwnership edit;
    if (refusedWhileBusy(edit))
        return;
    try {
        switch (row->editKind) {
        case EditKind::Input:
            ProgramExchange(*row);
            break;
        case EditKind::Toggle:
            ToggleExchange(*row);
            break;
        case EditKind::YesNo:
            DeviceTypeExchange(*row);
            break;
        case EditKind::StatusPager:
            AlarmInfo_Click();
            break;
        case EditKind::Reread:
            ShowSync_Click();
            break;
        case EditKind::Editor:
            XMAP_Click();
            break;
        case EditKind::Dialog:
            OptionDialog_Click(row->box);
            break;
        case EditKind::None:
            break;
        }
    } catch (const CommError &e) {
        // The port can go away between the open test and the write, or during the wait.
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
        qCDebug(lcEdits) << "edit of" << boxName << "ended by serial error" << e.number();
    }
}

bool frmCorvista::EditGuardPasses(EditGuard guard) const
{
    const QString mode = Pages.box(QStringLiteral("Mode"))->text();
    switch (guard) {
    case EditGuard::None:
        return true;
    case EditGuard::MasterOnly:
        return sameText(mode, ModeMaster);
    case EditGuard::NotMaster:
        return !sameText(mode, ModeMaster);
    case EditGuard::MasterOrExtension:
        return sameText(mode, ModeMaster) || sameText(mode, ModeExtension);
    }
    return true;
}

QString frmCorvista::LabelStrip(const QString &answer, const QString &label)
{
    if (label.isEmpty())
        return answer;
    const int at = int(answer.indexOf(label, 0, Qt::CaseInsensitive));
    if (at < 0)
        return answer;
    return answer.mid(at + label.size());
}

void frmCorvista::SendSettingCommand(const QString &command, const RadioSetting &row)
{
    // The alarm mask's answer carries no "PROGRAMMED OK" to wait for.
    const QStringList expected = row.editSpecial == EditSpecial::AwaitPromptOnly
                                     ? QStringList{Prompt::Ready}
                                     : QStringList{Prompt::Ready, Reply::ProgrammedOk};
    qCDebug(lcEdits) << "edit" << row.box << "sends" << command;
    // The answer is not judged: whatever came, the re-read shows the truth.
    Exchange::sendAndWait(*MSComm1, command, expected, ProgramWaitSeconds, CompareMode::IgnoreCase);
    shared().RefreshRequested = true;
}

void frmCorvista::ProgramExchange(const RadioSetting &row)
{
    if (!EditGuardPasses(row.editGuard))
        return;

    QString prompt = row.prompt;
    // A revision that does not read as a number takes the older, wider range, as the page
    // layout does when it cannot read the revision.
    if (!row.promptFrom200.isEmpty() && revisionGatePasses(RevisionGate::NotBelow200, shared().FirmwareRevNumber))
        prompt = row.promptFrom200;

    QString answer = dialogs().inputBox(prompt, row.title, Pages.box(row.box)->text());
    if (answer.isEmpty() || !AnswerSendable(answer))
        return;
    // The minus goes in front of the whole answer, label and all, before the label comes off.
    if (row.editSpecial == EditSpecial::PrefixMinusWhenAbsent && !answer.contains(QLatin1Char('-')))
        answer.prepend(QLatin1Char('-'));
    if (!MSComm1->portOpen())
        return;

    QString command;
    if (row.editSpecial == EditSpecial::SendWholeWhenHoldsAddr
        && answer.contains(QStringLiteral("ADDR"), Qt::CaseInsensitive))
        command = answer;
    else
        command = row.commandWord + LabelStrip(answer, row.labelStrip);
    SendSettingCommand(command, row);
}

void frmCorvista::ToggleExchange(const RadioSetting &row)
{
    if (!EditGuardPasses(row.editGuard))
        return;

    const QString current = Pages.box(row.box)->text();
    QString question;
    QString value;
    if (sameText(current, row.onText)) {
        question = row.questionWhenOn;
        value = QStringLiteral("OFF");
    } else if (sameText(current, row.offText)) {
        question = row.questionWhenOff;
        value = QStringLiteral("ON");
    } else {
        // Neither on nor off (the query got no answer): there is nothing sound to switch to.
        MsgBox(QStringLiteral("The current %1 setting is unknown. Click Refresh to read the radio's settings, "
                              "then try again.")
                   .arg(row.caption),
               Msg::OKOnly, Msg::Exclamation, row.title);
        return;
    }

    if (MsgBox(question, Msg::OKCancel, Msg::NoIcon, row.title) != Msg::OK)
        return;
    if (!MSComm1->portOpen())
        return;
    SendSettingCommand(row.commandWord + value, row);
}

void frmCorvista::DeviceTypeExchange(const RadioSetting &row)
{
    const int choice = MsgBox(row.prompt, Msg::YesNoCancel, Msg::NoIcon, row.title);
    QString value;
    if (choice == Msg::Yes)
        value = row.yesValue;
    else if (choice == Msg::No)
        value = row.noValue;
    else
        return;
    if (!MSComm1->portOpen())
        return;
    SendSettingCommand(row.commandWord + value, row);
}

void frmCorvista::AlarmInfo_Click()
{
    if (!MSComm1->portOpen())
        return;
    const QString stat = findSettingByBox(QStringLiteral("AlarmInfo"))->commandWord;
    Exchange::sendAndWait(*MSComm1, stat, {Prompt::Ready, stat}, ProgramWaitSeconds, CompareMode::IgnoreCase);
    // The report is read in the terminal pane; each further page is asked for with a bare CR.
    for (int page = 0; page < MaxFurtherStatusPages; ++page) {
        if (!Exchange::contains(shared().RxBuffer, Prompt::More, CompareMode::IgnoreCase))
            break;
        Exchange::sendAndWait(*MSComm1, QString(), {QStringLiteral("\r\n>")}, ProgramWaitSeconds,
                              CompareMode::IgnoreCase);
    }
}

void frmCorvista::ShowSync_Click()
{
    if (!MSComm1->portOpen())
        return;
    const RadioSetting &row = *findSettingByBox(QStringLiteral("ShowSync"));
    const SharedState &s = shared();
    if (!Exchange::sendAndAwaitAnswer(*MSComm1, row.commandWord, Prompt::Ready, RereadWaitSeconds,
                                      CompareMode::IgnoreCase))
        return;
    if (const std::optional<QString> value = ReplyValueRule(row.keyword, s.RxBuffer, s.InSetupMode))
        Pages.box(row.box)->setText(*value);
}

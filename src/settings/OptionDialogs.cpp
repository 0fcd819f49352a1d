// The main window's side of the setting help texts, the diagnostics option dialogs and the
// extension-map editor.
#include "app/frmCorvista.h"

#include "common/SharedState.h"
#include "link/DeviceLoss.h"
#include "link/Exchange.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "settings/ExtensionMap.h"
#include "settings/HelpTexts.h"
#include "settings/frmDLINKOptions.h"
#include "settings/frmDTYPEOptions.h"
#include "settings/frmRTUOptions.h"
#include "settings/frmXMAP.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcOptionDialogs, "wavecrest.settings", QtWarningMsg)

namespace {
constexpr double XmapWaitSeconds = 3;
// Pauses around the cut of the map, as the radio may still be finishing its line.
constexpr int XmapPauseMs = 100;
} // namespace

void frmCorvista::connectHelpLabels()
{
    for (auto it = Pages.labels.constBegin(); it != Pages.labels.constEnd(); ++it) {
        const QString name = it.key();
        connect(it.value(), &SettingLabel::clicked, this, [this, name] { SettingLabel_Click(name); });
    }
}

void frmCorvista::SettingLabel_Click(const QString &labelName)
{
    const RadioSetting *row = findSettingByLabel(labelName);
    if (!row || !row->help)
        return;
    if (const std::optional<HelpText> help = helpTextFor(labelName, shared().FirmwareRevNumber))
        MsgBox(help->text, Msg::OKOnly, Msg::NoIcon, help->title);
}

void frmCorvista::OptionDialog_Click(const QString &boxName)
{
    if (boxName == QLatin1String("DTYPE"))
        DTYPE_Click();
    else if (boxName == QLatin1String("DLINK"))
        DLINK_Click();
    else if (boxName == QLatin1String("SoftRTU"))
        SoftRTU_Click();
}

void frmCorvista::DTYPE_Click()
{
    Exchange::LinkOwnership dialogOwnsLink;
    frmDTYPEOptions dialog(*MSComm1);
    dialogs().execModal(dialog, dialogOwnsLink.ticket());
    shared().RefreshRequested = true;
}

void frmCorvista::DLINK_Click()
{
    Exchange::LinkOwnership dialogOwnsLink;
    frmDLINKOptions dialog(*MSComm1, Pages.box(QStringLiteral("DLINK"))->text());
    dialogs().execModal(dialog, dialogOwnsLink.ticket());
    shared().RefreshRequested = true;
}

void frmCorvista::SoftRTU_Click()
{
    Exchange::LinkOwnership dialogOwnsLink;
    frmRTUOptions dialog(*MSComm1, Pages.box(QStringLiteral("SoftRTU"))->text());
    dialogs().execModal(dialog, dialogOwnsLink.ticket());
    shared().RefreshRequested = true;
}

void frmCorvista::XMAP_Click()
{
    if (!MSComm1->portOpen())
        return;
    Exchange::LinkOwnership editorOwnsLink;
    SharedState &s = shared();
    s.CurrentXmap.clear();
    // Empty, not one blank: the cut below counts positions from the echo's first character.
    s.RxBuffer.clear();
    const QString query = findSettingByBox(QStringLiteral("XMAP"))->commandWord;
    Exchange::commandLine(*MSComm1, query);
    Exchange::answerWait(query, Prompt::Ready, XmapWaitSeconds, CompareMode::IgnoreCase);
    if (DeviceLoss::linkEndedUnder(*MSComm1))
        return;
    Clock::sleepMs(XmapPauseMs);
    s.CurrentXmap = ExtensionMap::cutFromReply(s.RxBuffer);
    Clock::sleepMs(XmapPauseMs);
    qCDebug(lcOptionDialogs) << "extension map read as" << s.CurrentXmap;

    // Unticked boxes would otherwise pass for a map that allows no address at all.
    if (s.CurrentXmap.isEmpty())
        MsgBox(QStringLiteral("The radio did not report its extension map, so no address is ticked. "
                              "Close the editor and click again to read the map once more."),
               Msg::OKOnly, Msg::Exclamation, QStringLiteral("Warning"));

    frmXMAP editor(*MSComm1);
    editor.CurrentButton_Click();
    dialogs().execModal(editor, editorOwnsLink.ticket());
}

// The radio's settings as one constant table: every window that shows, reads, edits, saves or
// restores a setting walks these rows, so a setting is described here and nowhere else.
#pragma once

#include <QList>
#include <QString>

#include <optional>

// Firmware revisions for which a setting exists. The tests are made on FirmwareRevNumber read
// as a decimal number; a test that cannot read it counts as true (see revisionGatePasses).
enum class RevisionGate {
    None,
    Below200,      // "revision below 200"
    From200,       // "revision 200 or more"
    NotBelow200,   // from 200 as the other branch of the below-200 choice: not met when unreadable
    From300,
    From320,
};

// What the mode layout does with the value box after the "mode" query.
enum class ModeLayout {
    None,
    MasterOnly,           // enabled with the arrow at "MODE M", disabled with no-drop otherwise
    NotMaster,            // the reverse
    NotRemote,            // disabled with no-drop at "MODE R", enabled with the arrow otherwise
    DisabledUnlessMaster, // disabled with no-drop away from "MODE M"; left alone at "MODE M"
};

// How a click on the value box edits the setting.
enum class EditKind { None, Input, Toggle, YesNo, StatusPager, Editor, Reread, Dialog };

// The mode test an edit makes before it asks anything; a failing guard ends the click silently.
enum class EditGuard { None, MasterOnly, NotMaster, MasterOrExtension };

// The few edits that treat the answer or the reply differently from the plain input edit.
enum class EditSpecial {
    None,
    SendWholeWhenHoldsAddr,  // an answer holding "ADDR" goes out whole, as typed
    PrefixMinusWhenAbsent,   // an answer without "-" gets one in front before the label strip
    AwaitPromptOnly,         // the wait ends at ">" without "PROGRAMMED OK"
};

// The "GENERAL" frame; the tab pages are NetSet 0 to 5.
constexpr int GeneralPage = -1;
constexpr int NetSetPageCount = 6;

struct RadioSetting
{
    // ---- the radio and the read-out ----
    QString keyword;               // query word, lower case ("rxtot", "show sync")
    QString box;                   // value box name ("RxTimeOut")
    int readOutPosition = 0;       // place in the read-out, 1-39; 0: never queried there
    int readOutGroup = 0;          // the read-out pauses after each group; 0 with position 0
    RevisionGate gate = RevisionGate::None;
    QString specialReply;          // reply text that makes the box show "NOT AVAILABLE"
    bool notQueriedAtModeR = false; // at "MODE R" the query is not sent and the box shows "NOT AVAILABLE"

    // ---- the page ----
    QString label;                 // label control name ("RxtoLabel")
    QString caption;               // label caption, the setting's name for the user
    int page = GeneralPage;        // GeneralPage or the NetSet index 0-5
    int pageRow = 0;               // place on its page, from the top
    QString designText = QStringLiteral("n/a");  // what the box shows before the first read
    QString toolTip;               // the value box's tool tip
    QString longestReply;          // the widest reply the box must show whole (lines joined by CR LF)
    ModeLayout modeLayout = ModeLayout::None;
    bool help = true;              // the label shows a help text when clicked

    // ---- the edit ----
    EditKind editKind = EditKind::None;
    EditGuard editGuard = EditGuard::None;
    QString commandWord;           // "rxtot " (a set command ends in one blank); "stat"
    QString labelStrip;            // reply label taken off the answer ("RXTOT ", "MASK:"); empty: none
    QString prompt;                // input prompt, or the yes/no question (CR CR between paragraphs)
    QString promptFrom200;         // the prompt from revision 200 on, where it differs
    QString title;                 // input box or question title
    QString onText;                // toggles: the box text when on ("BUFF ON") ...
    QString offText;               // ... and when off ("BUFF OFF")
    QString questionWhenOn;        // toggles: asked when the box shows onText (the value sent is "OFF")
    QString questionWhenOff;       // toggles: asked when the box shows offText (the value sent is "ON")
    QString yesValue;              // yes/no: the value sent on Yes ...
    QString noValue;               // ... and on No
    EditSpecial editSpecial = EditSpecial::None;

    // ---- the restore window ----
    QString restoreCheck;          // check box name; empty: the restore window has no such row
    QString restoreCaption;        // its caption
    int restoreOrder = 0;          // place in Check All / Uncheck All and in programming, 1-35
    int restoreGroup = 0;          // group of the restore window's read-out, 1-10
    RevisionGate restoreReadGate = RevisionGate::None;  // gate of that read-out

    // ---- the configuration report ----
    int reportOrder = 0;           // place in the report, 1-32; 0: no line
    QString reportQuery;           // query the report sends ("unit", "OWN")
    QString reportKeyword;         // text the report's line starts at ("UNIT", "MASK"); empty: none
    QString reportStatus;          // "Status" panel text while saving; empty: the panel is left as it is

    bool hasRestoreEntry() const { return !restoreCheck.isEmpty(); }
    // "New" followed by the box name: the restore window's box for the file's value.
    QString restoreNewBox() const { return hasRestoreEntry() ? QStringLiteral("New") + box : QString(); }
};

// The constant table, in read-out order (XMAP, never read there, stands in its page place).
const QList<RadioSetting> &RadioSettingCatalogue();

// Lookups; nullptr when no row has that name. The keyword lookup ignores case.
const RadioSetting *findSettingByKeyword(const QString &keyword);
const RadioSetting *findSettingByBox(const QString &boxName);
const RadioSetting *findSettingByLabel(const QString &labelName);

// FirmwareRevNumber read as a decimal number; nothing when it does not read as one.
std::optional<double> firmwareRevisionValue(const QString &FirmwareRevNumber);

// Whether a query gated so is sent at this revision. "From N" passes at exactly N. A revision
// that is not a number meets every gate except NotBelow200, the other side of "below 200".
bool revisionGatePasses(RevisionGate gate, const QString &FirmwareRevNumber);

// Whether the version layout shows a row gated so. It tests "below 200", "below 300" and
// "below 320" and shows the from-N rows on the false side; an unreadable revision makes every
// test true, which shows the below-200 rows and hides every from-N row.
bool versionLayoutShows(RevisionGate gate, const QString &FirmwareRevNumber);

// The six preset buttons of the Tasks view, their files Presets/Preset<n>.txt and the pop-up menu
// that views, deletes, renames and describes a preset. A preset file is a configuration file
// behind three header lines that name its slot, its description and its button caption.
#include "app/frmCorvista.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "config/ConfigFiles.h"
#include "config/frmViewer.h"
#include "link/TerminalPane.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLoggingCategory>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>

#include <optional>

Q_LOGGING_CATEGORY(lcPresets, "wavecrest.config.presets", QtWarningMsg)

namespace {

constexpr int PresetCount = 6;
constexpr int CaptionLimit = 12;
constexpr int FreeFontSize = 8;
constexpr int UsedFontSize = 9;

const QString FileKey = QStringLiteral("#PresetFile");
const QString NameKey = QStringLiteral("#Name:");
const QString CaptionKey = QStringLiteral("#PresetCaption:");
const QString Empty = QStringLiteral("EMPTY");

bool isFree(const QPushButton *button)
{
    return button->property("Tag").toString().compare(Empty, Qt::CaseInsensitive) == 0;
}

void setFontSize(QPushButton *button, int points)
{
    QFont font = button->font();
    font.setPointSize(points);
    button->setFont(font);
}

void markUsed(QPushButton *button)
{
    button->setProperty("Tag", QString());
    setFontSize(button, UsedFontSize);
}

void markFree(QPushButton *button)
{
    button->setToolTip(QString());
    button->setText(QStringLiteral("(Empty)"));
    button->setProperty("Tag", Empty);
    setFontSize(button, FreeFontSize);
    button->setEnabled(false);
}

// The leading number of a text, as a slot number is read ("3", " 3 ", "3x"); 0 when none.
int leadingNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([0-9]+)"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).left(9).toInt() : 0;
}

// What one preset file says about its button. A file naming no slot from 1 to 6, or naming
// a caption or description before its slot, says nothing.
struct PresetHeader
{
    int slot = 0;
    std::optional<QString> name;
    std::optional<QString> caption;
};

std::optional<PresetHeader> readPresetHeader(const QStringList &lines)
{
    PresetHeader header;
    for (const QString &line : lines) {
        if (line.startsWith(FileKey, Qt::CaseInsensitive)) {
            header.slot = leadingNumber(line.mid(FileKey.size()));
            if (header.slot < 1 || header.slot > PresetCount)
                return std::nullopt;
        } else if (line.startsWith(NameKey, Qt::CaseInsensitive)) {
            if (header.slot == 0)
                return std::nullopt;
            header.name = line.mid(NameKey.size());
        } else if (line.startsWith(CaptionKey, Qt::CaseInsensitive)) {
            if (header.slot == 0)
                return std::nullopt;
            header.caption = line.mid(CaptionKey.size());
        }
    }
    if (header.slot == 0)
        return std::nullopt;
    return header;
}

QString captionPrompt()
{
    return QStringLiteral("Enter a short name for the preset.\r\n\r\n"
                          "This will be displayed as the preset\r\nbutton caption.\r\n\r\n(Limit 12 Chars.)");
}

// The caption the user gives, cut to 12 characters with consent; nothing when the user gives up
// or gives one that the radio cannot take.
std::optional<QString> askCaption(const QString &title, QString defaultText)
{
    for (;;) {
        const QString answer = dialogs().inputBox(captionPrompt(), title, defaultText);
        if (answer.isEmpty()) {
            if (MsgBox(QStringLiteral("Cancel Preset Saving "), Msg::YesNo, Msg::NoIcon,
                       QStringLiteral("Cancel Preset"))
                == Msg::Yes)
                return std::nullopt;
            continue;
        }
        // The caption and the description are lines of the preset file: a line end in one would
        // put a command of its own into the file the radio is programmed from.
        if (!AnswerSendable(answer))
            return std::nullopt;
        if (answer.size() <= CaptionLimit)
            return answer;
        const QString cut = answer.left(CaptionLimit);
        if (MsgBox(QStringLiteral("Pre-set button caption will be\r\n\r\ntruncated to: ") + cut, Msg::OKCancel,
                   Msg::NoIcon, QStringLiteral("New Preset Name"))
            == Msg::OK)
            return cut;
        defaultText = answer;
    }
}

// Rewrites the preset file with every line that begins with prefix (any case) replaced by
// replacement; a missing file is left missing. False, with the user told why, when the file
// could not be read or rewritten: it is then as it was.
bool rewritePresetLines(int slot, const QString &prefix, const QString &replacement)
{
    const QString path = frmCorvista::presetPath(slot);
    if (!FileExists(path))
        return true;
    QString error;
    std::optional<QStringList> lines = ConfigFiles::readLines(path, &error);
    if (!lines) {
        qCWarning(lcPresets) << "cannot read" << path << error;
        RegularFile::showReadFailure(path, error);
        return false;
    }
    for (QString &line : *lines)
        if (line.startsWith(prefix, Qt::CaseInsensitive))
            line = replacement;
    if (!ConfigFiles::writeThroughTmp(path, *lines, &error)) {
        qCWarning(lcPresets) << "cannot rewrite" << path << error;
        ConfigFiles::showWriteFailure(path, error);
        return false;
    }
    return true;
}

// The slot's button is free, yet a file may be there: one that could not be read at start-up, or
// that names another slot. It is replaced only when the user says so.
bool mayReplaceUnlistedPreset(const QString &path)
{
    if (!FileExists(path) || !RegularFile::notAFile(path).isEmpty())
        return true;
    QString why;
    if (const std::optional<QStringList> lines = ConfigFiles::readLines(path, &why); lines)
        why = QStringLiteral("It is not a preset for this button.");
    return MsgBox(QStringLiteral("The preset file\r\n") + QDir::toNativeSeparators(path)
                      + QStringLiteral("\r\nis there, but gives this button no preset:\r\n\r\n") + why
                      + QStringLiteral("\r\n\r\nReplace it with the new preset?"),
                  Msg::YesNo, Msg::Exclamation, QStringLiteral("Save to Preset"))
        == Msg::Yes;
}

// A preset button's mouse-up, by its index, as the window's handler takes it. The keyboard's
// press of the focused button (Space, Enter) is its left button, the menu key its right.
class PresetButtonWatch : public QObject
{
public:
    PresetButtonWatch(frmCorvista &window, int index, QPushButton *button)
        : QObject(button), m_window(window), m_index(index)
    {
        // A mouse's release never gets to the button (below): this is the keyboard's press.
        connect(button, &QPushButton::clicked, this, [this] { m_window.cmdPre_MouseUp(m_index, 1); });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *button = static_cast<QPushButton *>(watched);
        if (event->type() == QEvent::ContextMenu && button->isEnabled()
            && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
            m_window.cmdPre_MouseUp(m_index, 2);
            return true;
        }
        // Qt hands a disabled button's mouse events to its filters too: a free slot, a slot
        // while disconnected or any slot during a programming run must not act on them.
        if (event->type() != QEvent::MouseButtonRelease || !button->isEnabled())
            return QObject::eventFilter(watched, event);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // Lets the button draw itself released before a long programming run begins.
        button->setDown(false);
        if (mouse->button() == Qt::LeftButton)
            m_window.cmdPre_MouseUp(m_index, 1);
        else if (mouse->button() == Qt::RightButton)
            m_window.cmdPre_MouseUp(m_index, 2);
        return true;
    }

private:
    frmCorvista &m_window;
    int m_index;
};

} // namespace

QString frmCorvista::presetPath(int slot)
{
    return AppPaths::programFolder() + QStringLiteral("/Presets/Preset") + QString::number(slot)
        + QStringLiteral(".txt");
}

void frmCorvista::connectLoaderAndPresets()
{
    connect(cmdProgramFromFile, &QPushButton::clicked, this, &frmCorvista::cmdProgramFromFile_Click);
    connect(cmdReadRadio, &QPushButton::clicked, this, &frmCorvista::cmdReadRadio_Click);
    connect(cmdSaveToPreset, &QPushButton::clicked, this, &frmCorvista::cmdSaveToPreset_Click);
    for (int i = 0; i < PresetCount; ++i)
        cmdPre[i]->installEventFilter(new PresetButtonWatch(*this, i, cmdPre[i]));
    connect(mnuPresetView, &QAction::triggered, this, &frmCorvista::mnuPresetView_Click);
    connect(mnuPresetDelete, &QAction::triggered, this, &frmCorvista::mnuPresetDelete_Click);
    connect(mnuPresetRename, &QAction::triggered, this, &frmCorvista::mnuPresetRename_Click);
    connect(mnuPresetEditDesc, &QAction::triggered, this, &frmCorvista::mnuPresetEditDesc_Click);
}

void frmCorvista::LoadPresetButtons()
{
    shared().IniFilePath = AppPaths::inProgramFolder(QStringLiteral("KarvelWCQXConfig.ini"));
    const QDir folder(AppPaths::inProgramFolder(QStringLiteral("Presets")));
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &entry : entries) {
        if (!entry.endsWith(QLatin1String(".TXT"), Qt::CaseInsensitive))
            continue;
        const std::optional<QStringList> lines = ConfigFiles::readLines(folder.filePath(entry));
        if (!lines)
            continue;
        const std::optional<PresetHeader> header = readPresetHeader(*lines);
        if (!header) {
            qCInfo(lcPresets) << "not a preset for any button:" << entry;
            continue;
        }
        QPushButton *button = cmdPre[header->slot - 1];
        markUsed(button);
        if (header->name)
            button->setToolTip(*header->name);
        if (header->caption)
            button->setText(*header->caption);
    }
}

void frmCorvista::UpdateSaveToPresetButton()
{
    for (int slot = 1; slot <= PresetCount; ++slot) {
        if (!FileExists(presetPath(slot))) {
            cmdSaveToPreset->setEnabled(true);
            return;
        }
    }
    cmdSaveToPreset->setEnabled(false);
}

void frmCorvista::cmdSaveToPreset_Click()
{
    const Exchange::LinkOwnership operation;
    if (refusedWhileBusy(operation))
        return;
    int index = 0;
    while (index < PresetCount && !isFree(cmdPre[index]))
        ++index;
    if (index == PresetCount)
        return;
    const int slot = index + 1;
    const std::optional<QString> caption = askCaption(Dialogs::applicationTitle(), QString());
    if (!caption)
        return;
    const QString description = dialogs().inputBox(
        QStringLiteral("Enter a meaningful name for the preset.\r\n\r\n"
                       "This will be displayed when the mouse hovers\r\nover the preset buttons."),
        Dialogs::applicationTitle(), QString());
    if (description.isEmpty()) {
        MsgBox(QStringLiteral("Preset Save Cancelled"));
    } else if (AnswerSendable(description)) {
        const QString folder = AppPaths::inProgramFolder(QStringLiteral("Presets"));
        if (!DirExists(folder) && !QDir().mkpath(folder)) {
            MsgBox(QStringLiteral("Error Creating \\Presets directory."), Msg::OKOnly, Msg::NoIcon,
                   QStringLiteral("File I/O Error"));
            return;
        }
        const QString path = presetPath(slot);
        const QString tmp = ConfigFiles::tmpSibling(path);
        // What cannot be taken away (a folder of that name) could not be written either, nor can
        // the open log be replaced: the radio is not asked for a report that would have nowhere
        // to go.
        for (const QString &old : {path, tmp}) {
            if (const QString why = SafeFile::refusal(old); !why.isEmpty()) {
                ConfigFiles::showWriteFailure(old, why);
                return;
            }
        }
        if (!mayReplaceUnlistedPreset(path))
            return;
        for (const QString &old : {path, tmp}) {
            QFile file(old);
            if (FileExists(old) && !file.remove()) {
                ConfigFiles::showWriteFailure(old, file.errorString());
                return;
            }
        }
        // The other slots' reports left behind by a save that was killed half-way.
        for (int other = 1; other <= PresetCount; ++other) {
            const QString leftover = ConfigFiles::tmpSibling(presetPath(other));
            if (RegularFile::notAFile(leftover).isEmpty() && SafeFile::refusal(leftover).isEmpty())
                QFile::remove(leftover);
        }
        frQuick->setEnabled(false);
        txtTerm->setText(QStringLiteral("\r\n").repeated(5) + QStringLiteral("PROGRAMMING."));
        SaveConfigurationReport(tmp, false);
        // The report leaves its file only when it is complete; a radio that stopped answering
        // leaves no file, and no preset that would program a radio with half a configuration.
        // A report that failed has said why (the radio's silence, or the file it could not
        // write): one message is enough.
        QString error;
        bool written = false;
        if (FileExists(tmp)) {
            const std::optional<QStringList> report = ConfigFiles::readLines(tmp, &error);
            const QStringList lines{FileKey + QString::number(slot), NameKey + description, CaptionKey + *caption};
            if (!report) {
                RegularFile::showReadFailure(tmp, error);
            } else {
                written = ConfigFiles::writeThroughTmp(path, lines + *report, &error);
                if (!written)
                    ConfigFiles::showWriteFailure(path, error);
            }
        }
        QFile::remove(tmp);
        if (!written) {
            frQuick->setEnabled(true);
            return;
        }
        QPushButton *button = cmdPre[index];
        button->setToolTip(description);
        button->setText(*caption);
        button->setEnabled(true);
        markUsed(button);
        bool anyFree = false;
        for (const QPushButton *b : cmdPre)
            anyFree = anyFree || isFree(b);
        if (!anyFree)
            cmdSaveToPreset->setEnabled(false);
    }
    frQuick->setEnabled(true);
    refreshAfterTask();
}

void frmCorvista::cmdPre_MouseUp(int index, int button)
{
    if (index < 0 || index >= PresetCount)
        return;
    QPushButton *preset = cmdPre[index];
    if (button == 2) {
        shared().PresetMenuIndex = index;
        // Under the pointer that clicked, or under the button the keyboard chose.
        dialogs().execMenu(*mnuPreset, preset->underMouse() ? QCursor::pos()
                                                            : preset->mapToGlobal(QPoint(0, preset->height())));
        return;
    }
    if (button != 1)
        return;
    const Exchange::LinkOwnership operation;
    if (refusedWhileBusy(operation))
        return;
    if (MsgBox(QStringLiteral("Program connected radio using preset: ") + preset->toolTip() + QStringLiteral("    ?"),
               Msg::YesNo, Msg::NoIcon, QStringLiteral("Program from Preset"))
        != Msg::Yes)
        return;
    QString path = presetPath(index + 1);
    if (!LoadConfigurationFile(path, false))
        return;
    programFromConfigurationFile(path, QStringLiteral("PROGRAMMING."));
}

void frmCorvista::mnuPresetView_Click()
{
    if (refusedWhileBusy())
        return;
    const int index = shared().PresetMenuIndex;
    const QString path = presetPath(index + 1);
    frmViewer viewer(this);
    viewer.setWindowTitle(cmdPre[index]->text());
    if (!FileExists(path))
        return;
    QString error;
    const std::optional<QStringList> lines = ConfigFiles::readLines(path, &error);
    if (!lines) {
        RegularFile::showReadFailure(path, error);
        return;
    }
    QString text;
    for (const QString &line : *lines)
        text += line + QStringLiteral("\r\n");
    viewer.setText(text);
    dialogs().execModal(viewer);
}

void frmCorvista::mnuPresetDelete_Click()
{
    if (refusedWhileBusy())
        return;
    const int index = shared().PresetMenuIndex;
    QPushButton *button = cmdPre[index];
    if (MsgBox(QStringLiteral("Delete Preset ?\r\n\r\nPreset Caption: ") + button->text()
                   + QStringLiteral("\r\n\r\nDescription: ") + button->toolTip(),
               Msg::YesNo, Msg::NoIcon, Dialogs::applicationTitle())
        == Msg::Yes) {
        markFree(button);
        const QString path = presetPath(index + 1);
        if (FileExists(path) && !QFile::remove(path))
            MsgBox(QStringLiteral("Unspecified File I/O Error."), Msg::OKOnly, Msg::NoIcon, QStringLiteral("File Error"));
    }
    cmdSaveToPreset->setEnabled(true);
}

void frmCorvista::mnuPresetRename_Click()
{
    if (refusedWhileBusy())
        return;
    const int index = shared().PresetMenuIndex;
    const std::optional<QString> caption = askCaption(QStringLiteral("Rename Preset Button"), cmdPre[index]->text());
    if (!caption)
        return;
    if (rewritePresetLines(index + 1, CaptionKey, CaptionKey + *caption))
        cmdPre[index]->setText(*caption);
}

void frmCorvista::mnuPresetEditDesc_Click()
{
    if (refusedWhileBusy())
        return;
    const int index = shared().PresetMenuIndex;
    const QString description =
        dialogs().inputBox(QStringLiteral("Edit this presets long description below."),
                           QStringLiteral("Edit Preset Description"), cmdPre[index]->toolTip());
    if (description.isEmpty() || !AnswerSendable(description))
        return;
    if (rewritePresetLines(index + 1, NameKey, NameKey + description))
        cmdPre[index]->setToolTip(description);
}

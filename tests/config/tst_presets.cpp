// The preset buttons against the simulated radio over a pseudo-terminal: buttons filled from the
// preset files at start-up, saving a preset from the radio, programming the radio from one, and
// the pop-up menu's view, delete, rename and description edit, with the files on disk.
#include "app/KeyboardAccess.h"
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "config/frmViewer.h"
#include "link/TerminalPane.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "support/FullDisk.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using Files = QMap<QString, QStringList>;
Q_DECLARE_METATYPE(Files)

namespace {

constexpr double Scale = 0.1;

// Caption, tooltip, Tag and font size of one button.
using ButtonState = QStringList;

ButtonState freeButton()
{
    return {"(Empty)", "", "EMPTY", "8"};
}

ButtonState stateOf(const QPushButton *b)
{
    return {b->text(), b->toolTip(), b->property("Tag").toString(), QString::number(b->font().pointSize())};
}

QString presetFolder(RadioRig &rig)
{
    return rig.env().path("Presets");
}

void writeLines(const QString &path, const QStringList &lines)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (const QString &line : lines)
        f.write(line.toLatin1() + "\r\n");
}

QStringList preset(int slot, const QString &name, const QString &caption)
{
    return {QStringLiteral("#PresetFile%1").arg(slot), "#Name:" + name, "#PresetCaption:" + caption,
            "#With Firmware Version:  17-2851A01 3.2.0  01Jan2024", "ADDR 1001", "XADDR 3"};
}

void writePreset(RadioRig &rig, int slot, const QString &name, const QString &caption)
{
    writeLines(rig.env().path(QStringLiteral("Presets/Preset%1.txt").arg(slot)), preset(slot, name, caption));
}

// Acts on the modal window T once it shows; closes it a few seconds later if the action did not.
template <typename T>
[[nodiscard]] std::unique_ptr<QTimer> whenShown(std::function<void(T &)> action)
{
    auto poll = std::make_unique<QTimer>();
    QTimer *timer = poll.get();
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto *window = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!window || !window->isVisible())
            return;
        timer->stop();
        QTimer::singleShot(3000, window, [window] { window->reject(); });
        action(*window);
    });
    timer->start();
    return poll;
}

const QString CaptionPrompt = QStringLiteral("Enter a short name for the preset.\r\n\r\n"
                                             "This will be displayed as the preset\r\nbutton caption.\r\n\r\n"
                                             "(Limit 12 Chars.)");

} // namespace

class TestPresets : public QObject
{
    Q_OBJECT
    const KeyboardAccess keys;

private slots:
    void buttonsFromPresetFiles_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<int>("index");
        QTest::addColumn<ButtonState>("state");
        const QStringList tower = preset(2, "Tower site master", "Tower");
        QTest::newRow("a preset fills the button its slot line names") << Files{{"Preset2.txt", tower}} << 1
                                                                       << ButtonState{"Tower", "Tower site master", "", "9"};
        QTest::newRow("the slot line decides, not the file name") << Files{{"Other.txt", tower}} << 1
                                                                  << ButtonState{"Tower", "Tower site master", "", "9"};
        QTest::newRow("prefixes in any case")
            << Files{{"Preset3.txt", {"#presetfile3", "#NAME:Pump", "#presetCAPTION:P3"}}} << 2
            << ButtonState{"P3", "Pump", "", "9"};
        QTest::newRow("upper-case extension is read") << Files{{"PRESET2.TXT", tower}} << 1
                                                      << ButtonState{"Tower", "Tower site master", "", "9"};
        QTest::newRow("other extensions are ignored") << Files{{"Preset2.bak", tower}} << 1 << freeButton();
        QTest::newRow("slot 7 changes no button") << Files{{"Preset7.txt", preset(7, "Seven", "Seven")}} << 5
                                                  << freeButton();
        QTest::newRow("slot 0 changes no button") << Files{{"Preset1.txt", preset(0, "Zero", "Zero")}} << 0
                                                  << freeButton();
        QTest::newRow("a description before the slot line changes no button")
            << Files{{"Preset2.txt", {"#Name:Early", "#PresetFile2", "#PresetCaption:Early"}}} << 1 << freeButton();
    }

    void buttonsFromPresetFiles()
    {
        QFETCH(Files, files);
        QFETCH(int, index);
        QFETCH(ButtonState, state);
        RIG(rig, Scale);
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            writeLines(presetFolder(rig) + QLatin1Char('/') + it.key(), it.value());
        frmCorvista &w = rig.openWindow();
        QCOMPARE(stateOf(w.cmdPre[index]), state);
        QVERIFY(!w.cmdPre[index]->isEnabled());
        QCOMPARE(shared().IniFilePath, rig.env().path("KarvelWCQXConfig.ini"));
    }

    void connectEnablesUsedButtonsAndSaveWhileASlotIsFree_data()
    {
        QTest::addColumn<int>("presets");
        QTest::addColumn<bool>("saveEnabled");
        QTest::newRow("five presets leave SAVE TO PRESET enabled") << 5 << true;
        QTest::newRow("six presets disable SAVE TO PRESET") << 6 << false;
    }

    void connectEnablesUsedButtonsAndSaveWhileASlotIsFree()
    {
        QFETCH(int, presets);
        QFETCH(bool, saveEnabled);
        RIG(rig, Scale, writableRadio());
        for (int slot = 1; slot <= presets; ++slot)
            writePreset(rig, slot, QStringLiteral("Site %1").arg(slot), QStringLiteral("S%1").arg(slot));
        frmCorvista &w = connectQuietly(rig);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(w.cmdPre[i]->isEnabled(), i < presets);
        QCOMPARE(w.cmdSaveToPreset->isEnabled(), saveEnabled);
    }

    void savePreset_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("caption");   // empty: nothing saved
        QTest::addColumn<QStringList>("messages");   // %1: the preset file
        QTest::addColumn<QStringList>("before");     // in Presets before the save; "log": the open log there
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("short caption and description") << QStringList{"Tower", "Tower site master"} << QList<int>{}
                                                       << "Tower" << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("13 characters are offered cut to 12")
            << QStringList{"Tower Site 12", "Tower site master"} << QList<int>{Msg::OK} << "Tower Site 1"
            << QStringList{"Pre-set button caption will be\r\n\r\ntruncated to: Tower Site 1"} << QStringList{} << QStringList{};
        QTest::newRow("Cancel at the cut asks again")
            << QStringList{"Tower Site 12", "Tower", "Tower site master"} << QList<int>{Msg::Cancel} << "Tower"
            << QStringList{"Pre-set button caption will be\r\n\r\ntruncated to: Tower Site 1"} << QStringList{} << QStringList{};
        QTest::newRow("empty caption answered No asks again")
            << QStringList{"", "Tower", "Tower site master"} << QList<int>{Msg::No} << "Tower"
            << QStringList{"Cancel Preset Saving "} << QStringList{} << QStringList{};
        QTest::newRow("empty caption answered Yes ends the save")
            << QStringList{""} << QList<int>{Msg::Yes} << "" << QStringList{"Cancel Preset Saving "} << QStringList{} << QStringList{};
        QTest::newRow("leftovers of killed saves go, a user's files of like names stay")
            << QStringList{"Tower", "Tower site master"} << QList<int>{} << "Tower" << QStringList{}
            << QStringList{"Preset4.tmp", ".wavecrest-save-k7q2zz", "Preset4.tmp.txt", ".wavecrest-save-notes"}
            << QStringList{"Preset4.tmp.txt", ".wavecrest-save-notes"};
        QTest::newRow("the open communications log in the slot's place is kept and logs on")
            << QStringList{"Tower", "Tower site master"} << QList<int>{} << ""
            << QStringList{"The file could not be saved:\r\n%1\r\n\r\nIt is the communications log, open and being "
                           "written. Close the log first, or save under another name."}
            << QStringList{"log"} << QStringList{"Preset2.txt"};
    }

    void savePreset()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QList<int>, answers);
        QFETCH(QString, caption);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, before);
        QFETCH(QStringList, kept);
        RIG(rig, Scale, writableRadio());
        writePreset(rig, 1, "First", "One");
        for (const QString &name : before)
            if (name != QLatin1String("log"))
                writeLines(rig.env().path("Presets/" + name), {"kept or not"});
        frmCorvista &w = connectQuietly(rig);
        const QString path = rig.env().path("Presets/Preset2.txt");
        if (before.contains(QStringLiteral("log"))) {
            rig.dialogs().answerSave(path);
            w.mnuOpenLog_Click();
            QCOMPARE(shared().LogFileNum, qint16(1));
            rig.dialogs().clear();
        }
        for (QString &text : messages)
            text = text.arg(QDir::toNativeSeparators(path));
        for (const QString &text : inputs)
            rig.dialogs().answerInput(text);
        for (int a : answers)
            rig.dialogs().answerMsgBox(a);
        w.cmdSaveToPreset->click();
        QCOMPARE(rig.dialogs().messageTexts(), messages);
        QCOMPARE(rig.dialogs().shown.first().text, CaptionPrompt);
        QCOMPARE(rig.dialogs().shown.first().title, QStringLiteral("KARVEL Wavecrest SS Configuration"));
        QStringList files = QDir(presetFolder(rig)).entryList(QDir::Files | QDir::Hidden);
        kept << "Preset1.txt" << (caption.isEmpty() ? QStringList{} : QStringList{"Preset2.txt"});
        files.sort();
        kept.sort();
        QCOMPARE(files, kept);
        if (caption.isEmpty()) {
            QCOMPARE(shared().LogFileNum, qint16(before.contains(QStringLiteral("log")) ? 1 : 0));
            QCOMPARE(stateOf(w.cmdPre[1]), freeButton());
            QVERIFY(rig.radio().lines().isEmpty());
            return;
        }
        const QStringList lines = crLfFileLines(path);
        QCOMPARE(lines.mid(0, 3), (QStringList{"#PresetFile2", "#Name:Tower site master", "#PresetCaption:" + caption}));
        QVERIFY(lines[3].startsWith(QLatin1String("#Created by Karvel Wavecrest Configuration Software Version ")));
        QVERIFY(lines.contains(QStringLiteral("UNIT 12345")));
        QVERIFY(lines.contains(QStringLiteral("DLINK OFF")));
        QCOMPARE(stateOf(w.cmdPre[1]), (ButtonState{caption, "Tower site master", "", "9"}));
        QVERIFY(w.cmdPre[1]->isEnabled());
        QVERIFY(w.cmdSaveToPreset->isEnabled());
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(shared().RefreshRequested);
        QVERIFY(!shared().IgnoreCommEvents);
    }

    void emptyDescriptionCancelsTheSave()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerInput("Tower");
        w.cmdSaveToPreset_Click();
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{"Preset Save Cancelled"});
        QVERIFY(!QFile::exists(rig.env().path("Presets/Preset1.txt")));
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().isEmpty());
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(shared().RefreshRequested);
    }

    void lastFreeSlotDisablesSaveAndAFullSetDoesNothing()
    {
        RIG(rig, Scale, writableRadio());
        for (int slot : {1, 2, 3, 5, 6})
            writePreset(rig, slot, QStringLiteral("Site %1").arg(slot), QStringLiteral("S%1").arg(slot));
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerInput("Four");
        rig.dialogs().answerInput("Site four");
        w.cmdSaveToPreset_Click();
        QCOMPARE(stateOf(w.cmdPre[3]), (ButtonState{"Four", "Site four", "", "9"}));
        QVERIFY(!w.cmdSaveToPreset->isEnabled());
        rig.dialogs().clear();
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        w.cmdSaveToPreset_Click();
        QVERIFY(rig.dialogs().shown.isEmpty());
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().isEmpty());
    }

    // A report cut short is not a configuration: no preset is made of it and the slot stays free.
    void radioThatStopsAnsweringLeavesNoPreset()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.radio().config().hangsAt = QStringLiteral("pwr");
        rig.dialogs().answerInput("Tower");
        rig.dialogs().answerInput("Tower site master");
        w.cmdSaveToPreset_Click();
        QCOMPARE(QDir(presetFolder(rig)).entryList(QDir::Files), QStringList{});
        QCOMPARE(stateOf(w.cmdPre[0]), freeButton());
        // A radio fault, and nothing else: no file failed.
        const QStringList messages = rig.dialogs().messageTexts();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith(QLatin1String("Radio Communication Error.")));
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(!shared().IgnoreCommEvents);
    }

    // A full disk: the report behind the preset cannot be written, so no preset is made, the
    // presets there are stay as they were, and the user reads why.
    void fullDiskMakesNoPreset()
    {
        RIG(rig, Scale, writableRadio());
        writePreset(rig, 2, "Tower site master", "Tower");
        const QStringList tower = crLfFileLines(rig.env().path("Presets/Preset2.txt"));
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerInput("Pump");
        rig.dialogs().answerInput("Pump station");
        {
            FullDisk disk(100);
            if (!disk.active())
                QSKIP("no file-size limit on this system");
            w.cmdSaveToPreset_Click();
        }
        QCOMPARE(QDir(presetFolder(rig)).entryList(QDir::Files), QStringList{"Preset2.txt"});
        QCOMPARE(crLfFileLines(rig.env().path("Presets/Preset2.txt")), tower);
        QCOMPARE(stateOf(w.cmdPre[0]), freeButton());
        // One message for the one failure, naming the file that could not be written.
        const auto messages = rig.dialogs().messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("File I/O Error"));
        QVERIFY2(messages[0].text.contains(QStringLiteral("File too large")), qPrintable(messages[0].text));
        QVERIFY2(messages[0].text.contains(QDir::toNativeSeparators(rig.env().path("Presets/Preset1.tmp"))),
                 qPrintable(messages[0].text));
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(!shared().IgnoreCommEvents);
    }

    // The report fits but the preset file, a few lines longer, does not.
    void fullDiskForThePresetFileItself()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerInput("Pump");
        rig.dialogs().answerInput("Pump station");
        w.cmdSaveToPreset_Click();
        const QString path = rig.env().path("Presets/Preset1.txt");
        const qint64 size = QFileInfo(path).size();
        QVERIFY(size > 0);
        shared().PresetMenuIndex = 0;
        rig.dialogs().answerMsgBox(Msg::Yes);
        w.mnuPresetDelete->trigger();
        QVERIFY(!QFile::exists(path));
        rig.dialogs().clear();

        rig.dialogs().answerInput("Pump");
        rig.dialogs().answerInput("Pump station");
        {
            FullDisk disk(size - 4);
            if (!disk.active())
                QSKIP("no file-size limit on this system");
            w.cmdSaveToPreset_Click();
        }
        QCOMPARE(QDir(presetFolder(rig)).entryList(QDir::Files), QStringList{});
        QCOMPARE(stateOf(w.cmdPre[0]), freeButton());
        const auto messages = rig.dialogs().messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("The file could not be saved:\r\n") + QDir::toNativeSeparators(path)
                                       + QStringLiteral("\r\n\r\nFile too large"));
        QCOMPARE(messages[0].title, QStringLiteral("File I/O Error"));
    }

    // A folder where the preset file should go cannot be written: the user is told which and why
    // before the radio is asked for a report that would have nowhere to go.
    void folderInPlaceOfThePresetFileSaysSo()
    {
        RIG(rig, Scale, writableRadio());
        const QString path = rig.env().path("Presets/Preset1.txt");
        QVERIFY(QDir().mkpath(path));
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerInput("Pump");
        rig.dialogs().answerInput("Pump station");
        w.cmdSaveToPreset_Click();
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), QStringList{});
        const auto messages = rig.dialogs().messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("File I/O Error"));
        QVERIFY2(messages[0].text.startsWith(QStringLiteral("The file could not be saved:\r\n")
                                             + QDir::toNativeSeparators(path) + QStringLiteral("\r\n\r\n")),
                 qPrintable(messages[0].text));
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(stateOf(w.cmdPre[0]), freeButton());
        QVERIFY(w.frQuick->isEnabled());
    }

    void fullDiskKeepsARenamedPresetAsItWas_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("rename") << "rename";
        QTest::newRow("describe") << "describe";
    }

    void fullDiskKeepsARenamedPresetAsItWas()
    {
        QFETCH(QString, action);
        RIG(rig, Scale, writableRadio());
        writePreset(rig, 2, "Tower site master", "Tower");
        const QString path = rig.env().path("Presets/Preset2.txt");
        const QStringList before = crLfFileLines(path);
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerInput("Hill");
        shared().PresetMenuIndex = 1;
        {
            FullDisk disk(10);
            if (!disk.active())
                QSKIP("no file-size limit on this system");
            if (action == QLatin1String("rename"))
                w.mnuPresetRename->trigger();
            else
                w.mnuPresetEditDesc->trigger();
        }
        QCOMPARE(crLfFileLines(path), before);
        QCOMPARE(QDir(presetFolder(rig)).entryList(QDir::Files), QStringList{"Preset2.txt"});
        QCOMPARE(stateOf(w.cmdPre[1]), (ButtonState{"Tower", "Tower site master", "", "9"}));
        const auto messages = rig.dialogs().messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("File I/O Error"));
        QVERIFY(messages[0].text.contains(QStringLiteral("File too large")));
    }

    void leftClickProgramsFromThePreset_data()
    {
        QTest::addColumn<int>("key");   // 0: the mouse's left button
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("Yes sends NewRadio.txt, then the preset")
            << 0 << int(Msg::Yes) << QStringList{"CTS 7", "ADDR 1001", "XADDR 3"};
        QTest::newRow("No sends nothing") << 0 << int(Msg::No) << QStringList{};
        QTest::newRow("Enter on the focused button asks the same")
            << int(Qt::Key_Return) << int(Msg::Yes) << QStringList{"CTS 7", "ADDR 1001", "XADDR 3"};
        QTest::newRow("Space on the focused button asks the same")
            << int(Qt::Key_Space) << int(Msg::Yes) << QStringList{"CTS 7", "ADDR 1001", "XADDR 3"};
    }

    void leftClickProgramsFromThePreset()
    {
        QFETCH(int, key);
        QFETCH(int, answer);
        QFETCH(QStringList, sent);
        RIG(rig, Scale, writableRadio());
        writePreset(rig, 3, "Pump station", "Pump");
        writeLines(rig.env().path("NewRadio.txt"), {"#baseline", "CTS 7"});
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerMsgBox(answer);
        if (key)
            QTest::keyClick(w.cmdPre[2], Qt::Key(key));
        else
            QTest::mouseClick(w.cmdPre[2], Qt::LeftButton);
        const auto shown = rig.dialogs().messages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("Program connected radio using preset: Pump station    ?"));
        QCOMPARE(shown[0].title, QStringLiteral("Program from Preset"));
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), sent);
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(w.frQuick->isEnabled());
        if (!sent.isEmpty()) {
            QCOMPARE(w.txtTerm->text(), QStringLiteral("\r\n").repeated(5) + QStringLiteral("PROGRAMMING...."));
            QCOMPARE(rig.radio().config().addr, QStringLiteral("1001"));
            QVERIFY(shared().RefreshRequested);
        }
    }

    void rightClickOpensThePresetMenu_data()
    {
        QTest::addColumn<int>("key");   // 0: the mouse's right button
        QTest::newRow("a right click") << 0;
        QTest::newRow("the menu key on the focused button") << int(Qt::Key_Menu);
        QTest::newRow("Shift+F10 on the focused button") << int(Qt::Key_F10);
    }

    void rightClickOpensThePresetMenu()
    {
        QFETCH(int, key);
        RIG(rig, Scale, writableRadio());
        writePreset(rig, 2, "Tower site master", "Tower");
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerMsgBox(Msg::No);
        QTimer poll;
        poll.setInterval(1);
        connect(&poll, &QTimer::timeout, [&] {
            if (QApplication::activePopupWidget() == w.mnuPreset) {
                poll.stop();
                w.mnuPresetDelete->trigger();
                w.mnuPreset->close();
            }
        });
        poll.start();
        if (key == Qt::Key_F10) {
            QTest::keyClick(w.cmdPre[1], Qt::Key_F10, Qt::ShiftModifier);
        } else if (key) {
            // The platform's word for the menu key.
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(2, 2), w.cmdPre[1]->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(w.cmdPre[1], &menu);
        } else {
            QTest::mouseClick(w.cmdPre[1], Qt::RightButton);
        }
        QCOMPARE(shared().PresetMenuIndex, 1);
        QCOMPARE(rig.dialogs().messageTexts(),
                 QStringList{"Delete Preset ?\r\n\r\nPreset Caption: Tower\r\n\r\nDescription: Tower site master"});
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().isEmpty());
    }

    void menuActions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<ButtonState>("button");
        QTest::addColumn<QStringList>("header");   // empty: the file is gone
        const QStringList kept{"#PresetFile2", "#Name:Tower site master", "#PresetCaption:Tower"};
        QTest::newRow("delete answered Yes frees the button and removes the file")
            << "delete" << QStringList{} << QList<int>{Msg::Yes} << freeButton() << QStringList{};
        QTest::newRow("delete answered No keeps it") << "delete" << QStringList{} << QList<int>{Msg::No}
                                                     << ButtonState{"Tower", "Tower site master", "", "9"} << kept;
        QTest::newRow("rename rewrites the caption line")
            << "rename" << QStringList{"Hill"} << QList<int>{} << ButtonState{"Hill", "Tower site master", "", "9"}
            << QStringList{"#PresetFile2", "#Name:Tower site master", "#PresetCaption:Hill"};
        QTest::newRow("rename to nothing answered No asks again")
            << "rename" << QStringList{"", "Hill"} << QList<int>{Msg::No}
            << ButtonState{"Hill", "Tower site master", "", "9"}
            << QStringList{"#PresetFile2", "#Name:Tower site master", "#PresetCaption:Hill"};
        QTest::newRow("rename to nothing answered Yes changes nothing")
            << "rename" << QStringList{""} << QList<int>{Msg::Yes} << ButtonState{"Tower", "Tower site master", "", "9"}
            << kept;
        QTest::newRow("rename to 13 characters is cut to 12")
            << "rename" << QStringList{"Hill top mast"} << QList<int>{Msg::OK}
            << ButtonState{"Hill top mas", "Tower site master", "", "9"}
            << QStringList{"#PresetFile2", "#Name:Tower site master", "#PresetCaption:Hill top mas"};
        QTest::newRow("describe rewrites the name line")
            << "describe" << QStringList{"Hill relay"} << QList<int>{} << ButtonState{"Tower", "Hill relay", "", "9"}
            << QStringList{"#PresetFile2", "#Name:Hill relay", "#PresetCaption:Tower"};
        QTest::newRow("describe cancelled changes nothing")
            << "describe" << QStringList{""} << QList<int>{} << ButtonState{"Tower", "Tower site master", "", "9"}
            << kept;
    }

    void menuActions()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, inputs);
        QFETCH(QList<int>, answers);
        QFETCH(ButtonState, button);
        QFETCH(QStringList, header);
        RIG(rig, Scale, writableRadio());
        writePreset(rig, 2, "Tower site master", "Tower");
        frmCorvista &w = connectQuietly(rig);
        for (const QString &text : inputs)
            rig.dialogs().answerInput(text);
        for (int a : answers)
            rig.dialogs().answerMsgBox(a);
        shared().PresetMenuIndex = 1;
        if (action == QLatin1String("delete"))
            w.mnuPresetDelete->trigger();
        else if (action == QLatin1String("rename"))
            w.mnuPresetRename->trigger();
        else
            w.mnuPresetEditDesc->trigger();
        QCOMPARE(stateOf(w.cmdPre[1]), button);
        const QStringList lines = crLfFileLines(rig.env().path("Presets/Preset2.txt"));
        QCOMPARE(lines.mid(0, 3), header);
        if (!header.isEmpty())
            QCOMPARE(lines.mid(3), preset(2, "", "").mid(3));
        QVERIFY(!QFile::exists(rig.env().path("Presets/Preset2.tmp")));
        if (action == QLatin1String("delete")) {
            QVERIFY(w.cmdSaveToPreset->isEnabled());
            QCOMPARE(w.cmdPre[1]->isEnabled(), answers.first() == Msg::No);
        } else if (action == QLatin1String("describe")) {
            QCOMPARE(rig.dialogs().shown.first().title, QStringLiteral("Edit Preset Description"));
            QCOMPARE(rig.dialogs().shown.first().defaultText, QStringLiteral("Tower site master"));
        } else {
            QCOMPARE(rig.dialogs().shown.first().title, QStringLiteral("Rename Preset Button"));
            QCOMPARE(rig.dialogs().shown.first().defaultText, QStringLiteral("Tower"));
        }
    }

    void viewShowsThePresetFile()
    {
        RIG(rig, Scale, writableRadio());
        writePreset(rig, 2, "Tower site master", "Tower");
        frmCorvista &w = connectQuietly(rig);
        QString title, text;
        bool modal = false;
        auto watch = whenShown<frmViewer>([&](frmViewer &v) {
            title = v.windowTitle();
            text = v.text();
            modal = v.isModal();
            v.cmdClose->click();
        });
        shared().PresetMenuIndex = 1;
        w.mnuPresetView->trigger();
        QCOMPARE(title, QStringLiteral("Tower"));
        QCOMPARE(text, preset(2, "Tower site master", "Tower").join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        QVERIFY(modal);

        // A missing file shows no window.
        QVERIFY(QFile::remove(rig.env().path("Presets/Preset2.txt")));
        bool shown = false;
        auto watchAgain = whenShown<frmViewer>([&](frmViewer &v) {
            shown = true;
            v.reject();
        });
        w.mnuPresetView_Click();
        QVERIFY(!shown);
    }

    // A long file opens whole; benchmarks/bench_viewer gives how long it takes.
    void viewOpensTwentyThousandLines()
    {
        RIG(rig, Scale, writableRadio());
        QStringList lines = preset(2, "Long", "Long");
        while (lines.size() < 20000)
            lines << QStringLiteral("OWM line %1 of a long preset").arg(lines.size() + 1);
        writeLines(rig.env().path("Presets/Preset2.txt"), lines);
        frmCorvista &w = rig.openWindow();
        bool opened = false;
        int shownLines = 0;
        auto watch = whenShown<frmViewer>([&](frmViewer &v) {
            opened = true;
            shownLines = v.txtViewer->document()->blockCount();
            v.cmdClose->click();
        });
        shared().PresetMenuIndex = 1;
        w.mnuPresetView->trigger();
        QVERIFY(opened);
        QCOMPARE(shownLines, 20000);
    }
};

QTEST_MAIN(TestPresets)
#include "tst_presets.moc"

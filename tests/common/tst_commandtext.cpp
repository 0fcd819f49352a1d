// Every text that becomes a command for the radio or a line of a file the line sender reads, from
// wherever it comes, against the simulated radio over a pseudo-terminal. A typed, pasted or
// composed text with a line end, another control character or a character outside Latin-1 gets
// its message, and nothing of it reaches the radio, the terminal pane or a preset file; a file's
// line or a restore row holding one is left out, and one message after the run names it; a text
// taken from the radio (a reply that held an extra line) is not sent, and nothing is shown for it.
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "config/ConfigFiles.h"
#include "link/TerminalPane.h"
#include "link/frmLogin.h"
#include "link/frmSetPass.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "restore/RestoreRules.h"
#include "restore/frmRestore.h"
#include "settings/frmSetup.h"
#include "support/MockCommControl.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"
#include "support/ThreadedRadio.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Where the text comes from: the user types it into a box, types or pastes it into the terminal
// pane (where a line end is the Enter key), presses one key, the radio sent it, or a file holds it.
enum class Source { Typed, Terminal, Key, Radio, File };

using Act = std::function<void(RadioRig &, frmCorvista &, const QString &text)>;
// The one message a run that left a file's line or a restore row out shows, for that text.
using Told = std::function<QString(RadioRig &, const QString &text)>;

struct Place
{
    const char *name;
    Source source;
    QString text;        // "%1" is where the character goes
    QStringList heard;   // what the radio hears all the same, empty lines left out
    Act act;
    Told told = {};
    // The restore window reads its port a fixed time after each command: room for the radio.
    double scale = 0.02;
};

struct Kind
{
    const char *name;
    QString character;
};

const Kind Kinds[] = {{"a CR", QStringLiteral("\r")},          {"a line feed", QStringLiteral("\n")},
                      {"a tab", QStringLiteral("\t")},         {"an escape", QStringLiteral("\x1b")},
                      {"an emoji", QStringLiteral("\U0001F600")}, {"a euro sign", QStringLiteral("\u20ac")}};

bool applies(Source source, const QString &character)
{
    const bool lineEnd = character == QLatin1String("\r") || character == QLatin1String("\n");
    const bool tab = character == QLatin1String("\t");
    const bool escape = character == QLatin1String("\x1b");
    const bool euro = character == QStringLiteral("\u20ac");
    switch (source) {
    case Source::Typed:
        return !escape && !euro;
    case Source::Terminal:
        // A line end in the pane is the Enter key.
        return !lineEnd && !escape;
    case Source::Key:
        // A control key is the radio's own (Enter, backspace): only keys it cannot take.
        return HoldsCharacterOutsideLatin1(character);
    case Source::Radio:
        // The radio's text is single bytes.
        return lineEnd || tab;
    case Source::File:
        // A file's line ends have already split it into lines, and its text is single bytes.
        return tab || escape;
    }
    return false;
}

// Runs action on the modal window once it shows, from inside its own event loop.
void onModal(QObject &owner, const std::function<void(QWidget &)> &action)
{
    auto *poll = new QTimer(&owner);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll->stop();
            action(*modal);
        }
    });
    poll->start(1);
}

// The login window's user: types the text, presses OK, and leaves with Cancel if it stays.
void typeIntoLogin(frmCorvista &w, const QString &text)
{
    onModal(w, [text](QWidget &modal) {
        auto &login = static_cast<frmLogin &>(modal);
        login.txtPassword->setText(text);
        login.cmdOK->click();
        if (login.isVisible())
            login.cmdCancel->click();
    });
}

void writeFile(const QString &path, const QStringList &lines)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
}

const QString Firmware = QStringLiteral("#With Firmware Version:  17-2851A01 3.2.0  01Jan2024");

QMap<QString, QByteArray> presetFiles()
{
    QMap<QString, QByteArray> files;
    const QDir folder(AppPaths::inProgramFolder(QStringLiteral("Presets")));
    for (const QString &name : folder.entryList(QDir::Files)) {
        QFile f(folder.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            files[name] = f.readAll();
    }
    return files;
}

const QList<Place> &places()
{
    static const QList<Place> list = {
        {"owner name edit", Source::Typed, QStringLiteral("Pump 3%1pwr 21"), {},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             rig.dialogs().answerInput(text);
             emit w.Pages.box(QStringLiteral("OwnerName"))->clicked();
         }},
        {"setup mode frequency", Source::Typed, QStringLiteral("910.5%1quit"), {},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             rig.dialogs().answerMsgBox(Msg::Yes);
             w.mnuSetupMode_Click();
             QVERIFY(rig.settle());
             rig.radio().clearLog();
             rig.dialogs().clear();
             rig.dialogs().answerInput(text);
             emit w.m_frmSetup->RxFrequency->clicked();
         }},
        {"login password", Source::Typed, QStringLiteral("1%12"), {"deco", "eeco"},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             typeIntoLogin(w, text);
             w.mnuAccessCode_Click();
         }},
        {"encryption code", Source::Typed, QStringLiteral("7%1"), {"deco", "ADDR 1000", "eeco", "deco", "eeco"},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             w.Pages.box(QStringLiteral("NetworkAddress"))->setText(QStringLiteral("ADDR 1000"));
             typeIntoLogin(w, text);
             w.mnuEncryptCode_Click();
         }},
        {"new radio password", Source::Typed, QStringLiteral("1%12"), {"deco", "eeco"},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             w.mnuSetPass_Click();
             auto *window = w.findChild<frmSetPass *>();
             QVERIFY(window);
             window->PassRadio[0]->click();
             window->Pass1->setText(text);
             window->Pass2->setText(text);
             window->OKButton->click();
             QVERIFY(rig.settle());
             if (window->isVisible())
                 window->CancelButton->click();
         }},
        {"unit number", Source::Typed, QStringLiteral("12345%1PWR 20"), {"UNIT 12345"},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             const QString file = rig.env().path(QStringLiteral("unit.txt"));
             writeFile(file, {Firmware, QStringLiteral("UNIT 12345")});
             rig.dialogs().answerOpen(file);
             rig.dialogs().answerInput(text);
             rig.dialogs().answerInput(QString());
             w.cmdProgramFromFile_Click();
         }},
        {"quick setup address", Source::Typed, QStringLiteral("1000%1PWR 20"), {},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             w.txtNewADDR->setText(text);
             rig.dialogs().answerMsgBox(Msg::Yes);
             w.cmdRemote->click();
         }},
        {"quick setup baud rate", Source::Typed, QStringLiteral("9600%1PWR 20"), {},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             w.cmbBaud->setCurrentText(text);
             rig.dialogs().answerMsgBox(Msg::Yes);
             w.cmdRemote->click();
         }},
        {"repeater XADDR", Source::Typed, QStringLiteral("3%1PWR 20"), {"MODE X", "ADDR 1000", "PWR 30", "BAUD 9600"},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             rig.dialogs().answerMsgBox(Msg::Yes);
             rig.dialogs().answerInput(text);
             rig.dialogs().answerInput(QString());
             w.cmdRepeater->click();
         }},
        {"preset caption", Source::Typed, QStringLiteral("Tower%1X"), {},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             rig.dialogs().answerInput(text);
             rig.dialogs().answerInput(QStringLiteral("Tower site"));
             w.cmdSaveToPreset_Click();
         }},
        {"preset description", Source::Typed, QStringLiteral("bench set%1MODE R"), {},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             rig.dialogs().answerInput(QStringLiteral("Tower"));
             rig.dialogs().answerInput(text);
             w.cmdSaveToPreset_Click();
         }},
        {"preset rename", Source::Typed, QStringLiteral("Tower%1X"), {},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             shared().PresetMenuIndex = 1;
             rig.dialogs().answerInput(text);
             w.mnuPresetRename_Click();
         }},
        {"preset description edit", Source::Typed, QStringLiteral("bench set%1MODE R"), {},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             shared().PresetMenuIndex = 1;
             rig.dialogs().answerInput(text);
             w.mnuPresetEditDesc_Click();
         }},
        {"owner name probe after a connect", Source::Radio, QStringLiteral("WAVECREST SS%1STATUS OK"), {},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             w.Pages.box(QStringLiteral("OwnerName"))->setText(text);
             shared().AccessCheckPending = true;
             w.runWriteAccessProbe();
         }},
        {"network address probe before the encryption code", Source::Radio, QStringLiteral("ADDR 1000%1STATUS OK"),
         {"deco", "eeco"},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             w.Pages.box(QStringLiteral("NetworkAddress"))->setText(text);
             onModal(w, [](QWidget &modal) { static_cast<frmLogin &>(modal).cmdCancel->click(); });
             w.mnuEncryptCode_Click();
         }},
        {"network address probe before the restore window", Source::Radio, QStringLiteral("ADDR 1000%1STATUS OK"), {},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             w.Pages.box(QStringLiteral("NetworkAddress"))->setText(text);
             // The restore window talks on a port of its own that nothing answers; it is closed
             // as soon as it shows: only the main port's probe is under test.
             CommFactory::setFactory([](QObject *parent) { return std::make_unique<MockCommControl>(parent); });
             onModal(w, [](QWidget &) { frmRestore::unloadOpenWindow(); });
             w.mnuConfigRestore_Click();
             CommFactory::setFactory(nullptr);
         }},
        {"configuration file line", Source::File, QStringLiteral("OWN Pump 3%1x"), {"ADDR 1001"},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             const QString file = rig.env().path(QStringLiteral("config.txt"));
             writeFile(file, {Firmware, text, QStringLiteral("ADDR 1001")});
             rig.dialogs().answerOpen(file);
             w.cmdProgramFromFile_Click();
         },
         [](RadioRig &rig, const QString &text) {
             return ConfigFiles::linesLeftOutMessage({{rig.env().path(QStringLiteral("config.txt")), 2, text}});
         },
         0.1},
        {"preset line", Source::File, QStringLiteral("OWN Pump 3%1x"), {"ADDR 1001"},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             writeFile(frmCorvista::presetPath(2),
                       {"#PresetFile2", "#Name:Tower site master", "#PresetCaption:Tower", Firmware, text, "ADDR 1001"});
             w.cmdPre_MouseUp(1, 1);
         },
         [](RadioRig &, const QString &text) {
             return ConfigFiles::linesLeftOutMessage({{frmCorvista::presetPath(2), 5, text}});
         },
         0.1},
        {"baseline line before a quick setup", Source::File, QStringLiteral("FEC ON%1RETRY 3"),
         {"BUFF OFF", "MODE R", "ADDR 1000", "PWR 30", "BAUD 9600"},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             writeFile(AppPaths::inProgramFolder(QStringLiteral("NewRadio.txt")), {"#baseline", text, "BUFF OFF"});
             w.cmdRemote->click();
         },
         [](RadioRig &, const QString &text) {
             return ConfigFiles::linesLeftOutMessage(
                 {{AppPaths::inProgramFolder(QStringLiteral("NewRadio.txt")), 2, text}});
         },
         0.1},
        {"restore window row", Source::File, QStringLiteral("UNIT 23456%1MODE R"), {"ADDR 1001"},
         [](RadioRig &rig, frmCorvista &w, const QString &text) {
             const QString file = rig.env().path(QStringLiteral("restore.txt"));
             writeFile(file, {text, QStringLiteral("ADDR 1001")});
             // The window's flags outlive it: this opening's first read-out is the one to wait for.
             frmRestore::resetFlags();
             frmRestore *r = nullptr;
             {
                 // The window sleeps between its commands: the radio answers meanwhile.
                 ThreadedRadio threaded(rig.radio(), rig.pty());
                 w.mnuConfigRestore_Click();
                 r = frmRestore::openWindow();
                 QVERIFY(r);
                 QVERIFY(Clock::waitFor([r] { return frmRestore::flags().ExchangeIdle && !r->readingOut(); }, 60000));
             }
             rig.radio().clearLog();
             ThreadedRadio threaded(rig.radio(), rig.pty());
             rig.dialogs().answerOpen(file);
             r->Toolbar1_ButtonClick(QStringLiteral("OpenConfig"));
             r->CheckAllButton_Click();
             QVERIFY(r->check(QStringLiteral("UnitCheck"))->isChecked());
             r->Toolbar1_ButtonClick(QStringLiteral("ProgramRadio"));
             // Closed before its read-out starts: what Program sent is all the radio hears.
             r->unload();
         },
         [](RadioRig &, const QString &text) {
             return Restore::rowsLeftOutMessage({{findSettingByBox(QStringLiteral("UnitAddr")), text}});
         },
         0.3},
        {"terminal key", Source::Key, QStringLiteral("%1"), {},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
             QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
             QApplication::sendEvent(w.txtTerm, &press);
             QApplication::sendEvent(w.txtTerm, &release);
         }},
        {"paste in the terminal", Source::Terminal, QStringLiteral("own Pump%13"), {},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             QGuiApplication::clipboard()->setText(text);
             QTest::keyClick(w.txtTerm, Qt::Key_Insert, Qt::ShiftModifier);
         }},
        {"input method text in the terminal", Source::Terminal, QStringLiteral("own Pump%13"), {},
         [](RadioRig &, frmCorvista &w, const QString &text) {
             // A dead key or a compose sequence ends with the composed text committed.
             QInputMethodEvent compose(QStringLiteral("~"), {});
             QApplication::sendEvent(w.txtTerm, &compose);
             QInputMethodEvent commit;
             commit.setCommitString(text);
             QApplication::sendEvent(w.txtTerm, &commit);
         }},
    };
    return list;
}

} // namespace

class TestCommandText : public QObject
{
    Q_OBJECT
private slots:
    void unsendableTextReachesNeitherRadioNorFile_data()
    {
        QTest::addColumn<int>("place");
        QTest::addColumn<QString>("character");
        for (int p = 0; p < places().size(); ++p)
            for (const Kind &kind : Kinds)
                if (applies(places()[p].source, kind.character))
                    QTest::addRow("%s with %s", places()[p].name, kind.name) << p << kind.character;
    }

    void unsendableTextReachesNeitherRadioNorFile()
    {
        QFETCH(int, place);
        QFETCH(QString, character);
        const Place &at = places()[place];
        RIG(rig, at.scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        writeFile(frmCorvista::presetPath(2),
                  {"#PresetFile2", "#Name:Tower site master", "#PresetCaption:Tower", Firmware, "ADDR 1001"});
        const QMap<QString, QByteArray> presetsBefore = presetFiles();
        w.txtTerm->setText(QStringLiteral(">"));
        const QString text = at.text.arg(character);

        at.act(rig, w, text);

        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        QStringList heard;
        for (const QString &line : rig.radio().lines())
            if (!line.isEmpty())
                heard << line;
        QCOMPARE(heard, at.heard);
        const QStringList messages = rig.dialogs().messageTexts();
        const QString typedMessage = HoldsControlCharacter(character) ? ControlCharacterMessage() : OutsideLatin1Message();
        if (at.told) {
            const QString told = at.told(rig, text);
            QVERIFY2(messages.count(told) == 1, qPrintable(messages.join(u"\n---\n")));
            QCOMPARE(messages.count(typedMessage), 0);
        } else {
            QCOMPARE(messages.count(typedMessage), at.source == Source::Radio ? 0 : 1);
        }
        // Nothing of it was sent, so no echo shows it; and nothing puts it into the pane itself.
        const bool lineEnd = character.contains(QLatin1Char('\r')) || character.contains(QLatin1Char('\n'));
        if (at.source != Source::File && !lineEnd)
            QVERIFY2(!w.txtTerm->text().contains(character), qPrintable(w.txtTerm->text().toHtmlEscaped()));
        // A text refused on its way into a preset leaves the preset files as they were.
        if (at.source != Source::File)
            QCOMPARE(presetFiles(), presetsBefore);
        QVERIFY(!shared().IgnoreCommEvents);
    }
};

QTEST_MAIN(TestCommandText)
#include "tst_commandtext.moc"

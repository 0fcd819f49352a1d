// Every text that becomes a command for the radio or a line of a file the line sender reads, from
// wherever it comes, against the simulated radio over a pseudo-terminal. A typed text with a line
// end, another control character or a character outside Latin-1 gets its message, and nothing of
// it reaches the radio or a preset file; such a text taken from the radio (a reply that held an
// extra line) or from a configuration file is not sent, and no message is shown for it.
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/frmLogin.h"
#include "link/frmSetPass.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "restore/frmRestore.h"
#include "settings/frmSetup.h"
#include "support/MockCommControl.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Where the text comes from: the user types it, the radio sent it, or a file holds it.
enum class Source { Typed, Radio, File };

using Act = std::function<void(RadioRig &, frmCorvista &, const QString &text)>;

struct Place
{
    const char *name;
    Source source;
    QString text;        // "%1" is where the character goes
    QStringList heard;   // what the radio hears all the same, empty lines left out
    Act act;
};

struct Kind
{
    const char *name;
    QString character;
};

const Kind Kinds[] = {{"a CR", QStringLiteral("\r")},
                      {"a line feed", QStringLiteral("\n")},
                      {"a tab", QStringLiteral("\t")},
                      {"an emoji", QStringLiteral("\U0001F600")}};

bool applies(Source source, const QString &character)
{
    // The radio's text is single bytes; a file's line ends have already split it into lines.
    if (source == Source::Radio)
        return character.size() == 1;
    if (source == Source::File)
        return character == QLatin1String("\t");
    return true;
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
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        writeFile(frmCorvista::presetPath(2),
                  {"#PresetFile2", "#Name:Tower site master", "#PresetCaption:Tower", Firmware, "ADDR 1001"});
        const QMap<QString, QByteArray> presetsBefore = presetFiles();

        at.act(rig, w, at.text.arg(character));

        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        QStringList heard;
        for (const QString &line : rig.radio().lines())
            if (!line.isEmpty())
                heard << line;
        QCOMPARE(heard, at.heard);
        // The controls are one character each; the emoji is two.
        const QString message = character.size() == 1 ? ControlCharacterMessage() : OutsideLatin1Message();
        QCOMPARE(rig.dialogs().messageTexts().count(message), at.source == Source::Typed ? 1 : 0);
        QCOMPARE(presetFiles(), presetsBefore);
        QVERIFY(!shared().IgnoreCommEvents);
    }
};

QTEST_MAIN(TestCommandText)
#include "tst_commandtext.moc"

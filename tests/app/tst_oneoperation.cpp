// One operation owns the radio. While a firmware transfer, a report, a file being sent or a quick
// setup talks to the radio, what the user does meanwhile (a key in the terminal, a value box, the
// diagnostics and restore windows, Port Open, Refresh, Login) sends nothing into it, and no window
// the user opens holds it up; Disconnect and Exit end it, and nothing more goes out after their
// own last words.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "link/TerminalPane.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/LineWatch.h"
#include "platform/LinkGate.h"
#include "platform/QuitSignals.h"
#include "platform/SerialCommControl.h"
#include "restore/frmRestore.h"
#include "support/FullDisk.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"
#include "support/SavedSignalHandlers.h"
#include "support/ThreadedRadio.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <map>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList ConfigFile = {u"#Created by Karvel Wavecrest Configuration Software Version 3.0.1"_s,
                                u"#With Firmware Version: 3.2.0"_s, u""_s, u"MODE M"_s, u"PWR 30"_s,
                                u"ADDR 1000"_s, u"HOPTIME 28"_s, u"OWN BENCH"_s};

void writeLines(const QString &path, const QStringList &lines)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write((lines.join(u"\r\n"_s) + u"\r\n"_s).toLatin1());
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Closes whatever window an action opened over the main window, so a program that let the action
// through goes on (and the test sees what it sent).
class WindowCloser : public QObject
{
public:
    WindowCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [] {
            if (QWidget *w = QApplication::activeModalWidget())
                w->close();
            if (QWidget *menu = QApplication::activePopupWidget())
                menu->close();
            if (frmRestore *r = frmRestore::openWindow())
                r->close();
        });
        m_timer.start(50);
    }

private:
    QTimer m_timer;
};

// A choice in a preset button's menu, on a preset that is there.
void presetMenu(frmCorvista &w, QAction *choice)
{
    writeLines(frmCorvista::presetPath(6), {u"#PresetFile6"_s, u"#Name:Spare"_s, u"#PresetCaption:Spare"_s,
                                            u"PWR 30"_s});
    shared().PresetMenuIndex = 5;
    choice->trigger();
}

struct UserAction
{
    const char *what;
    bool refused;   // refused with a beep; otherwise done without holding the operation up
    std::function<void(frmCorvista &)> act;
};

// What a user may do while an operation runs, each as the user does it.
const QList<UserAction> &userActions()
{
    static const QList<UserAction> actions = {
        {"key in the terminal", true, [](frmCorvista &w) { QTest::keyClick(w.txtTerm, 'z'); }},
        {"paste in the terminal", true, [](frmCorvista &w) {
             QGuiApplication::clipboard()->setText(u"unit"_s);
             QTest::keyClick(w.txtTerm, Qt::Key_Insert, Qt::ShiftModifier);
         }},
        {"value box", true, [](frmCorvista &w) { emit w.Pages.box(u"UnitAddr"_s)->clicked(); }},
        {"Zone Data", true, [](frmCorvista &w) { w.ButtonZoneData->click(); }},
        {"RSSI", true, [](frmCorvista &w) { w.ButtonRSSI->click(); }},
        {"restore window", true, [](frmCorvista &w) { w.mnuConfigRestore->trigger(); }},
        {"Port Open", true, [](frmCorvista &w) { w.mnuOpen->trigger(); }},
        {"Refresh", true, [](frmCorvista &w) { w.ButtonRefresh->click(); }},
        {"Login", true, [](frmCorvista &w) { w.toolButtons[u"Login"_s]->trigger(); }},
        // Windows that send nothing, but would stand on top of the operation's wait.
        {"Preferences", true, [](frmCorvista &w) { w.mnuPreferences->trigger(); }},
        {"Open Log File", true, [](frmCorvista &w) { w.mnuOpenLog->trigger(); }},
        {"port Setup", true, [](frmCorvista &w) { w.mnuProperties->trigger(); }},
        {"preset menu", true, [](frmCorvista &w) { w.cmdPre_MouseUp(5, 2); }},
        {"preset View", true, [](frmCorvista &w) { presetMenu(w, w.mnuPresetView); }},
        {"preset Rename", true, [](frmCorvista &w) { presetMenu(w, w.mnuPresetRename); }},
        {"preset Edit Description", true, [](frmCorvista &w) { presetMenu(w, w.mnuPresetEditDesc); }},
        {"a setting label's help", false, [](frmCorvista &w) { emit w.Pages.label(u"SnumLabel"_s)->clicked(); }},
        {"repeater picture", false, [](frmCorvista &w) { w.cmdRptHelp1_Click(); }},
        // Last: the About window takes the main window's input until it closes.
        {"About", false, [](frmCorvista &w) { w.mnuAbout->trigger(); }},
    };
    return actions;
}

// The line's error counters as the driver tells them: the test makes the framing count rise.
class CountedLine : public LineStatusSource
{
public:
    explicit CountedLine(std::shared_ptr<std::atomic<int>> frames) : m_frames(std::move(frames)) {}
    LineStatus read() override
    {
        LineStatus status;
        status.countersKnown = true;
        status.frame = quint64(m_frames->load());
        return status;
    }

private:
    std::shared_ptr<std::atomic<int>> m_frames;
};

// The operations, each started as the user starts it, and what the radio hears once it runs.
struct Operation
{
    QByteArray running;
    std::function<void(RadioRig &, frmCorvista &)> start;
};

Operation operation(const QString &name)
{
    if (name == u"firmware"_s)
        // The old firmware is erased and the new one on its way.
        return {"ERASE\rPROGRAM\r", [](RadioRig &rig, frmCorvista &w) {
                    rig.dialogs().answerOpen(QFINDTESTDATA("../firmware/data/v200.s28"));
                    w.mnuSendText_Click();
                }};
    if (name == u"report"_s)
        return {"srev", [](RadioRig &rig, frmCorvista &w) {
                    rig.dialogs().answerSave(rig.env().path(u"report.txt"_s));
                    w.cmdSaveToFile->click();
                }};
    if (name == u"program from file"_s)
        return {"PWR", [](RadioRig &rig, frmCorvista &w) {
                    writeLines(rig.env().path(u"config.txt"_s), ConfigFile);
                    rig.dialogs().answerOpen(rig.env().path(u"config.txt"_s));
                    w.cmdProgramFromFile->click();
                }};
    if (name == u"save to preset"_s)
        return {"srev", [](RadioRig &rig, frmCorvista &w) {
                    rig.dialogs().answerInput(u"Bench"_s);
                    rig.dialogs().answerInput(u"Bench radio"_s);
                    w.cmdSaveToPreset->click();
                }};
    if (name == u"read-out"_s)
        return {"temp", [](RadioRig &, frmCorvista &w) {
                    shared().RefreshRequested = true;
                    w.Timer1_Timer();
                }};
    // quick setup, with a baseline to send first
    return {"HOPTIME", [](RadioRig &, frmCorvista &w) {
                writeLines(AppPaths::inProgramFolder(u"NewRadio.txt"_s), {u"HOPTIME 28"_s, u"SLEEP OFF"_s});
                w.txtNewADDR->setText(u"2001"_s);
                w.cmdMaster->click();
            }};
}

struct Outcome
{
    QStringList heard;       // the radio's command lines, from the operation's start on, CRs aside
    QByteArray image;        // what the loader took
    QByteArray file;         // the report written
    QByteArray log;          // the communications log, when one was open
    QStringList messages;
    QStringList windows;     // the windows with a loop of their own that opened
    QStringList whileHeld;   // the message boxes that waited for an answer while the link was held
    int beeps = 0;
};

// What happens once the operation talks to the radio.
enum class Meanwhile {
    Nothing,
    UserActions,    // every user action
    FramingError,   // the line's framing-error count rises
    LogOnFullDisk,  // the log's disk fills up
    LogDeleted,     // the open log's file is deleted
};

// The log as the test's messages name it.
QString logDisplayPath()
{
    return u"<log>"_s;
}

QString logPath(RadioRig &rig)
{
    return rig.env().path(u"comm.log"_s);
}

// Runs one operation on a radio of its own thread, with what happens meanwhile; withLog opens a
// communications log first.
std::optional<Outcome> run(const QString &name, Meanwhile meanwhile, bool withLog = false)
{
    const bool acting = meanwhile == Meanwhile::UserActions;
    // The report reads what came after fixed pauses: at this scale a busy machine still lets the
    // radio answer inside them.
    RadioRig rig(0.1, writableRadio());
    if (!rig.ok())
        return std::nullopt;
    frmCorvista &w = connectQuietly(rig);
    // As after a read-out: the diagnostics buttons are open to the user.
    w.ButtonZoneData->setEnabled(true);
    w.ButtonRSSI->setEnabled(true);
    if (withLog) {
        rig.dialogs().answerSave(logPath(rig));
        w.mnuOpenLog_Click();
        rig.dialogs().clear();
    }
    const auto frames = std::make_shared<std::atomic<int>>(0);
    if (auto *serial = dynamic_cast<SerialCommControl *>(w.MSComm1.get()))
        serial->setLineStatusSource(std::make_unique<CountedLine>(frames));
    std::optional<FullDisk> fullDisk;
    const Operation op = operation(name);
    WindowCloser closer;
    bool acted = false;
    // A window that opens stays as long as a user reads it: longer than the port's time-out.
    if (acting)
        rig.dialogs().setModal(3000, true);
    if (meanwhile != Meanwhile::Nothing)
        onHeard(&rig.pty(), &w, op.running, [&] {
            if (std::exchange(acted, true))
                return;
            switch (meanwhile) {
            case Meanwhile::UserActions:
                rig.dialogs().answerInput(u"23456"_s);   // the value box's answer, should it ask
                for (const UserAction &action : userActions())
                    action.act(w);
                break;
            case Meanwhile::FramingError:
                ++*frames;
                break;
            case Meanwhile::LogOnFullDisk:
                fullDisk.emplace(QFileInfo(logPath(rig)).size() + 10);
                break;
            case Meanwhile::LogDeleted:
                QFile::remove(logPath(rig));
                break;
            case Meanwhile::Nothing:
                break;
            }
        });
    QStringList whileHeld;
    rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &box) {
        if (box.kind == u"msgbox"_s && LinkGate::owned())
            whileHeld << box.text;
        // The user makes room on the disk before answering Retry.
        if (box.buttons == Msg::RetryCancel)
            fullDisk.reset();
    };
    {
        const ThreadedRadio threaded(rig.radio(), rig.pty());
        op.start(rig, w);
    }
    // A reconnect at the operation's end asks for a read-out, which is the window's timer's and
    // not the operation's: whether it falls inside the settle depends on the machine's load.
    w.Timer1->stop();
    const bool settled = rig.settle();
    Outcome out;
    if (!settled)
        out.messages << u"the line was still busy after the operation"_s;
    // Bare CRs (wake-ups, prompts asked for) come as many as the timing makes.
    for (const QString &line : rig.radio().lines())
        if (!line.isEmpty())
            out.heard << line;
    out.image = rig.radio().loaderLog().image;
    out.file = contents(rig.env().path(u"report.txt"_s)) + contents(frmCorvista::presetPath(1));
    if (withLog) {
        w.mnuCloseLog_Click();
        out.log = contents(logPath(rig));
    }
    out.whileHeld = whileHeld;
    for (const ScriptedDialogs::Shown &shown : rig.dialogs().messages())
        if (shown.title != u"Serial Number Information"_s)   // the help the user asked for
            out.messages << QString(shown.text).replace(QDir::toNativeSeparators(logPath(rig)), logDisplayPath());
    for (const ScriptedDialogs::Shown &shown : rig.dialogs().shown)
        if (!QStringList{u"msgbox"_s, u"notice"_s, u"beep"_s, u"shell"_s}.contains(shown.kind))
            out.windows << shown.kind + u':' + shown.title;
    out.beeps = rig.dialogs().beeps();
    if (acting && !acted)
        out.messages << u"the operation never reached the point where the user acts"_s;
    return out;
}

} // namespace

class TestOneOperation : public QObject
{
    Q_OBJECT
private slots:
    void userActionsSendNothingIntoAnOperation_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("firmware transfer") << u"firmware"_s;
        QTest::newRow("report") << u"report"_s;
        QTest::newRow("line sender") << u"program from file"_s;
        QTest::newRow("quick setup") << u"quick setup"_s;
    }

    void userActionsSendNothingIntoAnOperation()
    {
        QFETCH(QString, operation);
        const std::optional<Outcome> alone = run(operation, Meanwhile::Nothing);
        if (!alone)
            QSKIP("This machine gives no pseudo-terminal.");
        const std::optional<Outcome> meanwhile = run(operation, Meanwhile::UserActions);
        QVERIFY(meanwhile);

        QVERIFY2(!alone->heard.isEmpty(), "the operation sent nothing");
        QCOMPARE(meanwhile->heard.join(u'|'), alone->heard.join(u'|'));
        QCOMPARE(meanwhile->image, alone->image);
        QCOMPARE(meanwhile->file, alone->file);
        QCOMPARE(meanwhile->messages, alone->messages);
        QCOMPARE(meanwhile->windows, alone->windows);
        // Each refused action said so.
        const auto refused = std::count_if(userActions().begin(), userActions().end(),
                                           [](const UserAction &a) { return a.refused; });
        QCOMPARE(meanwhile->beeps - alone->beeps, int(refused));
    }

    void questionsRaisedDuringAnOperationWaitForItsEnd_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("meanwhile");
        QTest::addColumn<QStringList>("askedAfter");   // the boxes shown once the operation has ended
        const QStringList lineError{u"Framing Error"_s};
        for (const QString op : {u"firmware"_s, u"report"_s, u"read-out"_s, u"program from file"_s})
            QTest::addRow("%s, a framing error on the line", qPrintable(op))
                << op << int(Meanwhile::FramingError) << lineError;
        QTest::newRow("read-out, the log's disk full")
            << u"read-out"_s << int(Meanwhile::LogOnFullDisk)
            << QStringList{u"The log file could not be written:\r\n"_s + logDisplayPath() + u"\r\n\r\nFile too large"_s};
        QTest::newRow("read-out, the log deleted")
            << u"read-out"_s << int(Meanwhile::LogDeleted)
            << QStringList{u"The log file is no longer there: it was deleted or moved while it was open.\r\n"_s
                           + logDisplayPath() + u"\r\n\r\nCreate it again and go on writing the log?"_s};
    }

    // A line error or a log that cannot be written, met while an operation holds the link: the
    // operation goes on as after the harmless answer (OK, keep the traffic), and the question is
    // asked, once, after it.
    void questionsRaisedDuringAnOperationWaitForItsEnd()
    {
        QFETCH(QString, operation);
        QFETCH(int, meanwhile);
        QFETCH(QStringList, askedAfter);
        const bool withLog = meanwhile != int(Meanwhile::FramingError);
        const std::optional<Outcome> alone = run(operation, Meanwhile::Nothing, withLog);
        if (!alone)
            QSKIP("This machine gives no pseudo-terminal.");
        const std::optional<Outcome> met = run(operation, Meanwhile(meanwhile), withLog);
        QVERIFY(met);

        QVERIFY2(!alone->heard.isEmpty(), "the operation sent nothing");
        QCOMPARE(met->heard.join(u'|'), alone->heard.join(u'|'));
        QCOMPARE(met->image, alone->image);
        QCOMPARE(met->file, alone->file);
        QCOMPARE(met->messages, alone->messages + askedAfter);
        QCOMPARE(met->whileHeld, alone->whileHeld);
        if (meanwhile == int(Meanwhile::LogOnFullDisk)) {
            // Retry wrote what was kept: the log is whole.
            QCOMPARE(met->log, alone->log);
        } else if (meanwhile == int(Meanwhile::LogDeleted)) {
            // The log made again goes on where the old one was left: it ends as the whole one does.
            QVERIFY(!met->log.isEmpty());
            QVERIFY2(alone->log.endsWith(met->log), met->log.constData());
        }
    }

    void wayOutEndsTheOperation_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("wayOut");
        for (const QString op : {u"report"_s, u"quick setup"_s, u"program from file"_s, u"save to preset"_s})
            for (const QString way : {u"Disconnect"_s, u"Exit"_s})
                QTest::addRow("%s, then %s", qPrintable(op), qPrintable(way)) << op << way;
    }

    // The operation stops at its next step: nothing after the way out's own last words, no
    // reconnect, no box of its own.
    void wayOutEndsTheOperation()
    {
        QFETCH(QString, operation);
        QFETCH(QString, wayOut);
        RIG(rig, 0.1, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.quitOnUnload = false;
        shared().LogoutOnQuitPref = true;
        const Operation op = ::operation(operation);
        qsizetype messagesBefore = -1;
        onHeard(&rig.pty(), &w, op.running, [&] {
            if (messagesBefore >= 0)
                return;
            messagesBefore = rig.dialogs().messages().size();
            if (wayOut == u"Disconnect"_s)
                w.toolButtons[u"Disconnect"_s]->trigger();
            else
                w.mnuFileExit->trigger();
        });
        {
            const ThreadedRadio threaded(rig.radio(), rig.pty());
            op.start(rig, w);
            Clock::pumpFor(500);
        }
        QVERIFY(rig.settle());
        QVERIFY(messagesBefore >= 0);

        QStringList heard = rig.radio().lines();
        heard.removeAll(QString());
        const QString lastWords = wayOut == u"Disconnect"_s ? u"CLOS"_s : u"PASS NONE"_s;
        QVERIFY2(heard.contains(lastWords), qPrintable(heard.join(u'|')));
        QCOMPARE(heard.mid(heard.lastIndexOf(lastWords) + 1), QStringList());
        QCOMPARE(rig.dialogs().messageTexts().mid(messagesBefore).join(u" | "), QString());
        QVERIFY(!w.MSComm1->portOpen());
        QVERIFY(QFile::exists(frmCorvista::presetPath(1)) == false);
    }

    void firmwareTransferOutlastsTheWayOut_data()
    {
        QTest::addColumn<QString>("wayOut");
        QTest::addColumn<int>("signal");
        for (const QString way : {u"close"_s, u"Exit"_s, u"Disconnect"_s})
            QTest::newRow(qPrintable(way)) << way << 0;
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            QTest::addRow("signal %d", signal) << u"signal"_s << signal;
    }

    // Between the erase and the new firmware's verdict the radio has no firmware: the window's
    // close, Exit and Disconnect are refused, told without a box that would hold the transfer up,
    // and a quit signal lets the transfer and its verdict finish before the program ends.
    void firmwareTransferOutlastsTheWayOut()
    {
        QFETCH(QString, wayOut);
        QFETCH(int, signal);
        // The verdict is judged here: its 1.5 s of grace are 300 ms of real time at this scale.
        RIG(rig, 0.2, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.quitOnUnload = false;
        shared().LogoutOnQuitPref = true;
        rig.dialogs().setModal(3000, true);
        const SavedSignalHandlers saved;
        QVERIFY(QuitSignals::install(&w, [&w] { w.quitOnSignal(); }));
        const Operation op = ::operation(u"firmware"_s);
        QString told;
        onHeard(&rig.pty(), &w, op.running, [&] {
            const std::map<QString, std::function<void()>> ways = {
                {u"close"_s, [&] { w.close(); }},
                {u"Exit"_s, [&] { w.mnuFileExit->trigger(); }},
                {u"Disconnect"_s, [&] { w.toolButtons[u"Disconnect"_s]->trigger(); }},
                {u"signal"_s, [&] { ::raise(signal); }}};
            ways.at(wayOut)();
            Clock::waitFor([&] { return w.panelStatus->text().contains(u"firmware upgrade"_s); }, 20000);
            told = w.panelStatus->text();
        });
        {
            const ThreadedRadio threaded(rig.radio(), rig.pty());
            op.start(rig, w);
            if (signal != 0)
                QVERIFY(Clock::waitFor([&] { return !w.MSComm1->portOpen(); }, 100000));
        }
        QVERIFY(rig.settle());
        QVERIFY2(told.contains(u"firmware upgrade"_s), qPrintable(told));
        QCOMPARE(rig.dialogs().messageTexts().filter(u"firmware upgrade"_s), QStringList());
        QStringList heard = rig.radio().lines();
        heard.removeAll(QString());
        QStringList verdicts;
        for (const ScriptedDialogs::Shown &shown : rig.dialogs().messages())
            if (shown.text == u"Radio programming was successful."_s)
                verdicts << shown.kind;
        // After a signal nobody may be there to answer: the verdict does not wait, the shut-down
        // follows.
        QCOMPARE(verdicts, QStringList{signal ? u"notice"_s : u"msgbox"_s});
        QCOMPARE(w.MSComm1->portOpen(), signal == 0);
        QCOMPARE(heard.mid(heard.indexOf(u"EXIT"_s), 2).join(u'|'), signal ? u"EXIT|PASS NONE"_s : u"EXIT|CLOS"_s);
    }

    // The erase question is the upgrade's own box: what runs while it stands open (a timer's tick,
    // the user's Disconnect) is not the upgrade's code. A Disconnect there ends the upgrade: nothing
    // goes out after its CLOS, and no error follows.
    void codeInsideTheOperationsOwnBoxIsNotItsCode()
    {
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().setModal(500);
        rig.dialogs().answerOpen(QFINDTESTDATA("../firmware/data/v200.s28"));
        std::optional<bool> busyInside;
        rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &box) {
            if (box.title == u"Erase Current Firmware?"_s)
                QTimer::singleShot(0, &w, [&] {
                    busyInside = LinkGate::busy();
                    w.toolButtons[u"Disconnect"_s]->trigger();
                });
        };
        {
            const ThreadedRadio threaded(rig.radio(), rig.pty());
            w.mnuSendText_Click();
        }
        QVERIFY(rig.settle());
        QCOMPARE(busyInside, std::optional<bool>(true));
        QStringList heard = rig.radio().lines();
        heard.removeAll(QString());
        QCOMPARE(heard.mid(heard.indexOf(u"CLOS"_s)), QStringList{u"CLOS"_s});
        QCOMPARE(rig.dialogs().messages().size(), 1);
    }
};

QTEST_MAIN(TestOneOperation)
#include "tst_oneoperation.moc"

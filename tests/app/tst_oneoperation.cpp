// One operation owns the radio. While a firmware transfer, a report, a file being sent or a quick
// setup talks to the radio, what the user does meanwhile (a key in the terminal, a value box, the
// diagnostics and restore windows, Port Open, Refresh, Login) sends nothing into it; Disconnect
// and Exit end it, and nothing more goes out after their own last words.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "link/TerminalPane.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "restore/frmRestore.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"
#include "support/ThreadedRadio.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
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
            if (frmRestore *r = frmRestore::openWindow())
                r->close();
        });
        m_timer.start(50);
    }

private:
    QTimer m_timer;
};

// What a user may do while an operation runs, each as the user does it.
const QList<std::pair<const char *, std::function<void(frmCorvista &)>>> &userActions()
{
    static const QList<std::pair<const char *, std::function<void(frmCorvista &)>>> actions = {
        {"key in the terminal", [](frmCorvista &w) { QTest::keyClick(w.txtTerm, 'z'); }},
        {"value box", [](frmCorvista &w) { emit w.Pages.box(u"UnitAddr"_s)->clicked(); }},
        {"Zone Data", [](frmCorvista &w) { w.ButtonZoneData->click(); }},
        {"RSSI", [](frmCorvista &w) { w.ButtonRSSI->click(); }},
        {"restore window", [](frmCorvista &w) { w.mnuConfigRestore->trigger(); }},
        {"Port Open", [](frmCorvista &w) { w.mnuOpen->trigger(); }},
        {"Refresh", [](frmCorvista &w) { w.ButtonRefresh->click(); }},
        {"Login", [](frmCorvista &w) { w.toolButtons[u"Login"_s]->trigger(); }},
    };
    return actions;
}

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
    QStringList messages;
    int beeps = 0;
};

// Runs one operation on a radio of its own thread; with acting, every user action happens once
// the operation talks to the radio.
std::optional<Outcome> run(const QString &name, bool acting)
{
    // The report reads what came after fixed pauses: at this scale a busy machine still lets the
    // radio answer inside them.
    RadioRig rig(0.1, writableRadio());
    if (!rig.ok())
        return std::nullopt;
    frmCorvista &w = connectQuietly(rig);
    // As after a read-out: the diagnostics buttons are open to the user.
    w.ButtonZoneData->setEnabled(true);
    w.ButtonRSSI->setEnabled(true);
    const Operation op = operation(name);
    WindowCloser closer;
    bool acted = false;
    if (acting)
        onHeard(&rig.pty(), &w, op.running, [&] {
            if (std::exchange(acted, true))
                return;
            rig.dialogs().answerInput(u"23456"_s);   // the value box's answer, should it ask
            for (const auto &[what, act] : userActions())
                act(w);
        });
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
    out.messages = rig.dialogs().messageTexts();
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
        const std::optional<Outcome> alone = run(operation, false);
        if (!alone)
            QSKIP("This machine gives no pseudo-terminal.");
        const std::optional<Outcome> meanwhile = run(operation, true);
        QVERIFY(meanwhile);

        QVERIFY2(!alone->heard.isEmpty(), "the operation sent nothing");
        QCOMPARE(meanwhile->heard.join(u'|'), alone->heard.join(u'|'));
        QCOMPARE(meanwhile->image, alone->image);
        QCOMPARE(meanwhile->file, alone->file);
        QCOMPARE(meanwhile->messages, alone->messages);
        // Each action was refused, and said so.
        QCOMPARE(meanwhile->beeps - alone->beeps, int(userActions().size()));
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

    // Between the erase and the new firmware's verdict the radio has no firmware: neither the
    // window's close, nor Exit, nor Disconnect end the program or the link then.
    void firmwareTransferRefusesTheWayOut()
    {
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.quitOnUnload = false;
        shared().LogoutOnQuitPref = true;
        const Operation op = ::operation(u"firmware"_s);
        bool tried = false;
        onHeard(&rig.pty(), &w, op.running, [&] {
            if (std::exchange(tried, true))
                return;
            w.close();
            w.mnuFileExit->trigger();
            w.toolButtons[u"Disconnect"_s]->trigger();
        });
        {
            const ThreadedRadio threaded(rig.radio(), rig.pty());
            op.start(rig, w);
        }
        QVERIFY(rig.settle());
        QVERIFY(tried);
        const QStringList messages = rig.dialogs().messageTexts();
        QCOMPARE(messages.filter(u"firmware upgrade is running"_s).size(), 3);
        QVERIFY(messages.contains(u"Radio programming was successful."_s));
        QVERIFY(w.isVisible());
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(!rig.radio().lines().contains(u"PASS NONE"_s));
    }
};

QTEST_MAIN(TestOneOperation)
#include "tst_oneoperation.moc"

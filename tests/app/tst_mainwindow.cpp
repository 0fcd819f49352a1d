// The main window: start-up from the settings store and the Temp folder, the two views, the
// terminal pane's toggle, the toolbar dispatch and the shut-down.
#include "app/TerminalColours.h"
#include "app/ScreenFit.h"
#include "app/TerminalLook.h"
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "diagnostics/frmZoneData.h"
#include "restore/frmRestore.h"
#include "link/TerminalPane.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/LinkGate.h"
#include "platform/SettingsStore.h"
#include "support/MockCommControl.h"
#include "support/RadioRig.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QGroupBox>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTimer>

namespace {
const QString App = QStringLiteral("KARVEL Wavecrest SS Configuration");

// A port whose driver refuses the line settings with an error no handler expects.
class RefusingPort : public MockCommControl
{
public:
    using MockCommControl::MockCommControl;
    void setSettings(const QString &) override
    {
        throw CommError(CommErr::InvalidSettings, QStringLiteral("Invalid property value"));
    }
};
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    MockCommControl *port = nullptr;

    std::unique_ptr<frmCorvista> makeWindow()
    {
        auto w = std::make_unique<frmCorvista>();
        w->quitOnUnload = false;
        w->Form_Load();
        return w;
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>(0.01);
        CommFactory::setFactory([this](QObject *parent) {
            auto p = std::make_unique<MockCommControl>(parent);
            port = p.get();
            return p;
        });
    }

    void cleanup() { env.reset(); }

    void freshStoreGivesTheDefaults()
    {
        auto w = makeWindow();
        QCOMPARE(port->commPort(), 1);
        QCOMPARE(port->settings(), QStringLiteral("19200,N,8,1"));
        const TerminalLook look = TerminalLook::of(*w->txtTerm);
        QVERIFY(look.bold);
        QCOMPARE(TerminalColours::fromQColor(look.text), 0x990000u);
        QCOMPARE(TerminalColours::fromQColor(look.back), 0xFFFFFFu);
        QVERIFY(shared().KeepAlivePref);
        QVERIFY(shared().LogoutOnQuitPref);
        QVERIFY(!shared().ConnectOnLaunchPref);
        QVERIFY(!shared().ConnectOnLaunchPending);
        QCOMPARE(shared().IniFilePath, AppPaths::inProgramFolder(QStringLiteral("KarvelWCQXConfig.ini")));
        // Starting state: Tasks view, disconnected, radio actions and pages disabled.
        QVERIFY(!w->frQuick->isHidden());
        QVERIFY(w->SettingsArea->isHidden());
        QCOMPARE(w->ButtonAdv->text(), QStringLiteral("Advanced"));
        QVERIFY(!w->toolButtons["Login"]->isEnabled());
        QVERIFY(!w->toolButtons["Disconnect"]->isEnabled());
        QVERIFY(!w->cmdSaveToFile->isEnabled());
        QVERIFY(!w->NetSet[0]->isEnabled());
        for (QPushButton *b : w->cmdPre)
            QCOMPARE(b->property("Tag").toString(), QStringLiteral("EMPTY"));
    }

    void storedPortAndPreferences_data()
    {
        QTest::addColumn<QString>("commPort");
        QTest::addColumn<int>("port");
        QTest::newRow("stored 3 is port 3") << "3" << 3;
        QTest::newRow("an empty text is port 1") << "" << 1;
        QTest::newRow("a text that is no number is port 1") << "COM3" << 1;
    }

    void storedPortAndPreferences()
    {
        QFETCH(QString, commPort);
        QFETCH(int, port);
        SaveSetting(App, QStringLiteral("Properties"), QStringLiteral("CommPort"), commPort);
        SaveSetting(App, QStringLiteral("Preferences"), QStringLiteral("KeepAlive"), QStringLiteral("false"));
        SaveSetting(App, QStringLiteral("Preferences"), QStringLiteral("ConnectOnLaunch"), QStringLiteral("TRUE"));
        SaveSetting(App, QStringLiteral("Preferences"), QStringLiteral("TextColor"), QStringLiteral("255"));
        auto w = makeWindow();
        QCOMPARE(this->port->commPort(), port);
        QVERIFY(!shared().KeepAlivePref);
        QVERIFY(shared().ConnectOnLaunchPending);
        QCOMPARE(TerminalColours::fromQColor(TerminalLook::of(*w->txtTerm).text), 0x0000FFu);
    }

    void unreadableStoreFallsBackToDefaults()
    {
        QVERIFY(QDir().mkpath(SettingsStore::fileName(App)));
        auto w = makeWindow();
        QCOMPARE(port->commPort(), 1);
        QVERIFY(shared().KeepAlivePref);
        QVERIFY(shared().LogoutOnQuitPref);
        QVERIFY(TerminalLook::of(*w->txtTerm).bold);
        QVERIFY(env->dialogs().messages().isEmpty());
        QVERIFY(!w->NetSet[0]->isEnabled());
    }

    void aFailingStartUpStepSkipsOnlyItself()
    {
        CommFactory::setFactory([this](QObject *parent) {
            auto p = std::make_unique<RefusingPort>(parent);
            port = p.get();
            return p;
        });
        SaveSetting(App, QStringLiteral("Properties"), QStringLiteral("CommPort"), QStringLiteral("3"));
        SaveSetting(App, QStringLiteral("Preferences"), QStringLiteral("KeepAlive"), QStringLiteral("false"));
        auto w = makeWindow();
        QCOMPARE(port->commPort(), 3);
        QVERIFY(!shared().KeepAlivePref);
        QVERIFY(!w->cmdSaveToFile->isEnabled());
        QVERIFY(!w->NetSet[0]->isEnabled());
        QVERIFY(w->Timer1->isActive());
        QVERIFY(env->dialogs().messages().isEmpty());
    }

    void tempFolderIsCreatedThenEmptied_data()
    {
        QTest::addColumn<bool>("anotherCopyRuns");
        QTest::newRow("the only running copy empties it") << false;
        QTest::newRow("another running copy's print file stays") << true;
    }

    void tempFolderIsCreatedThenEmptied()
    {
        QFETCH(bool, anotherCopyRuns);
        const QString temp = env->path(QStringLiteral("Temp"));
        QVERIFY(!QDir(temp).exists());
        makeWindow();
        QVERIFY(QDir(temp).exists());
        for (const char *name : {"a.txt", "b.prn", "c"}) {
            QFile f(temp + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        // The claim a copy started from the same folder holds on Temp while it runs.
        QLockFile another(temp + QStringLiteral("/.wavecrest-running-7.lock"));
        QVERIFY(another.tryLock(0));
        if (!anotherCopyRuns)
            another.unlock();
        makeWindow();
        QCOMPARE(QDir(temp).entryList({QStringLiteral("*.txt")}, QDir::Files),
                 anotherCopyRuns ? QStringList{"a.txt"} : QStringList{});
        QVERIFY(env->dialogs().messages().isEmpty());
    }

    void aLogSavedWhereTheDialogStartsSurvivesARestart()
    {
        const QString temp = QDir(env->path(QStringLiteral("Temp"))).absolutePath();
        auto w = makeWindow();
        env->dialogs().answerSave(QStringLiteral("mylog.log"));   // typed in, folder left as shown
        w->mnuOpenLog_Click();
        QCOMPARE(shared().LogFileNum, qint16(1));
        const QString saved = w->LogFileName;
        w->mnuCloseLog_Click();
        QVERIFY(QFile::exists(saved));
        const QString startedIn = env->dialogs().shown.last().folder;

        w.reset();
        w = makeWindow();   // the next start empties Temp
        QVERIFY2(QFile::exists(saved), qPrintable(saved));
        QVERIFY(!startedIn.isEmpty());
        QVERIFY2(!QDir(startedIn).absolutePath().startsWith(temp), qPrintable(startedIn));

        // The next file dialog starts in the folder the last one chose.
        QVERIFY(QDir().mkpath(env->path(QStringLiteral("logs"))));
        env->dialogs().answerSave(env->path(QStringLiteral("logs/second.log")));
        w->mnuOpenLog_Click();
        w->mnuCloseLog_Click();
        env->dialogs().answerSave(QString());
        w->mnuOpenLog_Click();
        QCOMPARE(env->dialogs().shown.last().folder, QDir(env->path(QStringLiteral("logs"))).absolutePath());
    }

    void relativeProgramFolderIsFixedAtStartUp()
    {
        QDir::setCurrent(env->home());
        qputenv("WAVECREST_HOME", "wc");
        AppPaths::anchorProgramFolder();
        makeWindow();
        makeWindow();
        QVERIFY(QDir(env->path(QStringLiteral("wc/Temp"))).exists());
        QVERIFY(!QDir(env->path(QStringLiteral("wc/Temp/wc"))).exists());
    }

    void viewsAndTabs()
    {
        auto w = makeWindow();
        w->show();
        // A tab chosen in the Tasks view changes nothing visible but is remembered.
        w->SettingsTab->setCurrentIndex(2);
        QCOMPARE(shared().SelectedTabIndex, qint16(3));
        QVERIFY(w->SettingsArea->isHidden());
        QCOMPARE(w->NetSetStack->currentIndex(), 0);

        w->ButtonAdv_Click();
        QCOMPARE(w->ButtonAdv->text(), QStringLiteral("Tasks"));
        QVERIFY(w->frQuick->isHidden());
        QVERIFY(w->SettingsArea->isVisible());
        QCOMPARE(w->NetSetStack->currentIndex(), 2);
        QVERIFY(w->NetSet[2]->isEnabled());
        w->SettingsTab->setCurrentIndex(4);
        QCOMPARE(w->NetSetStack->currentIndex(), 4);

        w->ButtonAdv_Click();
        QCOMPARE(w->ButtonAdv->text(), QStringLiteral("Advanced"));
        QVERIFY(w->frQuick->isVisible());
        QVERIFY(!w->NetSet[4]->isEnabled());
    }

    void terminalToggleShrinksAndRestoresTheWindow()
    {
        auto w = makeWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const int height0 = w->height();
        shared().FormHeight0 = height0;
        const int pane = w->txtTerm->height();
        w->tbrToolBar_ButtonClick(QStringLiteral("TERMINAL"));
        QVERIFY(!shared().TerminalVisible);
        QVERIFY(w->txtTerm->isHidden());
        QCOMPARE(w->height(), height0 - pane - 8);
        w->tbrToolBar_ButtonClick(QStringLiteral("Terminal"));
        QVERIFY(w->txtTerm->isVisible());
        QCOMPARE(w->height(), height0);
    }

    void quittingLogsOutThroughAClosedPort()
    {
        auto w = makeWindow();
        QVERIFY(!port->portOpen());
        QByteArray sent;
        connect(port, &MockCommControl::dataWritten, this, [&](const QByteArray &b) { sent += b; });
        QVERIFY(w->close());
        QCOMPARE(sent, QByteArray("PASS NONE\r"));
        QVERIFY(!port->portOpen());
    }

    void stuckOutputAsksAbortRetryIgnore()
    {
        auto w = makeWindow();
        port->setPortOpen(true);
        port->setWriteStalled(true);
        // Abort: the window and the port stay open.
        env->dialogs().answerMsgBox(Msg::Abort);
        QVERIFY(!w->close());
        QCOMPARE(env->dialogs().messages().size(), 1);
        const auto box = env->dialogs().messages()[0];
        QCOMPARE(box.text, QStringLiteral("Data cannot be sent"));
        QCOMPARE(box.buttons, int(Msg::AbortRetryIgnore));
        QCOMPARE(box.icon, int(Msg::Question));
        QVERIFY(port->portOpen());
        // Retry waits again; Ignore gives up waiting and closes.
        env->dialogs().answerMsgBox(Msg::Retry);
        env->dialogs().answerMsgBox(Msg::Ignore);
        QVERIFY(w->close());
        QCOMPARE(env->dialogs().messages().size(), 3);
        QVERIFY(!port->portOpen());
    }

    void logoutFailureIsReportedAndTheWindowCloses()
    {
        auto w = makeWindow();
        port->setOpenFails(true);
        QVERIFY(w->close());
        const auto boxes = env->dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text,
                 QStringLiteral("There was an error communicating with the radio. You may not have logged out completely."));
    }

    void aboutDisablesTheMainWindowUntilItCloses()
    {
        auto w = makeWindow();
        w->show();
        w->mnuAbout_Click();
        QVERIFY(!w->isEnabled());
        QVERIFY(shared().AboutMode);
        QVERIFY(Clock::waitFor([&] { return w->isEnabled(); }, 60000));
        QVERIFY(!shared().AboutMode);
    }

    void rssiAndZoneDataNeedAnOpenPort()
    {
        auto w = makeWindow();
        w->ButtonRSSI_Click();
        w->ButtonZoneData_Click();
        const auto boxes = env->dialogs().messages();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].text, QStringLiteral("Please Toggle COMM Port open first."));
        QCOMPARE(boxes[1].title, QStringLiteral("User Help"));
    }

    // The CTest entries tst_mainwindow_1024x768 and tst_mainwindow_1280x720 run this on the screens
    // field laptops have: 1024 x 768, and 1920 x 1080 at 150 %.
    void everyControlIsOnTheScreen_data()
    {
        QTest::addColumn<QString>("view");
        QTest::newRow("Tasks view") << "Tasks";
        QTest::newRow("Advanced view") << "Advanced";
        QTest::newRow("a dialog larger than the screen") << "Zone Data";
        QTest::newRow("the restore window") << "Restore";
    }

    void everyControlIsOnTheScreen()
    {
        QFETCH(QString, view);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        if (area.width() < 1024 || area.height() < 720)
            QSKIP("The window is laid out for screens of 1024 x 720 and more.");
        const ScreenFitter fitter;
        auto w = makeWindow();
        if (view == QLatin1String("Advanced"))
            w->ButtonAdv_Click();
        w->show();
        std::unique_ptr<QWidget> dialog;
        if (view == QLatin1String("Zone Data"))
            dialog = std::make_unique<frmZoneData>(*port, w.get());
        else if (view == QLatin1String("Restore"))
            dialog = std::make_unique<frmRestore>(*w);
        QWidget *window = dialog ? dialog.get() : w.get();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(area.contains(window->frameGeometry()));
        // Nothing is squashed below what its layout asks for, and no control is cut off.
        QVERIFY(window->width() >= window->minimumSizeHint().width());
        QVERIFY(window->height() >= window->minimumSizeHint().height());
        const QRect inside(window->mapToGlobal(QPoint(0, 0)), window->size());
        for (QWidget *control : window->findChildren<QWidget *>())
            QVERIFY2(!control->isVisible() || control->isWindow()
                         || inside.contains(QRect(control->mapToGlobal(QPoint(0, 0)), control->size())),
                     control->metaObject()->className());
        if (const QString folder = qEnvironmentVariable("WAVECREST_SCREENSHOTS"); !folder.isEmpty())
            window->grab().save(QStringLiteral("%1/%2-%3x%4.png").arg(folder, view).arg(area.width()).arg(area.height()));
    }

    void typedKeysReachTheRadioAndTheEchoComesBack()
    {
        CommFactory::setFactory(nullptr);
        env.reset();
        RadioRig rig;
        if (!rig.ok())
            QSKIP("This machine gives no pseudo-terminal.");
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        QVERIFY(w.MSComm1->portOpen());
        // The connect's read-out holds the link and fills the pane: keys typed meanwhile are
        // refused. It starts at the window's next tick.
        QVERIFY(Clock::waitFor([] { return !shared().RefreshRequested && !LinkGate::owned(); }, 60000));
        w.txtTerm->clear();
        QTest::keyClicks(w.txtTerm, QStringLiteral("unit"));
        QTest::keyClick(w.txtTerm, Qt::Key_Return);
        QVERIFY(Clock::waitFor([&] { return w.txtTerm->text().endsWith(QLatin1Char('>')); }, 2000));
        QCOMPARE(w.txtTerm->text(), QStringLiteral("unit\r\nUNIT 12345\r\n>"));
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().contains(QStringLiteral("unit")));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

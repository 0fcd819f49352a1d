// The main window: start-up from the settings store and the Temp folder, the two views, the
// terminal pane's toggle, the toolbar dispatch and the shut-down; its windows on small screens and
// the keyboard's way through them.
#include "app/TerminalColours.h"
#include "app/ScreenFit.h"
#include "app/TerminalLook.h"
#include "app/KeyboardAccess.h"
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "app/frmPreferences.h"
#include "app/frmProperties.h"
#include "config/frmSimpleXMAP.h"
#include "diagnostics/frmRSSI.h"
#include "link/frmLogin.h"
#include "settings/frmDLINKOptions.h"
#include "settings/frmDTYPEOptions.h"
#include "settings/frmRTUOptions.h"
#include "settings/frmXMAP.h"
#include "diagnostics/frmZoneData.h"
#include "settings/frmSetup.h"
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
#include <QButtonGroup>
#include <QRadioButton>
#include <QScrollArea>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QApplication>
#include <QTimer>
#include <QWindow>

using namespace Qt::StringLiterals;

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

    // Lets the windows take in what was posted to them: layouts, and what follows from them.
    static void settle()
    {
        for (int round = 0; round < 5; ++round) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    static QRect onScreen(const QWidget &w) { return {w.mapToGlobal(QPoint(0, 0)), w.size()}; }

    static QByteArray where(const QString &name, const QWidget &w)
    {
        const QRect r = onScreen(w);
        return QStringLiteral("%1: %2 %3 at %4,%5 %6x%7").arg(name, w.metaObject()->className(), w.objectName())
            .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toLocal8Bit();
    }

    // The window is inside the screen, nothing in it is squashed below what its layout asks for,
    // and every control can be brought into view, scrolling where the window scrolls.
    static void checkEveryControlReachable(QWidget &window, const QRect &area, const QString &name)
    {
        QVERIFY2(area.contains(window.frameGeometry()), where(name, window).constData());
        QVERIFY2(window.width() >= window.minimumSizeHint().width(), qPrintable(name));
        QVERIFY2(window.height() >= window.minimumSizeHint().height(), qPrintable(name));
        for (QWidget *control : window.findChildren<QWidget *>()) {
            if (!control->isVisible() || control->isWindow())
                continue;
            // Each scroll area it lies in is scrolled to show it, the innermost first.
            QList<QScrollArea *> scrollers;
            bool fits = true;
            for (QWidget *up = control->parentWidget(); up != &window; up = up->parentWidget()) {
                auto *scroller = qobject_cast<QScrollArea *>(up);
                if (!scroller || !scroller->widget()->isAncestorOf(control))
                    continue;
                QVERIFY2(scroller->widget()->width() >= scroller->widget()->minimumSizeHint().width()
                             && scroller->widget()->height() >= scroller->widget()->minimumSizeHint().height(),
                         qPrintable(name));
                fits = fits && control->width() <= scroller->viewport()->width()
                       && control->height() <= scroller->viewport()->height();
                const QRect in(control->mapTo(scroller->widget(), QPoint(0, 0)), control->size());
                scroller->ensureVisible(in.center().x(), in.center().y(), in.width() / 2 + 1, in.height() / 2 + 1);
                scrollers << scroller;
            }
            // A frame larger than the view holds controls that are brought into view one by one.
            if (!fits && !control->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).isEmpty())
                continue;
            QVERIFY2(onScreen(window).contains(onScreen(*control)), where(name, *control).constData());
            for (QScrollArea *scroller : scrollers)
                QVERIFY2(onScreen(*scroller->viewport()).contains(onScreen(*control)), where(name, *control).constData());
        }
    }

    // One of the windows that stand over the main window, by its caption.
    std::unique_ptr<QWidget> otherWindow(const QString &name, frmCorvista &w)
    {
        if (name == QLatin1String("Zone Data"))
            return std::make_unique<frmZoneData>(*port, &w);
        if (name == QLatin1String("Restore"))
            return std::make_unique<frmRestore>(w);
        if (name == QLatin1String("Setup Mode"))
            return std::unique_ptr<QWidget>(new frmSetup(w));
        if (name == QLatin1String("Setup"))
            return std::make_unique<frmProperties>(*port, nullptr, &w);
        if (name == QLatin1String("Preferences"))
            return std::make_unique<frmPreferences>(w.txtTerm, &w);
        if (name == QLatin1String("DLINK"))
            return std::make_unique<frmDLINKOptions>(*port, QStringLiteral("DLINK ON 19200"), &w);
        if (name == QLatin1String("DTYPE"))
            return std::make_unique<frmDTYPEOptions>(*port, &w);
        if (name == QLatin1String("Software RTU"))
            return std::make_unique<frmRTUOptions>(*port, QStringLiteral("RTU ON 1"), &w);
        if (name == QLatin1String("Extension Map"))
            return std::make_unique<frmXMAP>(*port, &w);
        if (name == QLatin1String("Simple Extension Map"))
            return std::make_unique<frmSimpleXMAP>(*port, &w);
        if (name == QLatin1String("Login"))
            return std::make_unique<frmLogin>(w, &w);
        if (name == QLatin1String("RSSI"))
            return std::make_unique<frmRSSI>(*port, &w);
        return nullptr;
    }

    // A group of choices is one stop for Tab; the arrow keys move through it.
    static bool isChoice(QWidget *control)
    {
        const auto *radio = qobject_cast<QRadioButton *>(control);
        return radio && (radio->autoExclusive() || (radio->group() && radio->group()->exclusive()));
    }

    // The control a focus widget stands for: an editable box's own editor stands for the box.
    static QWidget *controlOf(QWidget *focus)
    {
        while (focus && focus->parentWidget() && focus->parentWidget()->focusProxy() == focus)
            focus = focus->parentWidget();
        return focus;
    }

    // Whether a comes before b when the screen is read: top to bottom, left to right, a group's
    // controls together. Two side by side in their common parent are read left to right.
    static bool readBefore(QWidget *a, QWidget *b)
    {
        if (a->isAncestorOf(b) || b->isAncestorOf(a))
            return a->isAncestorOf(b);
        QWidget *common = a->parentWidget();
        while (!common->isAncestorOf(b))
            common = common->parentWidget();
        auto childOf = [common](QWidget *w) {
            while (w->parentWidget() != common)
                w = w->parentWidget();
            return w->geometry();
        };
        const QRect ra = childOf(a), rb = childOf(b);
        if (ra.top() <= rb.bottom() && rb.top() <= ra.bottom())
            return ra.left() < rb.left();
        return ra.top() < rb.top();
    }

    // The controls the key passes through from the focused one until the focus comes back to it;
    // a control that keeps the focus ends the walk.
    static QList<QWidget *> walk(Qt::KeyboardModifiers modifiers)
    {
        QList<QWidget *> seen{controlOf(QApplication::focusWidget())};
        for (int press = 0; press < 200; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
            QWidget *now = controlOf(QApplication::focusWidget());
            if (now == seen.front() || now == seen.back())
                break;
            seen << now;
        }
        return seen;
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
        QTest::addColumn<QString>("otherCopy");   // "": none; "here": running on this machine; else its host
        QTest::addColumn<int>("claimAgeHours");
        QTest::addColumn<bool>("kept");
        QTest::newRow("the only running copy empties it") << "" << 0 << false;
        QTest::newRow("another running copy's print file stays") << "here" << 0 << true;
        // A copy on another machine sharing the program folder cannot be asked whether it runs.
        QTest::newRow("a claim from another machine an hour old keeps it") << "bench-pc" << 1 << true;
        QTest::newRow("a claim from another machine two days old is given up") << "bench-pc" << 48 << false;
    }

    void tempFolderIsCreatedThenEmptied()
    {
        QFETCH(QString, otherCopy);
        QFETCH(int, claimAgeHours);
        QFETCH(bool, kept);
        const QString temp = env->path(QStringLiteral("Temp"));
        QVERIFY(!QDir(temp).exists());
        makeWindow();
        QVERIFY(QDir(temp).exists());
        for (const char *name : {"a.txt", "b.prn", "c"}) {
            QFile f(temp + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        // The claim a copy started from the same folder holds on Temp while it runs.
        const QString claim = temp + QStringLiteral("/.wavecrest-running-7.lock");
        QLockFile another(claim);
        if (otherCopy == QLatin1String("here")) {
            QVERIFY(another.tryLock(0));
        } else if (!otherCopy.isEmpty()) {
            QFile f(claim);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("4242\nwavecrest\n" + otherCopy.toLatin1() + "\n0123456789abcdef0123456789abcdef\n\n");
            QVERIFY(f.flush());   // a write after the time is set would set it again
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600 * claimAgeHours),
                                  QFileDevice::FileModificationTime));
        }
        makeWindow();
        QCOMPARE(QDir(temp).entryList({QStringLiteral("*.txt")}, QDir::Files),
                 kept ? QStringList{"a.txt"} : QStringList{});
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

    // The CTest entries tst_mainwindow_<screen> run this on the screens field laptops have, from
    // 1024 x 768 to 1920 x 1080 at 200 % (960 x 540 to the window).
    void everyControlIsOnTheScreen_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("Tasks view") << "main" << QStringList{};
        QTest::newRow("Advanced view") << "main" << QStringList{"Advanced"};
        QTest::newRow("Advanced then Tasks and back, three times")
            << "main" << QStringList{"Advanced", "Tasks", "Advanced", "Tasks", "Advanced", "Tasks"};
        QTest::newRow("the terminal hidden and shown in either view")
            << "main" << QStringList{"Terminal", "Advanced", "Terminal", "Tasks"};
        QTest::newRow("moved to a large monitor and back, in either view")
            << "main" << QStringList{"monitor", "laptop", "Advanced", "monitor", "laptop"};
        QTest::newRow("a dialog larger than the screen") << "Zone Data" << QStringList{};
        QTest::newRow("the restore window") << "Restore" << QStringList{};
        QTest::newRow("the setup mode window") << "Setup Mode" << QStringList{};
        QTest::newRow("the port setup dialog") << "Setup" << QStringList{};
        for (const char *other : {"Preferences", "DLINK", "DTYPE", "Software RTU", "Extension Map",
                                  "Simple Extension Map", "Login", "RSSI"})
            QTest::newRow(other) << other << QStringList{};
    }

    void everyControlIsOnTheScreen()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, steps);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        if (area.width() < 960 || area.height() < 540)
            QSKIP("The window is laid out for screens of 960 x 540 and more.");
        const ScreenFitter fitter;
        auto w = makeWindow();
        w->show();
        const std::unique_ptr<QWidget> dialog = otherWindow(window, *w);
        QWidget *shown = dialog ? dialog.get() : w.get();
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        QSize firstTasks;
        for (int step = 0; step <= steps.size(); ++step) {
            if (step > 0) {
                const QString &action = steps[step - 1];
                // As the user does it: a click on the button, then whatever the window does next.
                if (action == QLatin1String("Terminal")) {
                    w->tbrToolBar_ButtonClick(action);
                } else if (action.front().isLower()) {
                    const auto screens = QGuiApplication::screens();
                    const auto to = std::find_if(screens.begin(), screens.end(),
                                                 [&](QScreen *screen) { return screen->name() == action; });
                    if (to == screens.end())
                        QSKIP("This screen has no other beside it.");
                    // There the user makes the window as large as that screen; then takes it back.
                    w->windowHandle()->setScreen(*to);
                    w->move((*to)->availableGeometry().topLeft());
                    if (action == QLatin1String("monitor"))
                        w->resize((*to)->availableGeometry().size() - QSize(40, 80));
                } else {
                    QTest::mouseClick(w->ButtonAdv, Qt::LeftButton);
                }
                QCOMPARE(w->ButtonAdv->text(), shared().AdvancedView ? u"Tasks"_s : u"Advanced"_s);
                settle();
            }
            const QString name = window + (step ? QStringLiteral(" %1 %2").arg(step).arg(steps[step - 1]) : QString());
            checkEveryControlReachable(*shown, shown->screen()->availableGeometry(), name);
            if (QTest::currentTestFailed())
                return;
            if (steps.value(step - 1) == QLatin1String("Tasks")) {
                // Back in the Tasks view the window has the size it had the first time back.
                if (firstTasks.isEmpty())
                    firstTasks = shown->size();
                QCOMPARE(shown->size(), firstTasks);
            }
            if (const QString folder = qEnvironmentVariable("WAVECREST_SCREENSHOTS"); !folder.isEmpty())
                shown->grab().save(QStringLiteral("%1/%2-%3x%4.png").arg(folder, name).arg(area.width()).arg(area.height()));
        }
    }

    // Tab walks the controls as the screen shows them, each "?" right after its own button, and
    // Shift+Tab walks back; a Tab in the terminal moves on and sends the radio nothing.
    void tabFollowsTheScreen_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("Tasks view") << "Tasks";
        QTest::newRow("Advanced view, every page") << "Advanced";
        QTest::newRow("the restore window, every page") << "Restore";
        // (The extension map editor's grid, its buttons beside it and those below are read group
        // by group, which the rule above cannot see without frames around them.)
        for (const char *other : {"Setup Mode", "Setup", "Preferences", "DLINK", "DTYPE", "Software RTU",
                                  "Simple Extension Map", "Login", "RSSI"})
            QTest::newRow(other) << other;
    }

    void tabFollowsTheScreen()
    {
        QFETCH(QString, window);
        const KeyboardAccess keys;
        auto w = makeWindow();
        w->Timer1->stop();   // its keep-alive is not what the wire is watched for
        port->setPortOpen(true);
        const std::unique_ptr<QWidget> other = otherWindow(window, *w);
        if (window == QLatin1String("Advanced"))
            w->ButtonAdv_Click();
        QWidget *shown = other ? other.get() : w.get();
        QTabBar *tabs = window == QLatin1String("Restore") ? static_cast<frmRestore *>(shown)->TabStrip : w->SettingsTab;
        const int pages = tabs->isAncestorOf(shown) || shown->isAncestorOf(tabs) ? tabs->count() : 1;
        // Every control as it is with a radio connected and a file read.
        for (QWidget *control : shown->findChildren<QWidget *>())
            control->setEnabled(true);
        shown->show();
        shown->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shown));
        for (int page = 0; page < pages; ++page) {
            tabs->setCurrentIndex(page);
            settle();
            const QString name = QStringLiteral("%1, page %2").arg(window).arg(page + 1);
            QSet<QWidget *> controls;
            for (QWidget *control : shown->findChildren<QWidget *>())
                if (control->isVisible() && control->isEnabled() && (control->focusPolicy() & Qt::TabFocus)
                    && !control->focusProxy() && !isChoice(control))
                    controls << controlOf(control);
            // From the terminal (or the first control) round to it, every control once; ...
            QWidget *top = *std::min_element(controls.begin(), controls.end(), readBefore);
            (shown == w.get() ? w->txtTerm : top)->setFocus(Qt::TabFocusReason);
            const QList<QWidget *> forth = walk(Qt::NoModifier);
            for (QWidget *control : forth)
                QVERIFY2(control && shown->isAncestorOf(control), qPrintable(name));
            top = *std::min_element(forth.begin(), forth.end(), readBefore);
            for (QWidget *control : controls)
                QVERIFY2(forth.contains(control), where(name, *control).constData());
            QCOMPARE(forth.size() - std::count_if(forth.begin(), forth.end(), isChoice), controls.size());
            // ... in the order the screen is read from its top left on.
            const QList<QWidget *> read = forth.mid(forth.indexOf(top)) + forth.mid(0, forth.indexOf(top));
            for (int i = 1; i < read.size(); ++i)
                QVERIFY2(readBefore(read[i - 1], read[i]), where(name, *read[i - 1]) + " before " + where(name, *read[i]));
            if (window == QLatin1String("Tasks")) {
                QCOMPARE(forth.indexOf(w->cmdRptHelp1), forth.indexOf(w->cmdRepeater) + 1);
                QCOMPARE(forth.indexOf(w->cmdRptHelp2), forth.indexOf(w->cmdSubRemote) + 1);
            }
            QList<QWidget *> back = walk(Qt::ShiftModifier);
            std::reverse(back.begin() + 1, back.end());
            QCOMPARE(back, forth);
        }
        if (!other)
            QCOMPARE(port->written(), QByteArray());
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

// Logging in and out, the encryption code and the radio password, against the simulated radio
// over a pseudo-terminal: the lines the radio receives (the secret always inside "deco" ...
// "eeco"), the terminal text, the messages shown, the toolbar's login state and the stored
// preference.
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/TerminalPane.h"
#include "link/frmLogin.h"
#include "link/frmSetPass.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "support/FullDisk.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kNetworkAddress = QStringLiteral("ADDR 1000");

FakeRadio::Config radioLoggedIn(bool loggedIn)
{
    FakeRadio::Config c;
    c.loggedIn = loggedIn;
    return c;
}

// Connects and leaves the wire quiet: no read-out or keep-alive meets the exchange, the network
// address box shows what a read-out would, the radio's log and the dialogs are empty.
frmCorvista &connectForLogin(RadioRig &rig)
{
    frmCorvista &w = connectQuietly(rig);
    w.Pages.box(QStringLiteral("NetworkAddress"))->setText(kNetworkAddress);
    return w;
}

// The radio has received everything written so far (the last line is expected).
bool radioGot(RadioRig &rig, const QString &lastLine)
{
    return Clock::waitFor([&] { return !rig.radio().lines().isEmpty() && rig.radio().lines().last() == lastLine; },
                          1000);
}

template<typename Window>
Window *openWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<Window *>(w); window && window->isVisible())
            return window;
    return nullptr;
}

// The login window is modal: what the user does in it runs once it shows, inside its own loop.
// A window the action leaves open is closed after a while, so a failing test cannot hang. The
// script lives as long as the test function that declares it.
class LoginScript
{
public:
    explicit LoginScript(std::function<void(frmLogin &)> action) : m_action(std::move(action))
    {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
        m_guard.setSingleShot(true);
        QObject::connect(&m_guard, &QTimer::timeout, [this] {
            if (m_window)
                m_window->done(QDialog::Rejected);
        });
    }

    bool shown = false;

private:
    void poll()
    {
        frmLogin *login = openWindow<frmLogin>();
        if (!login)
            return;
        m_poll.stop();
        shown = true;
        m_window = login;
        m_action(*login);
        if (m_window && m_window->isVisible())
            m_guard.start(3000);
    }

    std::function<void(frmLogin &)> m_action;
    QTimer m_poll;
    QTimer m_guard;
    QPointer<frmLogin> m_window;
};

void type(frmLogin &login, const QString &text)
{
    login.txtPassword->setText(text);
}

QString stored(const QString &fallback = QStringLiteral("missing"))
{
    return GetSetting(Dialogs::applicationTitle(), QStringLiteral("Preferences"), QStringLiteral("PassEnabled"),
                      fallback);
}

bool loginEnabled(frmCorvista &w)
{
    return w.toolButtons["Login"]->isEnabled();
}

bool logoutEnabled(frmCorvista &w)
{
    return w.toolButtons["Logout"]->isEnabled();
}

// Opens the password window as a person does: by the time they have typed a password, the radio
// has heard the window's echo-off and its answer is in.
frmSetPass *openSetPass(RadioRig &rig, frmCorvista &w)
{
    w.mnuSetPass_Click();
    rig.settle();
    Clock::pumpFor(200);
    return openWindow<frmSetPass>();
}

} // namespace

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void radioPassword_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right password logs in") << "1234" << true;
        QTest::newRow("wrong password asks again with the text selected") << "9999" << false;
        QTest::newRow("password is sent as typed, case and all") << "abCD" << false;
    }

    void radioPassword()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        RIG(rig, 0.02, radioLoggedIn(false));
        frmCorvista &w = connectForLogin(rig);
        QString caption, info, selected;
        int maxLength = 0;
        bool noneVisible = true;
        bool stayedOpen = false;
        LoginScript script([&](frmLogin &login) {
            caption = login.windowTitle();
            info = login.InfoLabel->text();
            maxLength = login.txtPassword->maxLength();
            noneVisible = login.NoneButton->isVisible();
            type(login, typed);
            login.cmdOK->click();
            stayedOpen = login.isVisible();
            selected = login.txtPassword->selectedText();
            if (stayedOpen)
                login.cmdCancel->click();
        });

        w.tbrToolBar_ButtonClick(QStringLiteral("Login"));

        QCOMPARE(caption, QStringLiteral("Enter Password:"));
        QCOMPARE(info, QStringLiteral("Please enter a radio password:"));
        QCOMPARE(maxLength, 4);
        QVERIFY(!noneVisible);
        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        QCOMPARE(rig.radio().lines().mid(0, 2), (QStringList{"deco", "pass " + typed}));
        QVERIFY(rig.radio().echoOn());
        QCOMPARE(stayedOpen, !accepted);
        QCOMPARE(rig.radio().config().loggedIn, accepted);
        QCOMPARE(!loginEnabled(w), accepted);
        QCOMPARE(logoutEnabled(w), accepted);
        if (accepted) {
            QVERIFY(rig.dialogs().messages().isEmpty());
            QCOMPARE(rig.radio().lines(), (QStringList{"deco", "pass " + typed, "", "eeco"}));
            QVERIFY(w.txtTerm->text().startsWith(QStringLiteral("*** PASSWORD ACCEPTED ***")));
        } else {
            QCOMPARE(rig.dialogs().messageTexts(), QStringList{"Invalid Password, try again!"});
            QCOMPARE(rig.dialogs().messages()[0].title, QStringLiteral("Login"));
            QCOMPARE(selected, typed);
            // The secret never came back: the echo was off.
            QVERIFY(!w.txtTerm->text().contains(typed));
        }
    }

    void silentRadioRefusesThePasswordAfterThreeSeconds()
    {
        RIG(rig, 0.02, radioLoggedIn(false));
        frmCorvista &w = connectForLogin(rig);
        double waited = 0;
        QString selected;
        LoginScript script([&](frmLogin &login) {
            type(login, QStringLiteral("1234"));
            rig.radio().config().silentBursts = -1;
            const double t0 = Clock::nowSeconds();
            login.cmdOK->click();
            waited = Clock::nowSeconds() - t0;
            selected = login.txtPassword->selectedText();
            rig.radio().config().silentBursts = 0;
            login.cmdCancel->click();
        });
        w.mnuAccessCode_Click();
        QVERIFY2(waited >= 3.0 && waited < 30.0, qPrintable(QString::number(waited)));
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{"Invalid Password, try again!"});
        QCOMPARE(selected, QStringLiteral("1234"));
        QVERIFY(loginEnabled(w));
        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
    }

    void encryptionCode_data()
    {
        QTest::addColumn<QString>("typed");       // empty: "Use None"
        QTest::addColumn<QString>("sent");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("codeAfter");
        QTest::newRow("code in range accepted") << "7" << "code 7" << true << "7";
        QTest::newRow("code above 255 refused") << "300" << "code 300" << false << "NONE";
        QTest::newRow("code that is no number refused") << "ab" << "code ab" << false << "NONE";
        QTest::newRow("Use None sends code none") << "" << "code none" << true << "NONE";
    }

    void encryptionCode()
    {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        QFETCH(bool, accepted);
        QFETCH(QString, codeAfter);
        FakeRadio::Config config = radioLoggedIn(true);
        config.encryptionCode = typed.isEmpty() ? QStringLiteral("42") : QStringLiteral("NONE");
        RIG(rig, 0.02, config);
        frmCorvista &w = connectForLogin(rig);
        w.showLoggedIn(true);
        QString caption, label, info;
        int maxLength = 0;
        bool noneVisible = false;
        bool stayedOpen = false;
        LoginScript script([&](frmLogin &login) {
            caption = login.windowTitle();
            label = login.Label->text();
            info = login.InfoLabel->text();
            maxLength = login.txtPassword->maxLength();
            noneVisible = login.NoneButton->isVisible();
            if (typed.isEmpty()) {
                login.NoneButton->click();
            } else {
                type(login, typed);
                login.cmdOK->click();
            }
            stayedOpen = login.isVisible();
            if (stayedOpen)
                login.cmdCancel->click();
        });

        w.mnuEncryptCode_Click();

        QCOMPARE(caption, QStringLiteral("Enter Encryption Code:"));
        QCOMPARE(label, QStringLiteral("&Code:"));
        QCOMPARE(info, QStringLiteral("Please enter an encryption code (1-255), or click 'None' not to use an "
                                      "encryption code:"));
        QCOMPARE(maxLength, 3);
        QVERIFY(noneVisible);
        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        // The write-access probe, then the code inside its own bracket.
        QCOMPARE(rig.radio().lines().mid(0, 5), (QStringList{"deco", kNetworkAddress, "eeco", "deco", sent}));
        QCOMPARE(rig.radio().config().encryptionCode, codeAfter);
        QVERIFY(rig.radio().echoOn());
        QCOMPARE(stayedOpen, !accepted);
        if (accepted) {
            QCOMPARE(rig.radio().lines().mid(5), (QStringList{"", "eeco"}));
            QVERIFY(w.txtTerm->text().startsWith(QStringLiteral("*** ENCRYPTION CODE ACCEPTED ***")));
            QVERIFY(rig.dialogs().messages().isEmpty());
        } else {
            QCOMPARE(rig.dialogs().messageTexts(), QStringList{"Invalid Encryption Code."});
            QCOMPARE(rig.dialogs().messages()[0].title, QStringLiteral("Login"));
        }
        // A code changes nothing about the login.
        QVERIFY(logoutEnabled(w));
        QVERIFY(!loginEnabled(w));
    }

    void lineEndInALoginAnswerSendsNothing_data()
    {
        QTest::addColumn<bool>("code");
        QTest::addColumn<QString>("typed");
        QTest::newRow("password with a CR") << false << "12\r3";
        QTest::newRow("password with a line feed") << false << "1\n34";
        QTest::newRow("encryption code with a CR") << true << "7\r8";
    }

    void lineEndInALoginAnswerSendsNothing()
    {
        QFETCH(bool, code);
        QFETCH(QString, typed);
        RIG(rig, 0.02, radioLoggedIn(code));
        frmCorvista &w = connectForLogin(rig);
        w.showLoggedIn(code);
        bool stayedOpen = false;
        LoginScript script([&](frmLogin &login) {
            type(login, typed);
            login.cmdOK->click();
            stayedOpen = login.isVisible();
            if (stayedOpen)
                login.cmdCancel->click();
        });

        if (code)
            w.mnuEncryptCode_Click();
        else
            w.tbrToolBar_ButtonClick(QStringLiteral("Login"));

        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        QVERIFY(stayedOpen);
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{ControlCharacterMessage()});
        QCOMPARE(rig.dialogs().messages()[0].title, QStringLiteral("Error!"));
        QVERIFY(rig.settle());
        for (const QString &line : rig.radio().lines())
            QVERIFY2(!line.startsWith(QLatin1String("pass")) && !line.startsWith(QLatin1String("code")),
                     qPrintable(line));
        QCOMPARE(rig.radio().config().encryptionCode, QStringLiteral("NONE"));
        QVERIFY(rig.radio().echoOn());
    }

    void codeMenuWhenNotLoggedInShowsTheErrorOnly()
    {
        RIG(rig, 0.02, radioLoggedIn(false));
        frmCorvista &w = connectForLogin(rig);
        w.txtTerm->setText(QStringLiteral("earlier text"));
        LoginScript script([](frmLogin &login) { login.cmdCancel->click(); });

        w.mnuEncryptCode_Click();
        // What the operation left in the terminal, before the radio's answer to the last command
        // (still on its way) can come in.
        QVERIFY2(w.txtTerm->text().isEmpty(), qPrintable(w.txtTerm->text()));

        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        QCOMPARE(rig.radio().lines(), (QStringList{"deco", kNetworkAddress, "eeco"}));
        QVERIFY(!script.shown);
        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("Error! You are not currently logged in, and therefore will not be "
                                               "able to enter in an encryption code."));
        QCOMPARE(boxes[0].title, QStringLiteral("Error!"));
        QCOMPARE(boxes[0].icon, int(Msg::Critical));
        QVERIFY(rig.radio().echoOn());
    }

    void everyWayOutOfTheLoginWindowTurnsTheEchoOn_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Esc key") << "esc";
        QTest::newRow("close box") << "close";
        QTest::newRow("accepted password") << "ok";
    }

    void everyWayOutOfTheLoginWindowTurnsTheEchoOn()
    {
        QFETCH(QString, way);
        RIG(rig, 0.02, radioLoggedIn(false));
        frmCorvista &w = connectForLogin(rig);
        bool closed = false;
        LoginScript script([&](frmLogin &login) {
            if (way == QLatin1String("cancel")) {
                login.cmdCancel->click();
            } else if (way == QLatin1String("esc")) {
                QTest::keyClick(&login, Qt::Key_Escape);
            } else if (way == QLatin1String("close")) {
                login.close();
            } else {
                type(login, QStringLiteral("1234"));
                login.cmdOK->click();
            }
            closed = !login.isVisible();
        });
        w.mnuAccessCode_Click();
        QVERIFY(closed);
        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        QCOMPARE(rig.radio().lines().count(QStringLiteral("eeco")), 1);
        QCOMPARE(rig.radio().lines().first(), QStringLiteral("deco"));
        QVERIFY(rig.radio().echoOn());
    }

    void loginWindowButtonsDoNothingWithThePortClosed()
    {
        RIG(rig, 0.02, radioLoggedIn(false));
        frmCorvista &w = rig.openWindow();
        shared().LoginMode = QStringLiteral("pass");
        frmLogin login(w);
        login.show();
        type(login, QStringLiteral("1234"));
        for (QPushButton *b : {login.cmdOK, login.cmdCancel, login.NoneButton})
            b->click();
        QTest::keyClick(&login, Qt::Key_Escape);
        QVERIFY(login.isVisible());
        QVERIFY(rig.dialogs().messages().isEmpty());
        login.close();
        QVERIFY(!login.isVisible());
        Clock::pumpFor(50);
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().isEmpty());
    }

    void menusWithThePortClosedAskToOpenItFirst_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::newRow("Enter Radio Password") << "pass";
        QTest::newRow("Enter Encryption Code") << "code";
    }

    void menusWithThePortClosedAskToOpenItFirst()
    {
        QFETCH(QString, menu);
        RIG(rig);
        frmCorvista &w = rig.openWindow();
        LoginScript script([](frmLogin &login) { login.close(); });
        if (menu == QLatin1String("pass"))
            w.mnuAccessCode_Click();
        else
            w.mnuEncryptCode_Click();
        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("Please Toggle COMM Port open first."));
        QCOMPARE(boxes[0].title, QStringLiteral("User Help"));
        QVERIFY(!script.shown);
    }

    void logoutSendsPassNoneAndShowsLoggedOut()
    {
        RIG(rig, 0.02, radioLoggedIn(true));
        frmCorvista &w = connectForLogin(rig);
        w.showLoggedIn(true);
        w.tbrToolBar_ButtonClick(QStringLiteral("Logout"));
        QVERIFY(radioGot(rig, QStringLiteral("PASS NONE")));
        QCOMPARE(rig.radio().lines(), QStringList{"PASS NONE"});
        QVERIFY(!rig.radio().config().loggedIn);
        QVERIFY(w.txtTerm->text().startsWith(QStringLiteral("*** LOGGED OUT ***")));
        QVERIFY(loginEnabled(w));
        QVERIFY(!logoutEnabled(w));
    }

    void menuItemsRunTheirHandlers()
    {
        RIG(rig, 0.02, radioLoggedIn(true));
        frmCorvista &w = connectForLogin(rig);
        LoginScript script([](frmLogin &login) { login.cmdCancel->click(); });
        w.mnuAccessCode->trigger();
        QVERIFY(script.shown);
        w.mnuSetPass->trigger();
        frmSetPass *setPass = openWindow<frmSetPass>();
        QVERIFY(setPass);
        setPass->CancelButton->click();
        QVERIFY(!openWindow<frmSetPass>());
    }

    void passwordWindowOpensOnTheStoredChoice_data()
    {
        QTest::addColumn<bool>("passEnabled");
        QTest::newRow("no password in use: boxes off") << false;
        QTest::newRow("password in use: boxes on") << true;
    }

    void passwordWindowOpensOnTheStoredChoice()
    {
        QFETCH(bool, passEnabled);
        RIG(rig, 0.02, radioLoggedIn(true));
        frmCorvista &w = connectForLogin(rig);
        shared().PassEnabledPref = passEnabled;
        frmSetPass *window = openSetPass(rig, w);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Radio Password Setup"));
        QCOMPARE(window->PassRadio[0]->isChecked(), passEnabled);
        QCOMPARE(window->PassRadio[1]->isChecked(), !passEnabled);
        QCOMPARE(window->Pass1->isEnabled(), passEnabled);
        QCOMPARE(window->Pass2->isEnabled(), passEnabled);
        QCOMPARE(window->Pass1->maxLength(), 4);
        QVERIFY(radioGot(rig, QStringLiteral("deco")));
        // The main window stays usable: the password window is not modal.
        QVERIFY(!window->isModal());
        window->PassRadio[passEnabled ? 1 : 0]->click();
        QCOMPARE(window->Pass1->isEnabled(), !passEnabled);
        QCOMPARE(window->Pass2->isEnabled(), !passEnabled);
        // A second click on the menu does not open a second window or a second bracket.
        w.mnuSetPass_Click();
        window->CancelButton->click();
        QVERIFY(!openWindow<frmSetPass>());
        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        QCOMPARE(rig.radio().lines(), (QStringList{"deco", "eeco"}));
        QCOMPARE(stored(), QStringLiteral("missing"));
    }

    void settingAPassword_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QString>("pass1");
        QTest::addColumn<QString>("pass2");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("message");   // empty: none
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<bool>("windowStays");
        QTest::addColumn<QString>("storedAfter");
        QTest::addColumn<QString>("radioPassword");

        QTest::newRow("matching passwords are set") << true << "ab12" << "ab12" << QStringList{"deco", "k7m2 ab12", "eeco"}
                                                   << "" << "*** NEW PASSWORD ACCEPTED ***" << false << "True"
                                                   << "ab12";
        QTest::newRow("two empty boxes send the word and a blank")
            << true << "" << "" << QStringList{"deco", "k7m2 ", "eeco"} << ""
            << "*** NEW PASSWORD ACCEPTED ***" << false << "True" << "";
        QTest::newRow("different texts keep the window and send nothing")
            << true << "ab12" << "ab13" << QStringList{"deco"}
            << "The two passwords do not match!\rPlease reenter the password." << "" << true << "missing" << "1234";
        QTest::newRow("a line end in the password keeps the window and sends nothing")
            << true << "a\rb" << "a\rb" << QStringList{"deco"} << ControlCharacterMessage() << "" << true
            << "missing" << "1234";
        QTest::newRow("a radio that refuses the new password is not reported as protected")
            << false << "ab12" << "ab12" << QStringList{"deco", "k7m2 ab12", "eeco"}
            << "You must be logged in to set a radio password." << "" << false << "missing" << "1234";
    }

    void settingAPassword()
    {
        QFETCH(bool, loggedIn);
        QFETCH(QString, pass1);
        QFETCH(QString, pass2);
        QFETCH(QStringList, sent);
        QFETCH(QString, message);
        QFETCH(QString, terminal);
        QFETCH(bool, windowStays);
        QFETCH(QString, storedAfter);
        QFETCH(QString, radioPassword);
        RIG(rig, 0.02, radioLoggedIn(loggedIn));
        frmCorvista &w = connectForLogin(rig);
        w.showLoggedIn(false);
        w.txtTerm->setText(QString());
        shared().PassEnabledPref = false;
        frmSetPass *window = openSetPass(rig, w);
        window->PassRadio[0]->click();
        window->Pass1->setText(pass1);
        window->Pass2->setText(pass2);

        window->OKButton->click();

        QVERIFY(radioGot(rig, sent.last()));
        QCOMPARE(rig.radio().lines(), sent);
        QCOMPARE(bool(openWindow<frmSetPass>()), windowStays);
        QCOMPARE(rig.dialogs().messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(rig.dialogs().messages()[0].title, QStringLiteral("Error!"));
            QCOMPARE(rig.dialogs().messages()[0].icon, int(Msg::Critical));
        }
        if (terminal.isEmpty())
            QVERIFY(!w.txtTerm->text().contains(QStringLiteral("***")));
        else
            QVERIFY(w.txtTerm->text().startsWith(terminal));
        const bool nowLoggedIn = !terminal.isEmpty();
        QCOMPARE(logoutEnabled(w), nowLoggedIn);
        QCOMPARE(loginEnabled(w), !nowLoggedIn);
        QCOMPARE(shared().PassEnabledPref, storedAfter == QLatin1String("True"));
        QCOMPARE(stored(), storedAfter);
        QCOMPARE(rig.radio().config().password, radioPassword);
        if (windowStays) {
            window->CancelButton->click();
            QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        }
        QVERIFY(rig.radio().echoOn());
    }

    // The radio took the change; only the stored choice is lost, and the user reads why.
    void passEnabledNotSavedOnAFullDiskSaysSo_data()
    {
        QTest::addColumn<bool>("usePassword");
        QTest::newRow("a new password set") << true;
        QTest::newRow("the password removed") << false;
    }

    void passEnabledNotSavedOnAFullDiskSaysSo()
    {
        QFETCH(bool, usePassword);
        RIG(rig, 0.02, radioLoggedIn(true));
        frmCorvista &w = connectForLogin(rig);
        const QString before = usePassword ? QStringLiteral("False") : QStringLiteral("True");
        QVERIFY(SaveSetting(Dialogs::applicationTitle(), QStringLiteral("Preferences"), QStringLiteral("PassEnabled"),
                            before));
        shared().PassEnabledPref = !usePassword;
        frmSetPass *window = openSetPass(rig, w);
        window->PassRadio[usePassword ? 0 : 1]->click();
        window->Pass1->setText(QStringLiteral("ab12"));
        window->Pass2->setText(QStringLiteral("ab12"));
        {
            FullDisk disk(10);
            if (!disk.active())
                QSKIP("no file-size limit on this system");
            window->OKButton->click();
        }

        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        QCOMPARE(rig.radio().config().password, usePassword ? QStringLiteral("ab12") : QString());
        const auto shown = rig.dialogs().messages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("File I/O Error"));
        QVERIFY2(shown[0].text.contains(QDir::toNativeSeparators(SettingsStore::fileName(Dialogs::applicationTitle())))
                     && shown[0].text.contains(QStringLiteral("File too large")),
                 qPrintable(shown[0].text));
        QCOMPARE(stored(), before);
        QCOMPARE(shared().PassEnabledPref, usePassword);
    }

    void removingThePassword_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::newRow("logged in: removed and logged out") << true;
        QTest::newRow("not logged in: refused, nothing changes") << false;
    }

    void removingThePassword()
    {
        QFETCH(bool, loggedIn);
        RIG(rig, 0.02, radioLoggedIn(loggedIn));
        frmCorvista &w = connectForLogin(rig);
        w.showLoggedIn(loggedIn);
        SaveSetting(Dialogs::applicationTitle(), QStringLiteral("Preferences"), QStringLiteral("PassEnabled"),
                    QStringLiteral("True"));
        shared().PassEnabledPref = true;
        frmSetPass *window = openSetPass(rig, w);
        window->PassRadio[1]->click();

        window->OKButton->click();

        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        QVERIFY(!openWindow<frmSetPass>());
        QVERIFY(rig.radio().echoOn());
        if (loggedIn) {
            QCOMPARE(rig.radio().lines(), (QStringList{"deco", "k7m2", "PASS NONE", "", "eeco"}));
            QVERIFY(rig.dialogs().messages().isEmpty());
            QVERIFY(w.txtTerm->text().startsWith(QStringLiteral("*** PASSWORD REMOVED ***")));
            QVERIFY(loginEnabled(w));
            QVERIFY(!logoutEnabled(w));
            QVERIFY(!shared().PassEnabledPref);
            QCOMPARE(stored(), QStringLiteral("False"));
            QVERIFY(rig.radio().config().password.isEmpty());
            QVERIFY(!rig.radio().config().loggedIn);
        } else {
            QCOMPARE(rig.radio().lines(), (QStringList{"deco", "k7m2", "eeco"}));
            const auto boxes = rig.dialogs().messages();
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].text, QStringLiteral("You must be logged in to disable password protection."));
            QCOMPARE(boxes[0].title, QStringLiteral("Error!"));
            QVERIFY(loginEnabled(w));
            QVERIFY(shared().PassEnabledPref);
            QCOMPARE(stored(), QStringLiteral("True"));
            QCOMPARE(rig.radio().config().password, QStringLiteral("1234"));
        }
    }

    void passwordWindowAfterTheLinkWentDown()
    {
        RIG(rig, 0.02, radioLoggedIn(true));
        frmCorvista &w = connectForLogin(rig);
        frmSetPass *window = openSetPass(rig, w);
        w.DisconnectRadio();
        rig.dialogs().clear();
        window->PassRadio[0]->click();
        window->Pass1->setText(QStringLiteral("ab12"));
        window->Pass2->setText(QStringLiteral("ab12"));
        window->OKButton->click();
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{frmCorvista::commErrorText()});
        QVERIFY(!shared().PassEnabledPref);
        QCOMPARE(stored(), QStringLiteral("missing"));
        // Closing it with the port closed sends nothing and raises nothing.
        rig.dialogs().clear();
        window->CancelButton->click();
        QVERIFY(!openWindow<frmSetPass>());
        QVERIFY(rig.dialogs().messages().isEmpty());
    }

    // Pictures of the windows for a look by eye: set WAVECREST_GRAB_DIR to a folder.
    void windowsRender()
    {
        const QString folder = qEnvironmentVariable("WAVECREST_GRAB_DIR");
        if (folder.isEmpty())
            QSKIP("WAVECREST_GRAB_DIR is not set.");
        RIG(rig, 0.02, radioLoggedIn(true));
        frmCorvista &w = connectForLogin(rig);
        LoginScript script([&](frmLogin &login) {
            type(login, QStringLiteral("12"));
            QVERIFY(login.grab().save(folder + QStringLiteral("/frmLogin_password.png")));
            login.cmdCancel->click();
        });
        w.mnuAccessCode_Click();
        LoginScript codeScript([&](frmLogin &login) {
            QVERIFY(login.grab().save(folder + QStringLiteral("/frmLogin_code.png")));
            login.cmdCancel->click();
        });
        w.mnuEncryptCode_Click();
        shared().PassEnabledPref = true;
        frmSetPass *window = openSetPass(rig, w);
        window->Pass1->setText(QStringLiteral("ab"));
        QVERIFY(window->grab().save(folder + QStringLiteral("/frmSetPass.png")));
        window->CancelButton->click();
    }

    // While the password window's echo-off bracket is open, another window's "eeco" may close
    // it (here the login window's Cancel): the new password still goes out with the echo off,
    // and neither the terminal nor the log ever shows it.
    void newPasswordAfterAnotherWindowsEecoIsNotEchoed()
    {
        RIG(rig, 0.02, radioLoggedIn(true));
        frmCorvista &w = connectForLogin(rig);
        const QString log = rig.env().path(QStringLiteral("comms.log"));
        rig.dialogs().answerSave(log);
        w.mnuOpenLog_Click();
        QString terminal;
        const QMetaObject::Connection watch = QObject::connect(w.txtTerm, &QPlainTextEdit::textChanged, [&] {
            terminal += w.txtTerm->toPlainText();
        });
        frmSetPass *window = openSetPass(rig, w);
        QVERIFY(window);
        LoginScript script([](frmLogin &login) { login.cmdCancel->click(); });
        w.mnuAccessCode_Click();
        QVERIFY(script.shown);
        window->PassRadio[0]->click();
        window->Pass1->setText(QStringLiteral("k9x4"));
        window->Pass2->setText(QStringLiteral("k9x4"));
        window->OKButton->click();
        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
        Clock::pumpFor(300);
        QObject::disconnect(watch);
        w.mnuCloseLog_Click();

        const QStringList lines = rig.radio().lines();
        const qsizetype secret = lines.indexOf(QStringLiteral("k7m2 k9x4"));
        QVERIFY2(secret > 0, qPrintable(lines.join(u'|')));
        QCOMPARE(lines.mid(secret - 1, 3), (QStringList{"deco", "k7m2 k9x4", "eeco"}));
        QCOMPARE(rig.radio().config().password, QStringLiteral("k9x4"));
        QVERIFY(!terminal.contains(QStringLiteral("k9x4")));
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray logged = file.readAll();
        QVERIFY(logged.contains(">"));   // the log was written meanwhile
        QVERIFY(!logged.contains("k9x4"));
    }

    // A read-out while the password window is open cuts every value right: the radio's echo,
    // which the cut needs, is on for the read-out and off again after it.
    void readOutWithThePasswordWindowOpen()
    {
        RIG(rig, 0.02, radioLoggedIn(true));
        frmCorvista &w = connectForLogin(rig);
        const auto readOut = [&] {
            for (ValueBox *box : std::as_const(w.Pages.boxes))
                box->setText(QString());
            shared().RefreshRequested = true;
            w.Timer1_Timer();
            QStringList texts;
            for (auto it = w.Pages.boxes.cbegin(); it != w.Pages.boxes.cend(); ++it)
                texts << it.key() + QLatin1Char('=') + it.value()->text();
            texts.sort();
            return texts;
        };
        const QStringList alone = readOut();
        QVERIFY(alone.contains(QStringLiteral("Mode=MODE M")));
        frmSetPass *window = openSetPass(rig, w);
        QVERIFY(window);
        QCOMPARE(readOut(), alone);
        QVERIFY(shared().EchoOff);
        rig.radio().clearLog();
        window->CancelButton->click();
        QVERIFY(radioGot(rig, QStringLiteral("eeco")));
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"

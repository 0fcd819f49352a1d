// The NEW RADIO quick setup against the simulated radio over a pseudo-terminal: the lines the
// radio receives in order, the questions asked, and the Tasks view's state during and after every
// way through; the "XMAP Setting" dialog's two steps; the address warning and the picture window.
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "config/frmSimpleRptrSetup.h"
#include "config/frmSimpleXMAP.h"
#include "link/TerminalPane.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "support/MockCommControl.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <functional>

using XmapActions = std::function<void(frmSimpleXMAP &)>;
Q_DECLARE_METATYPE(XmapActions)

namespace {

// The baseline ends at the port's 2 s time-out: at this scale that is 200 ms of real time, room
// enough for a busy machine to let the radio answer a command that it does answer.
constexpr double Scale = 0.1;

using Role = frmCorvista::QuickSetupRole;

const QStringList NewRadioCommands = {QStringLiteral("FEC ON"), QStringLiteral("RETRY 3"),
                                      QStringLiteral("BUFF OFF")};

void writeNewRadio()
{
    QFile f(AppPaths::inProgramFolder(QStringLiteral("NewRadio.txt")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(("#Baseline for a new radio\r\n" + NewRadioCommands.join(QStringLiteral("\r\n")) + "\r\n").toLatin1());
}

QString programming(int dots)
{
    return QStringLiteral("\r\n").repeated(5) + QStringLiteral("PROGRAMMING") + QString(dots, QLatin1Char('.'));
}

// What the program sent, once the radio has read at least `expected` lines (it reads only while
// events run, and the setup's pauses run none), and whatever follows them a moment later.
QStringList heard(RadioRig &rig, qsizetype expected)
{
    auto commands = [&rig] {
        QStringList out;
        for (const QString &line : rig.radio().lines())
            if (!line.isEmpty())
                out << line;
        return out;
    };
    const bool came = Clock::waitFor([&] { return commands().size() >= expected; }, 25000);
    Clock::pumpFor(300);
    const bool settled = rig.settle();
    const QStringList out = commands();
    // A list that falls short shows in full which line is missing.
    if (!came || !settled || out.size() != expected)
        qWarning().noquote() << "the radio heard" << (settled ? "" : "(the line still busy)") << out.join(u" | ")
                             << "\nall it received:" << rig.radio().received().toPercentEncoding(" ");
    return out;
}

struct TasksState
{
    bool frQuickEnabled = false;
    bool ignoring = false;
    QString terminal;
};

TasksState tasksState(frmCorvista &w)
{
    return {w.frQuick->isEnabled(), shared().IgnoreCommEvents, w.txtTerm->text()};
}

// The Status panel keeps what the setup wrote last ("Clearing Unit" or the baseline's last line)
// until something else writes it: status is checked well after the 2 s other texts stay.
void verifyEndState(frmCorvista &w, const QString &status = QString())
{
    QVERIFY(w.frQuick->isEnabled());
    QVERIFY(!shared().IgnoreCommEvents);
    QVERIFY(shared().RefreshRequested);
    if (status.isEmpty())
        return;
    Clock::pumpFor(2500);
    QCOMPARE(w.panelStatus->text(), status);
}

void runSetup(frmCorvista &w, Role role)
{
    switch (role) {
    case Role::Master: w.cmdMaster->click(); break;
    case Role::Remote: w.cmdRemote->click(); break;
    case Role::Repeater: w.cmdRepeater->click(); break;
    case Role::SubRemote: w.cmdSubRemote->click(); break;
    }
}

// Acts on the XMAP dialog as soon as the sub-remote setup shows it. A dialog the actions leave
// open is cancelled, so a failing test cannot hang in its modal loop.
[[nodiscard]] std::unique_ptr<QTimer> onXmapDialog(frmCorvista &w, XmapActions actions)
{
    auto poll = std::make_unique<QTimer>();
    QTimer *timer = poll.get();
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, &w, actions] {
        auto *dialog = w.findChild<frmSimpleXMAP *>();
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        actions(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start();
    return poll;
}

XmapActions tick(QList<int> boxes, XmapActions then)
{
    return [boxes, then](frmSimpleXMAP &d) {
        for (int n : boxes)
            d.chkXADDR[n]->click();
        then(d);
    };
}

} // namespace

class TestQuickSetup : public QObject
{
    Q_OBJECT
private slots:
    // ---- master, remote, repeater ----

    void setupSendsBaselineThenRole_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("addr");
        QTest::addColumn<QList<int>>("answers");     // message boxes after the first question's Yes
        QTest::addColumn<QStringList>("inputs");     // XADDR answers
        QTest::addColumn<QStringList>("tail");       // what follows "BAUD 19200"
        QTest::addColumn<QStringList>("messages");   // message boxes after the first question
        QTest::addColumn<int>("dots");               // after "PROGRAMMING", baseline lines included

        const int yes = Msg::Yes, no = Msg::No;
        const int m = int(Role::Master), r = int(Role::Remote), x = int(Role::Repeater);
        const QString repeaterQ = QStringLiteral("Will the MASTER have a REPEATER in the system ?");
        const QString invalid = QStringLiteral("XADDR is a number between 0 and 31.");
        const QString zeroQ = QStringLiteral("Are you sure you want to use an XADDR of 0 ?\r\n\r\n"
                                             "XADDR 0 is the default setting for a Master radio.");
        QTest::newRow("master with a repeater switches store-and-forward on")
            << m << "1000" << QList<int>{yes} << QStringList{} << QStringList{"SAF ON"} << QStringList{repeaterQ} << 9;
        QTest::newRow("master without a repeater sends no SAF ON")
            << m << "1000" << QList<int>{no} << QStringList{} << QStringList{} << QStringList{repeaterQ} << 9;
        QTest::newRow("remote") << r << "1000" << QList<int>{} << QStringList{} << QStringList{} << QStringList{} << 8;
        QTest::newRow("address -5 goes as typed") << r << "-5" << QList<int>{} << QStringList{} << QStringList{}
                                                  << QStringList{} << 8;
        QTest::newRow("address of letters goes as 0") << r << "abc" << QList<int>{} << QStringList{} << QStringList{}
                                                      << QStringList{} << 8;
        QTest::newRow("repeater XADDR 31 is sent")
            << x << "1000" << QList<int>{} << QStringList{"31"} << QStringList{"XADDR 31"} << QStringList{} << 8;
        QTest::newRow("XADDR with a leading blank is sent with it")
            << x << "1000" << QList<int>{} << QStringList{" 7"} << QStringList{"XADDR  7"} << QStringList{} << 8;
        QTest::newRow("XADDR 32 is refused, then Cancel keeps the default 0")
            << x << "1000" << QList<int>{} << QStringList{"32", ""} << QStringList{}
            << QStringList{invalid, "REPEATER radio programmed WITH default XADDR of 0"} << 8;
        QTest::newRow("XADDR of letters or a fraction is asked again")
            << x << "1000" << QList<int>{} << QStringList{"a", "2.5", "1e1", "3"} << QStringList{"XADDR 3"}
            << QStringList{invalid, invalid, invalid} << 8;
        QTest::newRow("XADDR too long for a number is refused, not taken for 0")
            << x << "1000" << QList<int>{} << QStringList{"99999999999", "3"} << QStringList{"XADDR 3"}
            << QStringList{invalid} << 8;
        QTest::newRow("XADDR with a line end is refused and asked again")
            << x << "1000" << QList<int>{} << QStringList{"3\r\n", "4"} << QStringList{"XADDR 4"}
            << QStringList{ControlCharacterMessage()} << 8;
        QTest::newRow("XADDR 0 answered No is asked again")
            << x << "1000" << QList<int>{no} << QStringList{"0", "5"} << QStringList{"XADDR 5"} << QStringList{zeroQ}
            << 8;
        QTest::newRow("XADDR 0 answered Yes is sent")
            << x << "1000" << QList<int>{yes} << QStringList{"0"} << QStringList{"XADDR 0"} << QStringList{zeroQ} << 8;
    }

    void setupSendsBaselineThenRole()
    {
        QFETCH(int, role);
        QFETCH(QString, addr);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, tail);
        QFETCH(QStringList, messages);
        QFETCH(int, dots);

        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        writeNewRadio();
        w.cmbBaud->setCurrentText(QStringLiteral("19200"));
        w.txtNewADDR->setText(addr);
        w.sldPwr->setValue(27);
        rig.dialogs().answerMsgBox(Msg::Yes);
        for (int a : answers)
            rig.dialogs().answerMsgBox(a);
        for (const QString &i : inputs)
            rig.dialogs().answerInput(i);
        QList<TasksState> during;
        rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &) { during << tasksState(w); };

        runSetup(w, Role(role));
        const QString terminal = w.txtTerm->text();

        QString addrSent = addr == QLatin1String("abc") ? QStringLiteral("0") : addr;
        const QStringList expected = NewRadioCommands
                                     + QStringList{QStringLiteral("MODE ") + QStringLiteral("MRX")[role],
                                                   "ADDR " + addrSent, "PWR 27", "BAUD 19200"}
                                     + tail;
        QCOMPARE(heard(rig, expected.size()), expected);
        QCOMPARE(rig.dialogs().messageTexts().mid(1), messages);
        QCOMPARE(terminal, programming(dots));
        // Every box after the first question came while the Tasks view stood disabled and the
        // receive event stood aside.
        for (int n = 1; n < during.size(); ++n) {
            QVERIFY(!during[n].frQuickEnabled);
            QVERIFY(during[n].ignoring);
        }
        verifyEndState(w, NewRadioCommands.last());
    }

    void lineEndInTheAddressSendsNothing()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        writeNewRadio();
        w.txtNewADDR->setText(QStringLiteral("1000\rPWR 20"));
        rig.dialogs().answerMsgBox(Msg::Yes);
        runSetup(w, Role::Remote);
        Clock::pumpFor(300);
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), QStringList{});
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{ControlCharacterMessage()});
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(!shared().IgnoreCommEvents);
    }

    void firstQuestionNamesRoleAndValues_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("master") << int(Role::Master) << "MASTER" << "Program radio as MASTER...";
        QTest::newRow("remote") << int(Role::Remote) << "REMOTE" << "Program radio as REMOTE...";
        QTest::newRow("repeater") << int(Role::Repeater) << "REPEATER" << "Program radio as REPEATER...";
        QTest::newRow("sub-remote") << int(Role::SubRemote) << "REPEATER"
                                    << "Program radio as a REMOTE connecting through a REPEATER...";
    }

    // Answered No: nothing is sent and the Tasks view is as it was.
    void firstQuestionNamesRoleAndValues()
    {
        QFETCH(int, role);
        QFETCH(QString, title);
        QFETCH(QString, firstLine);
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        writeNewRadio();
        w.cmbBaud->setCurrentText(QStringLiteral("4800"));
        w.txtNewADDR->setText(QStringLiteral("2001"));
        w.sldPwr->setValue(20);
        const QString before = w.txtTerm->text();
        rig.dialogs().answerMsgBox(Msg::No);

        runSetup(w, Role(role));

        const auto shown = rig.dialogs().messages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, firstLine + "\r\n\r\nBAUD: 4800\r\n\r\nADDR: 2001\r\n\r\nPWR: 20 dBm");
        QCOMPARE(shown[0].title, title);
        QCOMPARE(shown[0].buttons, int(Msg::YesNo));
        QCOMPARE(heard(rig, 0), QStringList{});
        QCOMPARE(w.txtTerm->text(), before);
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(!shared().RefreshRequested);
    }

    void withoutBaselineFileModeComesFirst()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerMsgBox(Msg::Yes);
        w.cmdRemote->click();
        QCOMPARE(w.txtTerm->text(), programming(5));
        const QStringList expected = {"MODE R", "ADDR 1000", "PWR 30", "BAUD 9600"};
        QCOMPARE(heard(rig, expected.size()), expected);
        QCOMPARE(rig.radio().config().mode, QStringLiteral("R"));
        verifyEndState(w, QStringLiteral("Clearing Unit"));
    }

    // A radio that stops answering inside the baseline ends the baseline only.
    void baselineTimeOutStillSendsRole()
    {
        FakeRadio::Config config = writableRadio();
        config.hangsAt = QStringLiteral("RETRY 3");
        RIG(rig, Scale, config);
        frmCorvista &w = connectQuietly(rig);
        writeNewRadio();
        rig.dialogs().answerMsgBox(Msg::Yes);
        w.cmdRemote->click();
        const QStringList expected = {"FEC ON", "RETRY 3", "MODE R", "ADDR 1000", "PWR 30", "BAUD 9600"};
        QCOMPARE(heard(rig, expected.size()), expected);
        QVERIFY(!shared().PortTimedOut);
        verifyEndState(w);
    }

    void closedPortShowsErrorAndRestoresTasks()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.MSComm1->setPortOpen(false);
        rig.dialogs().answerMsgBox(Msg::Yes);
        w.cmdMaster_Click();
        QCOMPARE(rig.dialogs().messageTexts().value(1), frmCorvista::commErrorText());
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(!shared().IgnoreCommEvents);
        // The refresh at the end connects again.
        QVERIFY(w.MSComm1->portOpen());
    }

    // ---- sub-remote and its XMAP dialog ----

    void subRemoteSendsMapAndFirstAddress_data()
    {
        QTest::addColumn<XmapActions>("actions");
        QTest::addColumn<QStringList>("tail");
        const XmapActions setSet = [](frmSimpleXMAP &d) {
            d.cmdSet->click();
            d.cmdSet->click();
        };
        QTest::newRow("boxes 0 and 3 give 00000009; Set without a click gives XPRI 1, not in the map")
            << tick({0, 3}, setSet) << QStringList{"XMAP 00000009", "XPRI 1"};
        QTest::newRow("the box clicked in the second step is the XPRI")
            << tick({3, 5}, [](frmSimpleXMAP &d) {
                   d.cmdSet->click();
                   d.chkXADDR[3]->click();
                   d.cmdSet->click();
               })
            << QStringList{"XMAP 00000028", "XPRI 3"};
        QTest::newRow("no box ticked sends eight zeros") << setSet << QStringList{"XMAP 00000000", "XPRI 1"};
        QTest::newRow("Cancel in the XPRI step leaves the map sent")
            << tick({31}, [](frmSimpleXMAP &d) {
                   d.cmdSet->click();
                   d.cmdCancel->click();
               })
            << QStringList{"XMAP 80000000"};
        QTest::newRow("Cancel in the map step sends nothing more")
            << tick({1, 2}, [](frmSimpleXMAP &d) { d.cmdCancel->click(); }) << QStringList{};
        QTest::newRow("closing the window is Cancel")
            << XmapActions([](frmSimpleXMAP &d) { d.close(); }) << QStringList{};
    }

    void subRemoteSendsMapAndFirstAddress()
    {
        QFETCH(XmapActions, actions);
        QFETCH(QStringList, tail);
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        writeNewRadio();
        rig.dialogs().answerMsgBox(Msg::Yes);
        TasksState during;
        bool shown = false;
        const auto watch = onXmapDialog(w, [&](frmSimpleXMAP &d) {
            shown = true;
            during = tasksState(w);
            actions(d);
        });

        w.cmdSubRemote->click();

        const QStringList role = {"MODE R", "ADDR 1000", "PWR 30", "BAUD 9600"};
        const QStringList expected = NewRadioCommands + role + tail;
        QCOMPARE(heard(rig, expected.size()), expected);
        QVERIFY(shown);
        QVERIFY(!during.frQuickEnabled);
        QVERIFY(during.ignoring);
        QCOMPARE(during.terminal, programming(8));
        QVERIFY(w.findChild<frmSimpleXMAP *>() == nullptr);
        verifyEndState(w);
    }

    void xmapLabelFollowsTicks_data()
    {
        QTest::addColumn<QList<int>>("boxes");
        QTest::addColumn<QString>("label");
        QTest::newRow("as it opens") << QList<int>{} << "Current XMAP selection: 00000000";
        QTest::newRow("boxes 0 and 3") << QList<int>{0, 3} << "Current XMAP selection: 00000009";
        QTest::newRow("box 31 alone") << QList<int>{31} << "Current XMAP selection: 80000000";
        QTest::newRow("box 4 ticked and cleared again") << QList<int>{4, 4} << "Current XMAP selection: 00000000";
    }

    void xmapLabelFollowsTicks()
    {
        QFETCH(QList<int>, boxes);
        QFETCH(QString, label);
        MockCommControl port;
        port.setPortOpen(true);
        frmSimpleXMAP dialog(port);
        for (int n : boxes)
            dialog.chkXADDR[n]->click();
        QCOMPARE(dialog.lblXMap->text(), label);
        QVERIFY(port.written().isEmpty());
    }

    void xpriStepOffersOnlyTheMap()
    {
        TestEnv env(0.02);
        MockCommControl port;
        port.setPortOpen(true);
        frmSimpleXMAP dialog(port);
        dialog.show();
        dialog.chkXADDR[3]->click();
        dialog.chkXADDR[5]->click();
        dialog.cmdSet->click();

        QCOMPARE(port.takeWritten(), QByteArray("XMAP 00000028\r"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("XPRI Setting"));
        QCOMPARE(dialog.lblMain->text(), QStringLiteral("Select the AP/REPEATER from the XMAP that you want this "
                                                        "remote to associate with first."));
        QVERIFY(!dialog.lblMaster->isVisible());
        for (int n = 0; n < 32; ++n) {
            QCOMPARE(dialog.chkXADDR[n]->isEnabled(), n == 3 || n == 5);
            QCOMPARE(dialog.chkXADDR[n]->isChecked(), n == 1);
        }
        dialog.chkXADDR[5]->click();
        dialog.chkXADDR[5]->click();   // the ticked box stays ticked
        for (int n = 0; n < 32; ++n)
            QCOMPARE(dialog.chkXADDR[n]->isChecked(), n == 5);
        dialog.cmdSet->click();
        QCOMPARE(port.takeWritten(), QByteArray("XPRI 5\r"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // ---- the address warning ----

    void addressWarning_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QStringList>("messages");
        const QString notNumeric = "The ADDR entered is not numeric.\r\n\r\nThe value must be a number between 1 and 65000";
        const QString range = "The valid ADDR range is 1-65000.";
        const int tab = Qt::TabFocusReason;
        QTest::newRow("letters") << "abc" << tab << QStringList{notNumeric};
        QTest::newRow("empty") << "" << tab << QStringList{notNumeric};
        QTest::newRow("-5 counts as 5") << "-5" << tab << QStringList{};
        QTest::newRow("1 and 65000 are the ends") << "65000" << tab << QStringList{};
        QTest::newRow("0.5 is below 1") << "0.5" << tab << QStringList{range};
        QTest::newRow("65001") << "65001" << tab << QStringList{range};
        QTest::newRow("beyond a 32-bit number") << "99999999999" << tab << QStringList{range};
        QTest::newRow("the window losing activation is no focus loss")
            << "abc" << int(Qt::ActiveWindowFocusReason) << QStringList{};
    }

    void addressWarning()
    {
        QFETCH(QString, text);
        QFETCH(int, reason);
        QFETCH(QStringList, messages);
        RIG(rig, Scale);
        frmCorvista &w = rig.openWindow();
        w.txtNewADDR->setText(text);
        QFocusEvent lost(QEvent::FocusOut, Qt::FocusReason(reason));
        QCoreApplication::sendEvent(w.txtNewADDR, &lost);
        QCOMPARE(rig.dialogs().messageTexts(), messages);
        QCOMPARE(w.txtNewADDR->text(), text);
        if (!messages.isEmpty())
            QVERIFY(rig.dialogs().messages()[0].title.startsWith(QLatin1String("Invalid ADDR")));
    }

    // ---- the picture window ----

    void pictureOpensModelessAndClosesWithMainWindow()
    {
        RIG(rig, Scale);
        frmCorvista &w = rig.openWindow();
        w.cmdRptHelp1->click();
        QVERIFY(frmSimpleRptrSetup::exists());
        auto *picture = frmSimpleRptrSetup::load(&w);
        QVERIFY(picture->isVisible());
        QVERIFY(!picture->isModal());
        QCOMPARE(picture->windowTitle(), QStringLiteral("Store-and-Forward Repeater Setup"));
        w.cmdRptHelp2->click();
        QCOMPARE(frmSimpleRptrSetup::load(&w), picture);
        picture->grab().save(QStringLiteral("/tmp/frmSimpleRptrSetup.png"));
        w.Form_QueryUnload();
        QVERIFY(!frmSimpleRptrSetup::exists());
    }

    void xmapHelpShowsPictureLeftOfDialog()
    {
        TestEnv env(0.02);
        MockCommControl port;
        port.setPortOpen(true);
        QWidget owner;
        frmSimpleXMAP dialog(port, &owner);
        dialog.show();
        dialog.move(900, 200);
        dialog.chkXADDR[0]->click();
        dialog.chkXADDR[3]->click();
        dialog.grab().save(QStringLiteral("/tmp/frmSimpleXMAP.png"));
        int pictureRight = 0;
        bool modal = false;
        QTimer::singleShot(0, &dialog, [&] {
            auto *picture = frmSimpleRptrSetup::load(&owner);
            pictureRight = picture->x() + picture->frameGeometry().width();
            modal = picture->isModal();
            picture->reject();
        });
        dialog.cmdHelp->click();
        QVERIFY(modal);
        // 120 twips to the left of the dialog, give or take the window frame's width.
        QVERIFY(pictureRight <= dialog.x() - 4);
        QVERIFY(pictureRight >= dialog.x() - 12);
        frmSimpleRptrSetup::unload();
    }
};

QTEST_MAIN(TestQuickSetup)
#include "tst_quicksetup.moc"

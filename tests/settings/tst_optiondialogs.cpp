// The diagnostics option dialogs and the extension-map editor, opened from their value boxes
// against the simulated radio over a pseudo-terminal: what the dialogs preselect, and the exact
// lines the radio receives for each way of closing them.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "settings/ExtensionMap.h"
#include "settings/frmDLINKOptions.h"
#include "settings/frmDTYPEOptions.h"
#include "settings/frmRTUOptions.h"
#include "settings/frmXMAP.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// Acts on the modal dialog T as soon as its opener shows it; the opener's click returns once the
// dialog has closed. A dialog the action leaves open is cancelled a few seconds later. The watch
// ends with the returned timer.
template <typename T>
[[nodiscard]] std::unique_ptr<QTimer> whenShown(std::function<void(T &)> action, bool *shown = nullptr)
{
    auto poll = std::make_unique<QTimer>();
    QTimer *timer = poll.get();
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, action, shown] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        if (shown)
            *shown = true;
        QTimer::singleShot(3000, dialog, [dialog] { dialog->reject(); });
        action(*dialog);
    });
    timer->start();
    return poll;
}

void clickBox(frmCorvista &w, const QString &box)
{
    emit w.Pages.box(box)->clicked();
    // The closing CR leaves as the dialog closes; let the radio read it.
    Clock::pumpFor(100);
}

// Each line reached the radio with one CR and nothing else.
void verifyWire(RadioRig &rig, const QStringList &sent)
{
    QVERIFY(rig.settle());
    const QByteArray expected = sent.isEmpty() ? QByteArray() : (sent.join(QLatin1Char('\r')) + u'\r').toLatin1();
    QVERIFY2(rig.radio().received() == expected,
             byteDifference(rig.radio().received(), expected) + "\nmessages: "
                 + rig.dialogs().messageTexts().join(u" | ").toUtf8());
    QCOMPARE(rig.radio().lines(), sent);
}

void closeBy(QDialog &dialog, QPushButton *ok, QPushButton *cancel, const QString &how)
{
    if (how == QLatin1String("ok"))
        ok->click();
    else if (how == QLatin1String("cancel"))
        cancel->click();
    else
        dialog.close();   // the window's close box
}

using Ticks = ExtensionMap::Ticks;

Ticks ticksOf(const QList<int> &addresses)
{
    Ticks ticks{};
    for (int a : addresses)
        ticks[a] = true;
    return ticks;
}

QList<int> tickedIn(const frmXMAP &editor)
{
    QList<int> ticked;
    for (int n = 0; n < ExtensionMap::AddressCount; ++n)
        if (editor.Check1[n]->isChecked())
            ticked << n;
    return ticked;
}

QList<int> range(int from, int to)
{
    QList<int> r;
    for (int n = from; n <= to; ++n)
        r << n;
    return r;
}

} // namespace

class TestOptionDialogs : public QObject
{
    Q_OBJECT
private slots:
    // ---- diagnostic link ----
    void diagnosticLink_data()
    {
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<int>("shownOn");      // OnOption index selected at load
        QTest::addColumn<int>("shownRate");    // BaudRate index selected at load, -1: none
        QTest::addColumn<int>("chooseOn");     // -1: left as shown
        QTest::addColumn<int>("chooseRate");
        QTest::addColumn<QString>("close");
        QTest::addColumn<QStringList>("sent");

        QTest::newRow("link on at 19200 is shown and sent back unchanged")
            << "DLINK 19200 (ON)" << 0 << 4 << -1 << -1 << "ok" << QStringList{"dlink on", "dlink 19200", ""};
        QTest::newRow("neither ON nor a rate: disabled, no rate, only the off command")
            << "n/a" << 1 << -1 << -1 << -1 << "ok" << QStringList{"dlink off", ""};
        QTest::newRow("on in lower case does not count as ON")
            << "DLINK 9600 (on)" << 1 << 3 << -1 << -1 << "ok" << QStringList{"dlink off", "dlink 9600", ""};
        QTest::newRow("switched on at 115200")
            << "DLINK 19200 (OFF)" << 1 << 4 << 0 << 7 << "ok" << QStringList{"dlink on", "dlink 115200", ""};
        QTest::newRow("the first rate in the list order wins")
            << "DLINK 38400 1200 (OFF)" << 1 << 0 << -1 << -1 << "ok" << QStringList{"dlink off", "dlink 1200", ""};
        QTest::newRow("cancel sends one CR") << "DLINK 19200 (ON)" << 0 << 4 << 1 << 0 << "cancel" << QStringList{""};
        QTest::newRow("close box sends one CR") << "DLINK 19200 (ON)" << 0 << 4 << -1 << -1 << "closebox"
                                                << QStringList{""};
    }

    void diagnosticLink()
    {
        QFETCH(QString, boxText);
        QFETCH(int, shownOn);
        QFETCH(int, shownRate);
        QFETCH(int, chooseOn);
        QFETCH(int, chooseRate);
        QFETCH(QString, close);
        QFETCH(QStringList, sent);
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.Pages.box(QStringLiteral("DLINK"))->setText(boxText);

        int seenOn = -1, seenRate = -1;
        const auto watch = whenShown<frmDLINKOptions>([&](frmDLINKOptions &d) {
            seenOn = d.OnOption[0]->isChecked() ? 0 : d.OnOption[1]->isChecked() ? 1 : -1;
            for (int i = 0; i < frmDLINKOptions::RateCount; ++i)
                if (d.BaudRate[i]->isChecked())
                    seenRate = i;
            if (chooseOn >= 0)
                d.OnOption[chooseOn]->click();
            if (chooseRate >= 0)
                d.BaudRate[chooseRate]->click();
            closeBy(d, d.OKButton, d.CancelButton, close);
        });
        clickBox(w, QStringLiteral("DLINK"));

        QCOMPARE(seenOn, shownOn);
        QCOMPARE(seenRate, shownRate);
        verifyWire(rig, sent);
        QVERIFY(shared().RefreshRequested);
    }

    void diagnosticLinkReachesTheRadio()
    {
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.Pages.box(QStringLiteral("DLINK"))->setText(QStringLiteral("DLINK 19200 (OFF)"));
        const auto watch = whenShown<frmDLINKOptions>([](frmDLINKOptions &d) {
            d.OnOption[0]->click();
            d.BaudRate[3]->click();
            d.OKButton->click();
        });
        clickBox(w, QStringLiteral("DLINK"));
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().config().dlinkOn);
        QCOMPARE(rig.radio().config().dlink, QStringLiteral("9600"));
    }

    // ---- diagnostic type ----
    void diagnosticType_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("radioHolds");

        QTest::newRow("node") << "node" << QStringList{"dtype node", ""} << "NODE";
        QTest::newRow("root") << "root" << QStringList{"dtype root", ""} << "ROOT";
        QTest::newRow("cancel sends one CR") << "cancel" << QStringList{""} << "NODE";
        QTest::newRow("close box sends one CR") << "closebox" << QStringList{""} << "NODE";
    }

    void diagnosticType()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, sent);
        QFETCH(QString, radioHolds);
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        const auto watch = whenShown<frmDTYPEOptions>([&](frmDTYPEOptions &d) {
            if (button == QLatin1String("node"))
                d.NodeButton->click();
            else if (button == QLatin1String("root"))
                d.RootButton->click();
            else
                closeBy(d, nullptr, d.CancelButton, button);
        });
        clickBox(w, QStringLiteral("DTYPE"));

        verifyWire(rig, sent);
        QCOMPARE(rig.radio().config().dtype, radioHolds);
        QVERIFY(shared().RefreshRequested);
    }

    // ---- software RTU ----
    void softwareRtu_data()
    {
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<int>("shownOn");
        QTest::addColumn<QString>("shownId");
        QTest::addColumn<QString>("typedId");   // null: the id is left as shown
        QTest::addColumn<QString>("close");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<bool>("refused");

        QTest::newRow("one-digit id stops at its blank")
            << "RTU 5 (OFF)" << 1 << "5" << QString() << "ok" << QStringList{"rtu off", "rtu 5", ""} << false;
        QTest::newRow("two-digit id") << "RTU 12 (ON)" << 0 << "12" << QString() << "ok"
                                      << QStringList{"rtu on", "rtu 12", ""} << false;
        QTest::newRow("three-digit id is cut to two") << "RTU 123 (ON)" << 0 << "12" << QString() << "cancel"
                                                      << QStringList{""} << false;
        QTest::newRow("on in lower case does not count as ON") << "RTU 7 (on)" << 1 << "7" << QString() << "cancel"
                                                               << QStringList{""} << false;
        QTest::newRow("81 is refused after the on/off command")
            << "RTU 5 (ON)" << 0 << "5" << "81" << "ok" << QStringList{"rtu on", ""} << true;
        QTest::newRow("0 is accepted") << "RTU 5 (ON)" << 0 << "5" << "0" << "ok"
                                       << QStringList{"rtu on", "rtu 0", ""} << false;
        QTest::newRow("80 is accepted") << "RTU 5 (ON)" << 0 << "5" << "80" << "ok"
                                        << QStringList{"rtu on", "rtu 80", ""} << false;
        QTest::newRow("07 is sent as typed") << "RTU 5 (ON)" << 0 << "5" << "07" << "ok"
                                             << QStringList{"rtu on", "rtu 07", ""} << false;
        QTest::newRow("80.4 rounds into range and is sent as typed")
            << "RTU 5 (ON)" << 0 << "5" << "80.4" << "ok" << QStringList{"rtu on", "rtu 80.4", ""} << false;
        QTest::newRow("80.5 rounds to the even 80") << "RTU 5 (ON)" << 0 << "5" << "80.5" << "ok"
                                                    << QStringList{"rtu on", "rtu 80.5", ""} << false;
        QTest::newRow("80.6 rounds to 81 and is refused") << "RTU 5 (ON)" << 0 << "5" << "80.6" << "ok"
                                                          << QStringList{"rtu on", ""} << true;
        QTest::newRow("-1 is refused") << "RTU 5 (ON)" << 0 << "5" << "-1" << "ok" << QStringList{"rtu on", ""}
                                       << true;
        QTest::newRow("empty id is not a number") << "RTU 5 (ON)" << 0 << "5" << "" << "ok"
                                                  << QStringList{"rtu on", ""} << true;
        QTest::newRow("letters are not a number") << "RTU 5 (ON)" << 0 << "5" << "five" << "ok"
                                                  << QStringList{"rtu on", ""} << true;
        QTest::newRow("too many digits for a number are refused") << "RTU 5 (ON)" << 0 << "5" << "99999999999"
                                                                  << "ok" << QStringList{"rtu on", ""} << true;
        QTest::newRow("a line end in the id is refused, not sent as a second command")
            << "RTU 5 (ON)" << 0 << "5" << "5\rmode R" << "ok" << QStringList{"rtu on", ""} << true;
        QTest::newRow("cancel sends one CR") << "RTU 5 (ON)" << 0 << "5" << "9" << "cancel" << QStringList{""}
                                             << false;
        QTest::newRow("close box sends one CR") << "RTU 5 (ON)" << 0 << "5" << QString() << "closebox"
                                                << QStringList{""} << false;
    }

    void softwareRtu()
    {
        QFETCH(QString, boxText);
        QFETCH(int, shownOn);
        QFETCH(QString, shownId);
        QFETCH(QString, typedId);
        QFETCH(QString, close);
        QFETCH(QStringList, sent);
        QFETCH(bool, refused);
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.Pages.box(QStringLiteral("SoftRTU"))->setText(boxText);

        int seenOn = -1;
        QString seenId;
        const auto watch = whenShown<frmRTUOptions>([&](frmRTUOptions &d) {
            seenOn = d.OnOption[0]->isChecked() ? 0 : d.OnOption[1]->isChecked() ? 1 : -1;
            seenId = d.RTUID->text();
            if (!typedId.isNull())
                d.RTUID->setText(typedId);
            closeBy(d, d.OKButton, d.CancelButton, close);
        });
        clickBox(w, QStringLiteral("SoftRTU"));

        QCOMPARE(seenOn, shownOn);
        QCOMPARE(seenId, shownId);
        verifyWire(rig, sent);
        const QList<ScriptedDialogs::Shown> messages = rig.dialogs().messages();
        QCOMPARE(messages.size(), refused ? 1 : 0);
        if (refused) {
            QCOMPARE(messages[0].text, QStringLiteral("The RTU ID must be a number between 0 and 80, inclusive."));
            QCOMPARE(messages[0].title, QStringLiteral("Error"));
            QCOMPARE(messages[0].icon, int(Msg::Information));
            QCOMPARE(messages[0].buttons, int(Msg::OKOnly));
        }
        QVERIFY(shared().RefreshRequested);
    }

    // ---- a closed port ----
    void closedPortSendsNothing_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("diagnostic link") << "DLINK";
        QTest::newRow("diagnostic type") << "DTYPE";
        QTest::newRow("software RTU") << "SoftRTU";
    }

    void closedPortSendsNothing()
    {
        QFETCH(QString, box);
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.Pages.box(QStringLiteral("DLINK"))->setText(QStringLiteral("DLINK 19200 (ON)"));
        w.Pages.box(QStringLiteral("SoftRTU"))->setText(QStringLiteral("RTU 5 (ON)"));
        w.MSComm1->setPortOpen(false);

        bool shown = false;
        std::unique_ptr<QTimer> watch;
        if (box == QLatin1String("DLINK"))
            watch = whenShown<frmDLINKOptions>([](frmDLINKOptions &d) { d.OKButton->click(); }, &shown);
        else if (box == QLatin1String("DTYPE"))
            watch = whenShown<frmDTYPEOptions>([](frmDTYPEOptions &d) { d.RootButton->click(); }, &shown);
        else
            watch = whenShown<frmRTUOptions>([](frmRTUOptions &d) { d.OKButton->click(); }, &shown);
        clickBox(w, box);

        QVERIFY(shown);
        verifyWire(rig, {});
        QVERIFY(rig.dialogs().messages().isEmpty());
    }

    // ---- extension map ----
    void extensionMapForms_data()
    {
        QTest::addColumn<QList<int>>("addresses");
        QTest::addColumn<QString>("digits");
        QTest::newRow("address 0 alone") << QList<int>{0} << "00000001";
        QTest::newRow("address 31 alone") << QList<int>{31} << "80000000";
        QTest::newRow("addresses 0 to 15") << range(0, 15) << "0000FFFF";
        QTest::newRow("address 4 is the second digit's lowest bit") << QList<int>{4} << "00000010";
        QTest::newRow("all 32") << range(0, 31) << "FFFFFFFF";
        QTest::newRow("none") << QList<int>{} << "00000000";
    }

    void extensionMapForms()
    {
        QFETCH(QList<int>, addresses);
        QFETCH(QString, digits);
        QCOMPARE(ExtensionMap::radioForm(ticksOf(addresses)), digits);
        QCOMPARE(ExtensionMap::applyRadioForm(digits.toLower(), ticksOf(range(0, 31))), ticksOf(addresses));
    }

    void extensionMapCut_data()
    {
        QTest::addColumn<QString>("RxBuffer");
        QTest::addColumn<QString>("map");
        QTest::newRow("echo, label, digits, prompt") << "xmap\r\nXMAP 0000ffff\r\n>" << "0000ffff";
        QTest::newRow("a late reply before the echo is passed over") << "\r\n>junk xmap\r\nXMAP 00000001\r\n>"
                                                                     << "00000001";
        QTest::newRow("no prompt") << "xmap\r\nXMAP 00000001\r\n" << "";
        QTest::newRow("no echo") << "\r\nmap 00000001\r\n>" << "";
        QTest::newRow("nothing") << "" << "";
        QTest::newRow("prompt right after the echo") << "xmap\r\n>" << "";
    }

    void extensionMapCut()
    {
        QFETCH(QString, RxBuffer);
        QFETCH(QString, map);
        QCOMPARE(ExtensionMap::cutFromReply(RxBuffer), map);
    }

    void extensionMapEditorLoads_data()
    {
        QTest::addColumn<QString>("radioMap");
        QTest::addColumn<bool>("checkAllFirst");   // tick every box, then press Current
        QTest::addColumn<QList<int>>("ticked");

        QTest::newRow("00000001 ticks only 0") << "00000001" << false << QList<int>{0};
        QTest::newRow("80000000 ticks only 31") << "80000000" << false << QList<int>{31};
        QTest::newRow("0000FFFF ticks 0 to 15") << "0000FFFF" << false << range(0, 15);
        QTest::newRow("lower-case digits load the same boxes") << "0000ffff" << false << range(0, 15);
        QTest::newRow("Current goes back to the map as read") << "00000001" << true << QList<int>{0};
        QTest::newRow("six digits reach down to address 8 only")
            << "00000F" << true << (range(0, 7) + range(8, 11));
    }

    void extensionMapEditorLoads()
    {
        QFETCH(QString, radioMap);
        QFETCH(bool, checkAllFirst);
        QFETCH(QList<int>, ticked);
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.radio().config().xmap = radioMap;

        QList<int> seen;
        const auto watch = whenShown<frmXMAP>([&](frmXMAP &editor) {
            if (checkAllFirst) {
                editor.CheckAllButton->click();
                editor.CurrentButton->click();
            }
            seen = tickedIn(editor);
            editor.CloseButton->click();
        });
        clickBox(w, QStringLiteral("XMAP"));

        QCOMPARE(seen, ticked);
        QCOMPARE(shared().CurrentXmap, radioMap);
        // Close sends nothing: the radio heard the read only.
        verifyWire(rig, {"xmap"});
        QVERIFY(!shared().RefreshRequested);
        QVERIFY(rig.dialogs().messages().isEmpty());
        QCOMPARE(w.Pages.box(QStringLiteral("XMAP"))->text(), QStringLiteral("Click to view/change"));
    }

    void extensionMapEditorPrograms_data()
    {
        QTest::addColumn<QString>("radioMap");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("sent");

        QTest::newRow("Check All sends eight F") << "00000001" << "checkall" << "xmap FFFFFFFF";
        QTest::newRow("Uncheck All sends eight 0") << "00000001" << "uncheckall" << "xmap 00000000";
        QTest::newRow("address 31 ticked as well") << "00000001" << "tick31" << "xmap 80000001";
        QTest::newRow("the map as read goes back in capitals") << "0000ffff" << "none" << "xmap 0000FFFF";
    }

    void extensionMapEditorPrograms()
    {
        QFETCH(QString, radioMap);
        QFETCH(QString, action);
        QFETCH(QString, sent);
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.radio().config().xmap = radioMap;

        const auto watch = whenShown<frmXMAP>([&](frmXMAP &editor) {
            if (action == QLatin1String("checkall"))
                editor.CheckAllButton->click();
            else if (action == QLatin1String("uncheckall"))
                editor.UnCheckAllButton->click();
            else if (action == QLatin1String("tick31"))
                editor.Check1[31]->click();
            editor.ProgramButton->click();
        });
        clickBox(w, QStringLiteral("XMAP"));

        verifyWire(rig, {"xmap", sent});
        QCOMPARE(rig.radio().config().xmap, sent.mid(5));
        QVERIFY(shared().RefreshRequested);
    }

    void extensionMapWithoutReply()
    {
        FakeRadio::Config config = writableRadio();
        config.hangsAt = QStringLiteral("xmap");
        RIG(rig, 0.02, config);
        frmCorvista &w = connectQuietly(rig);

        QList<int> seen{-1};
        const auto watch = whenShown<frmXMAP>([&](frmXMAP &editor) {
            seen = tickedIn(editor);
            editor.CloseButton->click();
        });
        clickBox(w, QStringLiteral("XMAP"));

        QVERIFY(shared().CurrentXmap.isEmpty());
        QCOMPARE(seen, QList<int>{});
        const QList<ScriptedDialogs::Shown> messages = rig.dialogs().messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].title, QStringLiteral("Warning"));
        verifyWire(rig, {"xmap"});
    }

    void extensionMapWithPortClosed()
    {
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);

        // Closed before the click: nothing is read and no editor opens.
        w.MSComm1->setPortOpen(false);
        bool shown = false;
        {
            const auto watch = whenShown<frmXMAP>([](frmXMAP &editor) { editor.CloseButton->click(); }, &shown);
            clickBox(w, QStringLiteral("XMAP"));
        }
        QVERIFY(!shown);
        verifyWire(rig, {});

        // Closed while the editor is open: Program Settings sends nothing and still closes it.
        w.MSComm1->setPortOpen(true);
        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        const auto watch = whenShown<frmXMAP>([&](frmXMAP &editor) {
            w.MSComm1->setPortOpen(false);
            editor.CheckAllButton->click();
            editor.ProgramButton->click();
        }, &shown);
        clickBox(w, QStringLiteral("XMAP"));
        QVERIFY(shown);
        verifyWire(rig, {"xmap"});
        QVERIFY(rig.dialogs().messages().isEmpty());
    }
};

QTEST_MAIN(TestOptionDialogs)
#include "tst_optiondialogs.moc"

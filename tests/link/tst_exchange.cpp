// The exchange conventions: command lines, reply waits and their deadlines, compare modes, the
// write-access probe and the direct-read path with its port time-out.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "fakeradio/FakeRadio.h"
#include "link/Exchange.h"
#include "platform/Clock.h"
#include "support/MockCommControl.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class TestExchange : public QObject
{
    Q_OBJECT

    // The receive path in its simplest form: every chunk appended to RxBuffer.
    static void collectInto(MockCommControl &port)
    {
        QObject::connect(&port, &CommControl::onComm, &port, [&port] {
            if (!shared().IgnoreCommEvents && port.commEvent() == CommEv::Receive)
                shared().RxBuffer += port.inputText();
        });
    }

    // A main window loaded on a mock port, which is open; port is that port. The window logs
    // nothing out when it goes.
    static std::unique_ptr<frmCorvista> windowOnMockPort(MockCommControl *&port)
    {
        CommFactory::setFactory([&port](QObject *parent) {
            auto p = std::make_unique<MockCommControl>(parent);
            port = p.get();
            return p;
        });
        auto w = std::make_unique<frmCorvista>();
        w->quitOnUnload = false;
        w->Form_Load();
        shared().LogoutOnQuitPref = false;
        port->setPortOpen(true);
        return w;
    }

private slots:
    void commandLineIsTextAndOneCarriageReturn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");   // empty: refused with 8091
        QTest::newRow("a command") << "mode" << QByteArray("mode\r");
        QTest::newRow("a bare CR") << "" << QByteArray("\r");
        QTest::newRow("a Latin-1 letter goes out as its one byte") << "own Caf\u00e9" << QByteArray("own Caf\xe9\r");
        QTest::newRow("a CR inside is never written") << "own A\rSTATUS OK" << QByteArray();
        QTest::newRow("a line feed inside is never written") << "own A\nSTATUS OK" << QByteArray();
        QTest::newRow("a tab is never written") << "own A\tB" << QByteArray();
        QTest::newRow("an emoji is never written as a question mark") << "own Caf\U0001F600" << QByteArray();
        // Keys typed or pasted into the terminal go as typed: the control keys are the radio's own.
        QTest::newRow("keys: Enter, backspace and escape go as typed") << "keys:ab\b\x1b\r" << QByteArray("ab\b\x1b\r");
        QTest::newRow("keys: a Latin-1 key goes out as its one byte") << "keys:\u00e9" << QByteArray("\xe9");
        QTest::newRow("keys: a euro sign is never written, nor what came with it") << "keys:a\u20acb\r" << QByteArray();
    }

    void commandLineIsTextAndOneCarriageReturn()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        TestEnv env;
        MockCommControl port;
        port.setPortOpen(true);
        int refused = 0;
        try {
            if (text.startsWith(u"keys:"))
                Exchange::typedKeys(port, text.mid(5));
            else
                Exchange::commandLine(port, text);
        } catch (const CommError &e) {
            refused = e.number();
        }
        QCOMPARE(port.takeWritten(), written);
        QCOMPARE(refused, written.isEmpty() ? CommErr::UnsendableText : 0);
    }

    void compareModes_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<bool>("satisfied");
        QTest::newRow("main window takes lower-case programmed ok") << "programmed ok\r\n>" << true << true;
        QTest::newRow("other windows do not") << "programmed ok\r\n>" << false << false;
        QTest::newRow("exact text satisfies both") << "PROGRAMMED OK\r\n>" << false << true;
        QTest::newRow("without the prompt nobody is satisfied") << "PROGRAMMED OK\r\n" << true << false;
    }

    void compareModes()
    {
        QFETCH(QString, reply);
        QFETCH(bool, ignoreCase);
        QFETCH(bool, satisfied);
        TestEnv env(0.01);
        MockCommControl port;
        port.setPortOpen(true);
        collectInto(port);
        QTimer::singleShot(0, &port, [&] { port.feed(reply.toLatin1()); });
        const bool got = Exchange::sendAndWait(port, QStringLiteral("unit 12345"), {Reply::ProgrammedOk, Prompt::Ready}, 3,
                                               ignoreCase ? CompareMode::IgnoreCase : CompareMode::Exact);
        QCOMPARE(got, satisfied);
    }

    void lateReplyIsNotTakenForTheNextAnswer()
    {
        TestEnv env(0.01);
        MockCommControl port;
        port.setPortOpen(true);
        collectInto(port);
        QVERIFY(!Exchange::sendAndWait(port, QStringLiteral("unit"), {QStringLiteral("unit"), Prompt::Ready}, 4,
                                       CompareMode::IgnoreCase));
        // The answer comes after the deadline, just before the next command goes out.
        port.feed("unit\r\nUNIT 12345\r\n>");
        Clock::doEvents();
        QTimer::singleShot(0, &port, [&] { port.feed("mode\r\nMODE M\r\n>"); });
        QVERIFY(Exchange::sendAndWait(port, QStringLiteral("mode"), {QStringLiteral("mode"), Prompt::Ready}, 4,
                                      CompareMode::IgnoreCase));
        QVERIFY(!shared().RxBuffer.contains(QStringLiteral("UNIT")));
        QCOMPARE(shared().RxBuffer, QStringLiteral(" mode\r\nMODE M\r\n>"));
    }

    void waitEndsAtItsDeadlineOnTheMonotonicClock()
    {
        TestEnv env(0.01);
        MockCommControl port;
        port.setPortOpen(true);
        const double t0 = Clock::nowSeconds();
        QVERIFY(!Exchange::sendAndWait(port, QStringLiteral("pwr 30"), {Reply::ProgrammedOk}, 3, CompareMode::IgnoreCase));
        const double waited = Clock::nowSeconds() - t0;
        // Its deadline, never earlier; a hang would pass ten times that.
        QVERIFY2(waited >= 3.0 && waited < 30.0, qPrintable(QString::number(waited)));
    }

    void writeAccessProbeTellsLoggedInFromDenied_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::newRow("logged in: the owner name is accepted") << true;
        QTest::newRow("not logged in: access denied") << false;
    }

    void writeAccessProbeTellsLoggedInFromDenied()
    {
        QFETCH(bool, loggedIn);
        TestEnv env(0.05);
        MockCommControl port;
        port.setPortOpen(true);
        collectInto(port);
        FakeRadio radio;
        radio.config().loggedIn = loggedIn;
        radio.attach(&port);
        bool cleared = false;
        const bool denied = Exchange::writeAccessProbe(port, QStringLiteral("own WAVECREST SS"), 0.2,
                                                       [&] { cleared = true; })
                            == Exchange::WriteAccess::Denied;
        Exchange::echoOn(port);
        Clock::doEvents();
        QCOMPARE(denied, !loggedIn);
        QVERIFY(cleared);
        QCOMPARE(radio.lines(), (QStringList{QStringLiteral("deco"), QStringLiteral("own WAVECREST SS"), QStringLiteral("eeco")}));
        QVERIFY(radio.echoOn());
        QCOMPARE(radio.config().own, QStringLiteral("WAVECREST SS"));
    }

    void silentRadioStopsADirectReadSequenceAfterTwoSeconds()
    {
        TestEnv env(0.01);
        MockCommControl *port = nullptr;
        const std::unique_ptr<frmCorvista> w = windowOnMockPort(port);
        shared().PortTimedOut = false;

        const double t0 = Clock::nowSeconds();
        int sent = 0;
        {
            Exchange::DirectReadScope direct;
            QVERIFY(shared().IgnoreCommEvents);
            for (const char *query : {"ser", "srev", "unit"}) {
                QString collected;
                ++sent;
                if (!Exchange::polledPromptExchange(*port, QByteArray(query) + '\r', 50,
                                                    Exchange::PromptEnd::LastCharIsPrompt, 0, w->portTimeout(), collected))
                    break;
            }
        }
        const double waited = Clock::nowSeconds() - t0;
        QCOMPARE(sent, 1);
        // One deadline of two seconds, after which nothing more is asked; a hang would pass 20 s.
        QVERIFY2(waited >= 2.0 && waited < 20.0, qPrintable(QString::number(waited)));
        QVERIFY(shared().PortTimedOut);
        QVERIFY(!shared().IgnoreCommEvents);
        QCOMPARE(env.dialogs().messages().size(), 1);
        QCOMPARE(env.dialogs().messages()[0].title, QStringLiteral("Radio Communications Error"));
        QVERIFY(!w->tmrPortTO->isActive());
    }

    void anAnswerThatCameWhileTheProgramDidNotRunCounts_data()
    {
        QTest::addColumn<QString>("wait");
        QTest::newRow("reply wait") << "reply";
        QTest::newRow("answer wait") << "answer";
        QTest::newRow("direct read under the port time-out") << "direct";
        QTest::newRow("wake-up handshake, answered at its last attempt") << "handshake";
    }

    // The process is not scheduled across the deadline, and the radio's answer comes meanwhile: it
    // is pending (an event not yet handled, bytes not yet read) when the wait looks at the clock.
    void anAnswerThatCameWhileTheProgramDidNotRunCounts()
    {
        QFETCH(QString, wait);
        TestEnv env(0.01);
        MockCommControl *port = nullptr;
        const std::unique_ptr<frmCorvista> w = windowOnMockPort(port);
        // Answers while the program sleeps: past the deadline when it wakes.
        const auto answerWhileAsleep = [&](qint64 atMs, const QByteArray &answer) {
            QTimer::singleShot(Clock::realMs(atMs), port, [=] {
                Clock::sleepMs(1500);
                port->feed(answer);
            });
        };
        bool got = false;
        if (wait == "reply") {
            answerWhileAsleep(2500, "PROGRAMMED OK\r\n>");
            got = Exchange::sendAndWait(*port, QStringLiteral("pwr 30"), {Reply::ProgrammedOk, Prompt::Ready}, 3,
                                        CompareMode::IgnoreCase);
        } else if (wait == "answer") {
            answerWhileAsleep(3500, "unit\r\nUNIT 12345\r\n>");
            got = Exchange::sendAndAwaitAnswer(*port, QStringLiteral("unit"), Prompt::Ready, 4, CompareMode::IgnoreCase);
        } else if (wait == "direct") {
            shared().PortTimedOut = false;
            Exchange::DirectReadScope direct;
            answerWhileAsleep(1500, "\r\nUNIT 12345\r\n>");
            QString collected;
            got = Exchange::polledPromptExchange(*port, "unit\r", 50, Exchange::PromptEnd::LastCharIsPrompt, 0,
                                                 w->portTimeout(), collected);
            QCOMPARE(collected, QStringLiteral("\r\nUNIT 12345\r\n>"));
            QVERIFY(!shared().PortTimedOut);
            QVERIFY(!w->tmrPortTO->isActive());
        } else {
            FakeRadio radio;
            radio.config().silentBursts = 29;
            radio.attach(port);
            shared().ConnectAborted = false;
            w->WakeRadio();
            got = !shared().ConnectAborted && port->portOpen();
            QCOMPARE(radio.burstsHeard(), 30);
        }
        QVERIFY(got);
        QCOMPARE(env.dialogs().messageTexts(), QStringList());
    }

    void polledExchangeCollectsUntilThePrompt_data()
    {
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("collected");
        QTest::newRow("report writer: last character is the prompt")
            << int(Exchange::PromptEnd::LastCharIsPrompt) << "\r\nUNIT 12345\r\n>";
        QTest::newRow("line sender: CR LF and the prompt")
            << int(Exchange::PromptEnd::CrLfPrompt) << "\r\nUNIT 12345\r\n>";
    }

    void polledExchangeCollectsUntilThePrompt()
    {
        QFETCH(int, end);
        QFETCH(QString, collected);
        TestEnv env(0.05);
        MockCommControl port;
        port.setPortOpen(true);
        FakeRadio radio;
        radio.attach(&port);
        Exchange::DirectReadScope direct;
        Exchange::echoOff(port);
        Clock::doEvents();
        port.input();
        bool timedOut = false;
        Exchange::PortTimeout timeout{[](const std::function<bool()> &) {}, [] {}, [&] { return timedOut; }};
        QString got;
        QVERIFY(Exchange::polledPromptExchange(port, "unit\r", 50, Exchange::PromptEnd(end), 0, timeout, got));
        QCOMPARE(got, collected);
    }
};

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"

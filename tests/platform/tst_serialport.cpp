// The serial control on a real device: the simulated radio on a pseudo-terminal.
#include "platform/Clock.h"
#include "platform/LineWatch.h"
#include "platform/SerialCommControl.h"
#include "fakeradio/FakeRadio.h"
#include "support/PtyPort.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <ctime>

namespace {
// A line whose counters and modem lines the test sets; every read is counted.
class ScriptedLine : public LineStatusSource
{
public:
    ScriptedLine(const LineStatus &status, int &reads) : m_status(status), m_reads(reads) {}
    LineStatus read() override
    {
        ++m_reads;
        return m_status;
    }

private:
    const LineStatus &m_status;
    int &m_reads;
};

// Collects the texts of the line events and errors the control raises (data events left out).
void collectLineTexts(CommControl &comm, QObject *context, QStringList &texts)
{
    QObject::connect(&comm, &CommControl::onComm, context, [&comm, &texts] {
        const int e = comm.commEvent();
        if (e == CommEv::Receive || e == CommEv::Send)
            return;
        const QString ev = CommEv::eventText(e);
        texts << (ev.isEmpty() ? CommEv::errorText(e) : ev);
    });
}
} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT

    PtyPort *m_pty = nullptr;
    FakeRadio *m_radio = nullptr;

private slots:
    void init()
    {
        m_pty = new PtyPort(this);
        if (!m_pty->open())
            QSKIP("This machine gives no pseudo-terminal.");
        qputenv("WAVECREST_COM1", m_pty->slavePath().toLocal8Bit());
        qputenv("WAVECREST_COM2", "/nonexistent/wavecrest-tty");
        m_radio = new FakeRadio(this);
        m_radio->attach(m_pty);
    }

    void cleanup()
    {
        delete m_radio;
        m_radio = nullptr;
        delete m_pty;
        m_pty = nullptr;
        Clock::setScale(1.0);
    }

    void commandAndReplyArriveThroughTheReceiveEvent()
    {
        SerialCommControl comm;
        comm.setCommPort(1);
        comm.setSettings(QStringLiteral("19200,N,8,1"));
        comm.setPortOpen(true);
        QVERIFY(comm.portOpen());
        QCOMPARE(m_pty->baudRate(), 19200);

        QByteArray rx;
        QList<int> events;
        connect(&comm, &CommControl::onComm, this, [&] {
            events << comm.commEvent();
            if (comm.commEvent() == CommEv::Receive)
                rx += comm.input();
        });
        comm.output(QStringLiteral("unit\r"));
        QVERIFY(Clock::waitFor([&] { return rx.endsWith('>'); }, 2000));
        QCOMPARE(rx, QByteArray("unit\r\nUNIT 12345\r\n>"));
        QVERIFY(!events.isEmpty());
        for (int e : events)
            QCOMPARE(e, CommEv::Receive);
        comm.setPortOpen(false);
        QVERIFY(!comm.portOpen());
    }

    void directReadSeesBytesThatArrivedDuringAPause()
    {
        SerialCommControl comm;
        comm.setSettings(QStringLiteral("19200,N,8,1"));
        comm.setPortOpen(true);
        comm.output(QByteArray("ser\r"));
        // The radio side answers only when events run: let it, then sleep and read without
        // handling events, as a direct reader does.
        QVERIFY(Clock::waitFor([&] { return m_radio->lines().size() == 1; }, 1000));
        Clock::sleepMs(50);
        QVERIFY(comm.inBufferCount() > 0);
        QCOMPARE(comm.input(), QByteArray("ser\r\nSN 00123456\r\n>"));
        QCOMPARE(comm.input(), QByteArray());
    }

    void settingsChangeWhileOpen()
    {
        SerialCommControl comm;
        comm.setSettings(QStringLiteral("19200,N,8,1"));
        comm.setPortOpen(true);
        comm.setSettings(QStringLiteral("115200,N,8,1"));
        QVERIFY(comm.portOpen());
        QCOMPARE(m_pty->baudRate(), 115200);
        QByteArray rx;
        connect(&comm, &CommControl::onComm, this, [&] { rx += comm.input(); });
        comm.output(QByteArray("mode\r"));
        QVERIFY(Clock::waitFor([&] { return rx.endsWith('>'); }, 2000));
        QCOMPARE(rx, QByteArray("mode\r\nMODE M\r\n>"));
        comm.setSettings(QStringLiteral("19200,N,8,1"));
        QCOMPARE(m_pty->baudRate(), 19200);
    }

    void numberedErrors_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("number");
        QTest::newRow("second open of the same device is 8005") << "second open" << 8005;
        QTest::newRow("a missing device is 8005") << "missing" << 8005;
        QTest::newRow("output while closed is 8018") << "output closed" << 8018;
        QTest::newRow("input while closed is 8018") << "input closed" << 8018;
        QTest::newRow("opening an open control is 8005") << "open twice" << 8005;
        QTest::newRow("a bad settings text is refused") << "bad settings" << 380;
    }

    void numberedErrors()
    {
        QFETCH(QString, what);
        QFETCH(int, number);
        SerialCommControl first, second;
        int caught = 0;
        try {
            if (what == "second open") {
                first.setPortOpen(true);
                second.setPortOpen(true);
            } else if (what == "missing") {
                second.setCommPort(2);
                second.setPortOpen(true);
            } else if (what == "output closed") {
                second.output(QByteArray("x\r"));
            } else if (what == "input closed") {
                second.input();
            } else if (what == "open twice") {
                first.setPortOpen(true);
                first.setPortOpen(true);
            } else if (what == "bad settings") {
                first.setSettings(QStringLiteral("19200;N;8;1"));
            }
        } catch (const CommError &e) {
            caught = e.number();
            QVERIFY(!e.text().isEmpty());
        }
        QCOMPARE(caught, number);
        QVERIFY(!second.portOpen());
    }

    void otherEndClosingGivesOneEventAndNoBusyLoop_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("while the program is idle") << "idle";
        QTest::newRow("during a read-out") << "read-out";
        QTest::newRow("during a long transfer") << "transfer";
    }

    // Whatever the last failed call left in errno (under X it is usually EAGAIN from the display
    // connection) must not hide a hang-up.
    void otherEndClosingGivesOneEventAndNoBusyLoop()
    {
        QFETCH(QString, when);
        SerialCommControl comm;
        comm.setSettings(QStringLiteral("19200,N,8,1"));
        comm.setPortOpen(true);
        QList<int> events;
        int exchanges = 0;
        connect(&comm, &CommControl::onComm, this, [&] {
            events << comm.commEvent();
            if (comm.commEvent() != CommEv::Receive)
                return;
            // A read-out: each prompt brings the next command.
            if (comm.input().endsWith('>') && when == "read-out" && comm.portOpen()) {
                ++exchanges;
                comm.output(QByteArray("mode\r"));
            }
        });
        const auto hangUp = [&] {
            errno = EAGAIN;
            m_pty->close();
            errno = EAGAIN;
        };

        if (when == "read-out") {
            connect(m_pty, &PtyPort::received, this, [&](const QByteArray &) {
                if (exchanges == 3)
                    QTimer::singleShot(0, this, hangUp);
            });
            comm.output(QByteArray("unit\r"));
        } else if (when == "transfer") {
            // The radio takes nothing: the output queue fills and stays full for a while, which
            // is no lost device.
            m_radio->detach();
            m_pty->findChild<QSocketNotifier *>()->setEnabled(false);
            for (int block = 0; block < 128; ++block) {
                comm.output(QByteArray(512, 'S'));
                Clock::doEvents();
            }
            Clock::pumpFor(300);
            QVERIFY(comm.portOpen());
            QVERIFY(comm.outBufferCount() > 0);
            QCOMPARE(events.count(CommEv::DeviceLost), 0);
            hangUp();
        } else {
            hangUp();
        }
        // What the dead port costs afterwards is benchmarks/bench_serialwaits' figure.
        QVERIFY(Clock::waitFor([&] { return events.contains(CommEv::DeviceLost); }, 10000));
        Clock::pumpFor(1000);

        if (when == "read-out")
            QCOMPARE(exchanges, 3);
        QVERIFY(!comm.portOpen());
        QCOMPARE(events.count(CommEv::DeviceLost), 1);
        // The control is usable again: output now fails cleanly.
        QVERIFY_THROWS_EXCEPTION(CommError, comm.output(QByteArray("x")));
    }

    void lineWatchReportsEachRiseAndChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("text");
        QTest::newRow("frame counter rises") << "frame" << "Framing Error";
        QTest::newRow("overrun counter rises") << "overrun" << "Overrun Error";
        QTest::newRow("parity counter rises") << "parity" << "Parity Error";
        QTest::newRow("break counter rises") << "brk" << "Break Received";
        QTest::newRow("buffer overrun counter rises") << "buf_overrun" << "Receive Buffer Overflow";
        QTest::newRow("CTS drops") << "cts" << "Change in CTS Detected";
        QTest::newRow("DSR rises") << "dsr" << "Change in DSR Detected";
        QTest::newRow("CD rises") << "cd" << "Change in CD Detected";
    }

    void lineWatchReportsEachRiseAndChange()
    {
        QFETCH(QString, change);
        QFETCH(QString, text);
        Clock::setScale(0.1);
        LineStatus line;
        line.countersKnown = true;
        line.linesKnown = true;
        line.frame = line.overrun = line.parity = line.brk = line.bufferOverrun = 5;
        line.cts = true;
        int reads = 0;
        SerialCommControl comm;
        comm.setCommPort(1);
        comm.setLineStatusSource(std::make_unique<ScriptedLine>(line, reads));
        QStringList texts;
        collectLineTexts(comm, this, texts);
        comm.setPortOpen(true);
        // What the counters and lines held when the port opened is no news. How often the watch
        // reads is benchmarks/bench_serialwaits' figure.
        QVERIFY(Clock::waitFor([&] { return reads > 0; }, 10000));
        Clock::pumpFor(1000);
        QCOMPARE(texts, QStringList());

        if (change == QLatin1String("frame")) line.frame += 2;
        else if (change == QLatin1String("overrun")) ++line.overrun;
        else if (change == QLatin1String("parity")) ++line.parity;
        else if (change == QLatin1String("brk")) ++line.brk;
        else if (change == QLatin1String("buf_overrun")) ++line.bufferOverrun;
        else if (change == QLatin1String("cts")) line.cts = false;
        else if (change == QLatin1String("dsr")) line.dsr = true;
        else if (change == QLatin1String("cd")) line.cd = true;
        QVERIFY(Clock::waitFor([&] { return !texts.isEmpty(); }, 1000));
        Clock::pumpFor(1000);
        QCOMPARE(texts, QStringList{text});   // once, not at every later check

        comm.setPortOpen(false);
        const int readsAtClose = reads;
        ++line.frame;
        Clock::pumpFor(1000);
        QCOMPARE(reads, readsAtClose);
        QCOMPARE(texts, QStringList{text});
    }

    void lineWithoutCountersReportsNothing()
    {
        Clock::setScale(0.1);
        // A source that gives no counters: whatever else it says is not reported.
        LineStatus line;
        line.linesKnown = true;
        int reads = 0;
        SerialCommControl comm;
        comm.setCommPort(1);
        comm.setLineStatusSource(std::make_unique<ScriptedLine>(line, reads));
        QStringList texts;
        collectLineTexts(comm, this, texts);
        comm.setPortOpen(true);
        Clock::pumpFor(500);
        line.frame = 3;
        line.cts = true;
        Clock::pumpFor(1000);
        QVERIFY(reads > 0);
        QCOMPARE(texts, QStringList());

        // The driver of a pseudo-terminal keeps no counters: its own source reports nothing either.
        SerialCommControl real;
        real.setCommPort(1);
        QStringList realTexts;
        collectLineTexts(real, this, realTexts);
        comm.setPortOpen(false);
        real.setPortOpen(true);
        Clock::pumpFor(1000);
        QVERIFY(real.portOpen());
        QCOMPARE(realTexts, QStringList());
    }

    // The far end reads at the line's speed: what is still on the line when the port changes speed
    // or closes would be garbled, so both wait until the output has left.
    void outputLeavesBeforeTheLineChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("closing right after a command") << "close";
        QTest::newRow("changing speed right after a command") << "speed";
        QTest::newRow("reopening right after a command") << "reopen";
    }

    void outputLeavesBeforeTheLineChanges()
    {
        QFETCH(QString, change);
        m_radio->setStrictLine(true);
        SerialCommControl comm;
        comm.setSettings(QStringLiteral("19200,N,8,1"));
        comm.setPortOpen(true);
        comm.output(QByteArray("PASS NONE\r"));
        if (change == "close") {
            comm.setPortOpen(false);
        } else if (change == "speed") {
            comm.setSettings(QStringLiteral("115200,N,8,1"));
        } else {
            comm.setPortOpen(false);
            comm.setPortOpen(true);
        }
        QVERIFY(Clock::waitFor([&] { return !m_radio->lines().isEmpty() || !m_pty->lostBytes().isEmpty(); }, 5000));
        Clock::pumpFor(50);
        QCOMPARE(m_pty->lostBytes(), QByteArray());
        QCOMPARE(m_radio->lines(), QStringList{QStringLiteral("PASS NONE")});
        // The driver's drain, after the command and before the line changed.
        QVERIFY(m_pty->drainCalls() > 0);
        QCOMPARE(m_pty->undrainedChanges(), 0);
    }

    // Nobody takes the bytes: the close gives them their line time, 17 s here, but never more than
    // 10 s, and handles events meanwhile. benchmarks/bench_serialwaits gives its pace and CPU.
    void aStuckLineHoldsTheCloseAtMostTenSecondsHandlingEvents()
    {
        Clock::setScale(0.01);
        SerialCommControl comm;
        comm.setSettings(QStringLiteral("19200,N,8,1"));
        comm.setPortOpen(true);
        m_radio->detach();
        m_pty->findChild<QSocketNotifier *>()->setEnabled(false);
        for (int block = 0; block < 64; ++block)
            comm.output(QByteArray(512, 'S'));
        QVERIFY(comm.outBufferCount() > 0);
        int ticks = 0;
        QTimer counter;
        connect(&counter, &QTimer::timeout, this, [&] { ++ticks; });
        Clock::startTimer(counter, 100);

        const double start = Clock::nowSeconds();
        comm.setPortOpen(false);
        const double waited = Clock::nowSeconds() - start;
        QVERIFY(!comm.portOpen());
        // Its 10 s and not the line time of the queue; a hang would pass 100 s.
        QVERIFY2(waited >= 9.9 && waited < 100, qPrintable(QString::number(waited)));
        QVERIFY(ticks > 0);
    }

    void waitOnASilentPortEndsAtItsDeadline()
    {
        SerialCommControl comm;
        comm.setPortOpen(true);
        m_radio->config().silentBursts = -1;
        QByteArray rx;
        connect(&comm, &CommControl::onComm, this, [&] { rx += comm.input(); });
        comm.output(QByteArray("silent\r"));
        const double start = Clock::nowSeconds();
        const bool got = Clock::waitFor([&] { return rx.contains('>'); }, 2000);
        QVERIFY(!got);
        QVERIFY(Clock::nowSeconds() - start >= 1.99);
    }

    void waitEndsWithTheReply()
    {
        SerialCommControl comm;
        comm.setPortOpen(true);
        m_radio->config().silentBursts = -1;
        QByteArray rx;
        connect(&comm, &CommControl::onComm, this, [&] { rx += comm.input(); });
        bool sent = false;
        QTimer::singleShot(300, this, [&] {
            m_pty->write("\r\n>");
            sent = true;
        });
        QVERIFY(Clock::waitFor([&] { return rx.contains('>'); }, 20000));
        QVERIFY(sent);
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"

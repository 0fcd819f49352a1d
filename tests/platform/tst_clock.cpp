// The clock seam: scaled deadlines, pauses that handle no events, waits that do.
#include "platform/Clock.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class TestClock : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Clock::setScale(1.0); Clock::setRandomSource(nullptr); }

    void scaledWaitRunsTheSameDeadlineFaster()
    {
        Clock::setScale(0.01);
        QElapsedTimer real;
        real.start();
        const double start = Clock::nowSeconds();
        QVERIFY(!Clock::waitFor([] { return false; }, 45000));
        QVERIFY(Clock::nowSeconds() - start >= 45.0);
        // 450 ms of real time; at the real pace it would be 45 s.
        QVERIFY2(real.elapsed() < 4500, qPrintable(QString::number(real.elapsed())));
    }

    void pauseHandlesNoEventsAndWaitDoes()
    {
        bool ran = false;
        QTimer::singleShot(0, this, [&] { ran = true; });
        Clock::sleepMs(50);
        QVERIFY(!ran);
        Clock::doEvents();
        QVERIFY(ran);

        bool fired = false;
        QTimer::singleShot(30, this, [&] { fired = true; });
        QVERIFY(Clock::waitFor([&] { return fired; }, 2000));
    }

    void timersRunOnTheScaledClock()
    {
        Clock::setScale(0.1);
        QTimer t;
        int ticks = 0;
        connect(&t, &QTimer::timeout, this, [&] { ++ticks; });
        Clock::startTimer(t, 1000);   // 100 ms real
        QCOMPARE(t.interval(), 100);
        QVERIFY(Clock::waitFor([&] { return ticks >= 2; }, 5000));
    }

    void randomSourceCanBeScripted()
    {
        Clock::setRandomSource([] { return 0.5; });
        QCOMPARE(Clock::random(), 0.5);
        Clock::setRandomSource(nullptr);
        for (int i = 0; i < 100; ++i) {
            const double r = Clock::random();
            QVERIFY(r >= 0.0 && r < 1.0);
        }
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"

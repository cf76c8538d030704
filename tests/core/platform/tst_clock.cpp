#include "core/platform/lifetime.h"
#include "core/platform/system_clock.h"
#include "tests/support/virtual_clock.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class TstClock : public QObject
{
    Q_OBJECT
private slots:
    void systemWaitIsNeverShortAndKeepsEventsRunning()
    {
        SystemClock clock;
        QElapsedTimer t;
        t.start();
        clock.waitSeconds(0);
        clock.waitSeconds(-1);
        QVERIFY(t.elapsed() < 50); // nothing to wait for: at once
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        const double start = clock.now();
        clock.waitSeconds(0.4);
        QVERIFY(clock.now() - start >= 0.4);
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }

    void systemWaitNestsAndEndsWhenTheProgramEnds()
    {
        SystemClock clock;
        QTimer::singleShot(50, [&] { clock.waitSeconds(0.1); });
        QTimer::singleShot(100, [] { lifetime::beginEnding(); });
        const double start = clock.now();
        clock.waitSeconds(30);
        lifetime::resetForTests();
        QVERIFY(clock.now() - start < 5);
    }

    void systemTimerFiresWhileEnabledOnly()
    {
        SystemClock clock;
        auto timer = clock.createTimer();
        int ticks = 0;
        connect(timer.get(), &Timer::timeout, [&] {
            timer->setEnabled(false); // a one-shot, as every tick of the program is
            ++ticks;
        });
        timer->setInterval(5);
        timer->setEnabled(true);
        clock.waitSeconds(0.1);
        QCOMPARE(ticks, 1);
        QVERIFY(!timer->isEnabled());
    }

    void virtualTimeRunsTimersAndActionsInOrder()
    {
        VirtualClock clock;
        auto timer = clock.createTimer();
        QStringList log;
        connect(timer.get(), &Timer::timeout, [&] { log << QStringLiteral("tick %1").arg(clock.now(), 0, 'f', 3); });
        timer->setInterval(20);
        timer->setEnabled(true);
        clock.at(0.05, [&] {
            log << QStringLiteral("action");
            timer->setEnabled(false);
        });
        clock.waitSeconds(1);
        QCOMPARE(log, (QStringList{"tick 0.020", "tick 0.040", "action"}));
        QCOMPARE(clock.now(), 1.0);
    }

    void virtualWaitsNest()
    {
        VirtualClock clock;
        double innerEnd = 0;
        clock.at(3, [&] {
            clock.waitSeconds(10); // a handler that itself waits, inside the outer wait
            innerEnd = clock.now();
        });
        clock.waitSeconds(8);
        QCOMPARE(innerEnd, 13.0);
        QCOMPARE(clock.now(), 13.0); // the outer wait cannot end before the inner one
    }

    void virtualWaitUntilGivesUpWhenNothingCanHappen()
    {
        VirtualClock clock;
        bool flag = false;
        clock.at(2, [&] { flag = true; });
        clock.waitUntil([&] { return flag; });
        QCOMPARE(clock.now(), 2.0);
        clock.waitUntil([] { return false; }); // returns instead of hanging
    }
};

QTEST_GUILESS_MAIN(TstClock)
#include "tst_clock.moc"

#include "app/interrogation_window.h"
#include "app/main_window.h"
#include "app/vb_controls.h"
#include "core/download/download.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "tests/support/printer_sim.h"
#include "tests/support/pty_pair.h"
#include "tests/support/test_env.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <atomic>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// The printer side of a pseudo-terminal: takes bytes at a given rate, notes when they came,
// and can hang up after a number of bytes.
class PrinterSide
{
public:
    PrinterSide(PtyPair& pty, int bytesPerSecond, qint64 hangUpAfter = -1)
        : m_pty(pty), m_rate(bytesPerSecond), m_hangUpAfter(hangUpAfter)
    {
        m_clock.start();
        m_thread = std::thread([this] { run(); });
    }
    ~PrinterSide()
    {
        m_stop = true;
        m_thread.join();
    }
    QByteArray bytes()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bytes;
    }
    // Seconds since start at which byte `index` arrived.
    double arrival(qint64 index)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& [count, t] : m_marks)
            if (count > index)
                return t;
        return -1;
    }

private:
    void run()
    {
        while (!m_stop) {
            pollfd p{m_pty.master(), POLLIN, 0};
            if (m_pty.master() < 0 || ::poll(&p, 1, 20) <= 0)
                continue;
            char buf[512];
            const int want = qMax(1, qMin(int(sizeof buf), m_rate / 50));
            const ssize_t n = ::read(m_pty.master(), buf, size_t(want));
            if (n <= 0)
                continue;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_bytes.append(buf, int(n));
                m_marks.push_back({m_bytes.size(), m_clock.nsecsElapsed() / 1e9});
                if (m_hangUpAfter >= 0 && m_bytes.size() >= m_hangUpAfter) {
                    m_pty.hangUp();
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(1000000LL * n / m_rate));
        }
    }

    PtyPair& m_pty;
    int m_rate;
    qint64 m_hangUpAfter;
    QElapsedTimer m_clock;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    QByteArray m_bytes;
    std::vector<std::pair<qint64, double>> m_marks;
    std::thread m_thread;
};

} // namespace

class TstRealLinks : public QObject
{
    Q_OBJECT
private slots:
    // Timed downloads at 9600 baud to a printer that reads at about the line rate.
    void timedOverCom_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QByteArray>("code");
        QTest::newRow("firmware with checksum") << "0" << QByteArray("3");
        QTest::newRow("standard fonts with checksum") << "1" << QByteArray("8");
    }
    void timedOverCom()
    {
        QFETCH(QString, operation);
        QFETCH(QByteArray, code);
        RealBench bench;
        PtyPair pty;
        QVERIFY(bench.home.link("COM1", pty.slavePath()));
        CARICA& w = bench.load({"Porta=0", "BaudRate=2", "Check=1", "Operazione=" + operation});
        const QByteArray data = patternBytes(6001, 3);
        int sum = 0;
        for (char c : data)
            sum ^= static_cast<unsigned char>(c);
        w.ShowFile->setText(bench.home.file("FW.BIN", data));
        PrinterSide printer(pty, 960);
        const double start = bench.clock.now();
        w.StartTrasm->click();
        bench.waitForMessage(90);
        const QByteArray header = "?Z" + code + "&6001," + QByteArray::number(sum) + "\n";
        QCOMPARE(printer.bytes(), header + data + " ");
        QCOMPARE(bench.messages.shown.size(), 1);
        QCOMPARE(bench.messages.shown[0].text, QStringLiteral("Spegnere e riaccendere la stampante"));
        QVERIFY(printer.arrival(header.size()) - printer.arrival(0) >= 7.9); // the 8-second gap
        // 94 chunks 20 ms apart, then the 25-second end wait.
        QVERIFY2(bench.messages.shown[0].time - start >= 8 + 1.8 + 25,
                 qPrintable(QString::number(bench.messages.shown[0].time - start)));
        QVERIFY(!w.MSComm1().portOpen());
        QVERIFY(!w.engine().busy());
    }

    void standardFontsOverParallel()
    {
        RealBench bench;
        const QString printer = bench.home.file("lpt1.out", QByteArray());
        QVERIFY(bench.home.link("LPT1", printer));
        CARICA& w = bench.load({"Porta=10", "Operazione=1", "ChkTurbo=1"});
        const QByteArray data = patternBytes(70000, 5);
        w.ShowFile->setText(bench.home.file("F.SHF", data));
        w.StartTrasm->click();
        bench.waitForMessage(90);
        QFile f(printer);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), "?Z1&70000\n" + data);
        QCOMPARE(bench.messages.shown.size(), 1);
        QVERIFY(!w.engine().files().portChannelOpen());
    }

    void externalFontsOverCom()
    {
        RealBench bench;
        PtyPair pty;
        QVERIFY(bench.home.link("COM2", pty.slavePath()));
        CARICA& w = bench.load({"Porta=1", "BaudRate=5", "Operazione=2", "ChkTurbo=1"});
        const QByteArray data = patternBytes(40001, 9);
        w.ShowFile->setText(bench.home.file("E.SHC", data));
        PrinterSide printer(pty, 5600);
        w.StartTrasm->click(); // runs the whole download
        QCOMPARE(printer.bytes(), "?Z:&40001\n" + data);
        QCOMPARE(bench.messages.shown.size(), 1);
        QVERIFY(printer.arrival(10) - printer.arrival(0) >= 9.9);
        QVERIFY(!w.engine().busy());
    }

    // The release check and one TEST run against the simulated printer, in real time.
    void queriesOverCom()
    {
        RealBench bench;
        PtyPair pty;
        QVERIFY(bench.home.link("COM1", pty.slavePath()));
        CARICA& w = bench.load({"BaudRate=2"});
        w.ShowFile->setText(bench.home.file("FW.BIN", QByteArray(20000, 'x') + QByteArray("Release: 1.04 \0", 15) +
                                                          QByteArray(9000, 'y')));
        PrinterSim printer(pty);
        w.cmdCheckRelease->click();
        QCOMPARE(w.txtFwFile->text(), QStringLiteral("1.04"));
        QCOMPARE(w.txtFwBoard->text(), QStringLiteral("1.05"));
        w.mnuInterroga->trigger();
        frmPrTest& d = w.interrogationWindow();
        QElapsedTimer t;
        t.start();
        d.cmdTest->click();
        QVERIFY(t.elapsed() >= 1600);
        QCOMPARE(d.txtModel->text(), QStringLiteral("PX-9000"));
        QCOMPARE(d.txtRelease->text(), QStringLiteral("1.05"));
        QCOMPARE(d.txtFlash->text(), QStringLiteral("FLASH 4M 29F040"));
        QCOMPARE(printer.received(), QByteArray("!0?54&4\r\n!0?54&10\r\n?54&4\r\n?54&12\r\n"));
        QVERIFY(bench.messages.shown.isEmpty());
    }

    void hangUpMidTransfer_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::newRow("timed transfer") << "0";
        QTest::newRow("external fonts") << "2";
    }
    void hangUpMidTransfer()
    {
        QFETCH(QString, operation);
        RealBench bench;
        auto pty = std::make_unique<PtyPair>();
        QVERIFY(bench.home.link("COM1", pty->slavePath()));
        CARICA& w = bench.load({"ChkTurbo=1", "BaudRate=5", "Operazione=" + operation});
        w.ShowFile->setText(bench.home.file("FW.BIN", patternBytes(400000, 2)));
        PrinterSide printer(*pty, 200000, 20000);
        w.StartTrasm->click();
        bench.waitForMessage(60);
        bench.clock.waitSeconds(0.5); // a second report would come meanwhile
        QCOMPARE(bench.messages.shown.size(), 1);
        QCOMPARE(bench.messages.shown[0].icon, MessageIcon::Critical);
        QVERIFY2(bench.messages.shown[0].text.contains("COM1"), qPrintable(bench.messages.shown[0].text));
        QVERIFY(!w.engine().busy());
        QVERIFY(!w.engine().files().sourceOpen());
        QVERIFY(!w.Timer1().isEnabled());
    }
};

QTEST_MAIN(TstRealLinks)
#include "tst_real_links.moc"

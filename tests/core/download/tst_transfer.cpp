#include "core/download/download.h"
#include "core/platform/clock.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/recorders.h"
#include "tests/support/test_home.h"
#include "tests/support/virtual_clock.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One download of the core on the virtual clock, as the window would start it: settings as
// the window stores them ("Porta=10", "ChkTurbo=1", "BaudRate=0"), a file, and a printer file
// standing in for "LPT1".
struct Run {
    TestHome home;
    VirtualClock clock;
    MessageRecorder messages{clock};
    GlobVar state;
    FakeSerialControl port{clock};
    std::unique_ptr<Timer> timer = clock.createTimer();
    int turbo = 0;
    LinkChoice link{QStringLiteral("COM1"), 0, 1, 0, 0, 0};
    Download download{state, DownloadInputs{[this] { return turbo; }, [this] { return link; }}, clock, messages, port,
                      *timer};
    DownloadRequest request;
    QString printer;
    QByteArray data;

    Run(const QStringList& stored, qint64 length, int operation = 0)
    {
        state.LanguageBase = kItalian;
        QObject::connect(timer.get(), &Timer::timeout, &download, &Download::tick);
        printer = home.file("lpt1.out", QByteArray());
        home.link("LPT1", printer);
        for (const QString& kv : stored) {
            const int v = kv.section('=', 1).toInt();
            if (kv.startsWith("Porta="))
                link = LinkChoice{v == 10 ? QStringLiteral("LPT1") : QStringLiteral("COM%1").arg(v + 1), v, 1, 0, 0, 0};
            else if (kv.startsWith("ChkTurbo="))
                turbo = v;
            else if (kv.startsWith("BaudRate="))
                link.baud = v;
            else if (kv.startsWith("Parity="))
                link.parity = v;
            else if (kv.startsWith("DataBit="))
                link.dataBits = v;
            else if (kv.startsWith("StopBit="))
                link.stopBits = v;
        }
        data = patternBytes(length, quint32(length));
        request = DownloadRequest{home.file("DATA.BIN", data), operation, true, 0};
    }
    void setFile(const QByteArray& bytes)
    {
        data = bytes;
        request.path = home.file("DATA.BIN", data);
    }
    void start() { download.start(request); }
    QByteArray received() const { return link.parallel() ? readFile(printer) : port.allBytes(); }
    void runToEnd() { clock.run(300); }
    // Times of the data writes (after the header).
    QList<double> dataTimes() const
    {
        QList<double> t;
        for (int i = 1; i < port.writes.size(); ++i)
            t << port.writes[i].time;
        return t;
    }
    QList<int> dataSizes() const
    {
        QList<int> s;
        for (int i = 1; i < port.writes.size(); ++i)
            s << int(port.writes[i].data.size());
        return s;
    }
    void expectIdle()
    {
        QVERIFY(!download.busy());
        QVERIFY(!download.files().sourceOpen());
        QVERIFY(!download.files().portChannelOpen());
        QVERIFY(!port.portOpen());
        QVERIFY(!timer->isEnabled());
        QVERIFY(!download.dialog().shown);
    }
    void expectEndMessageAt(double time) const
    {
        QCOMPARE(messages.shown.size(), 1);
        const auto& m = messages.shown.first();
        QCOMPARE(m.text, QStringLiteral("Spegnere e riaccendere la stampante"));
        QCOMPARE(m.title, QStringLiteral("Download terminato."));
        QCOMPARE(m.icon, MessageIcon::Information);
        QVERIFY2(std::abs(m.time - time) < 1e-6, qPrintable(QString::number(m.time, 'f', 6)));
    }
    void expectOneFailure(const QString& part) const
    {
        QCOMPARE(messages.shown.size(), 1);
        const auto& m = messages.shown.first();
        QCOMPARE(m.icon, MessageIcon::Critical);
        QVERIFY2(m.text.contains(part), qPrintable(m.text));
    }
};

bool near(double a, double b)
{
    return std::abs(a - b) < 1e-6;
}

} // namespace

class TstTransfer : public QObject
{
    Q_OBJECT
private slots:
    void refusedRequests_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message"); // its start; "" = none
        QTest::addColumn<bool>("rejected");   // the path is no longer offered
        QTest::newRow("empty path: nothing at all") << "empty"
                                                    << "" << false;
        QTest::newRow("missing file: nothing created") << "missing"
                                                       << "File vuoto o inesistente !!" << true;
        QTest::newRow("empty file: kept") << "zero"
                                          << "File vuoto o inesistente !!" << true;
        QTest::newRow("a folder: named") << "folder"
                                         << "Impossibile aprire il file\n<path>" << false;
        QTest::newRow("2 GiB: named with its size") << "huge"
                                                    << "Il file\n<path>\nè troppo grande (2147483648" << false;
    }
    void refusedRequests()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QFETCH(bool, rejected);
        Run d({}, 0);
        const QMap<QString, QString> paths = {{"empty", ""},
                                              {"missing", d.home.path() + "/NOPE.BIN"},
                                              {"zero", d.home.file("EMPTY.BIN", {})},
                                              {"folder", d.home.path()},
                                              {"huge", d.home.file("HUGE.BIN", {})}};
        d.request.path = paths[kind];
        if (kind == "huge" && !QFile::resize(d.request.path, qint64(1) << 31))
            QSKIP("no sparse files here");
        QSignalSpy rejections(&d.download, &Download::fileRejected);
        d.start();
        d.runToEnd();
        QCOMPARE(d.messages.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY2(d.messages.shown[0].text.startsWith(message.replace("<path>", d.request.path)),
                     qPrintable(d.messages.shown[0].text));
            QCOMPARE(d.messages.shown[0].title, QStringLiteral("Velmora"));
            QCOMPARE(d.messages.shown[0].icon, MessageIcon::Critical);
        }
        QCOMPARE(rejections.count(), rejected ? 1 : 0);
        QCOMPARE(QFileInfo::exists(d.request.path), kind != "missing" && kind != "empty");
        QVERIFY(d.port.openings.isEmpty());
        d.expectIdle();
        QCOMPARE(d.state.TransferState, qint16(0));
    }

    // The command: the header right after the link opens, the dialog during the 8-second wait,
    // then the timer at the interval of the link and Turbo.
    void theCommand_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("operation"); // -1: none selected
        QTest::addColumn<bool>("board");
        QTest::addColumn<int>("check");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("interval");
        const QStringList com3 = {"Porta=2", "BaudRate=3", "Parity=1", "DataBit=1", "StopBit=1"};
        const QStringList lpt = {"Porta=10"};
        auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("firmware, board, checksum of the byte 41 hex")
            << com3 << 0 << true << 1 << QByteArray("A") << QByteArray("?Z3&1,65\n") << 20;
        row("checksum 0 is one digit") << com3 << 0 << true << 1 << QByteArray("abab") << QByteArray("?Z3&4,0\n") << 20;
        row("firmware, board") << com3 << 0 << true << 0 << QByteArray("1234") << QByteArray("?Z4&4\n") << 20;
        row("a greyed box is no checksum") << com3 << 0 << true << 2 << QByteArray("12") << QByteArray("?Z4&2\n") << 20;
        row("firmware to the RAM card") << com3 << 0 << false << 1 << QByteArray("123") << QByteArray("?Z2&3\n") << 20;
        row("standard fonts, board, checksum")
            << com3 << 1 << true << 1 << QByteArray("\x01\x02", 2) << QByteArray("?Z8&2,3\n") << 20;
        row("standard fonts, board") << com3 << 1 << true << 0 << QByteArray("xy") << QByteArray("?Z1&2\n") << 20;
        row("standard fonts, RAM card") << com3 << 1 << false << 0 << QByteArray("xy") << QByteArray("?Z0&2\n") << 20;
        row("no operation: no header") << com3 << -1 << true << 1 << QByteArray("xy") << QByteArray() << 20;
        row("Turbo") << QStringList{"ChkTurbo=1"} << 0 << true << 0 << QByteArray("xy") << QByteArray("?Z4&2\n") << 2;
        row("Turbo greyed is no Turbo") << QStringList{"ChkTurbo=2"} << 0 << true << 0 << QByteArray("xy")
                                        << QByteArray("?Z4&2\n") << 20;
        row("LPT1") << lpt << 1 << true << 1 << QByteArray("xy") << QByteArray("?Z8&2,1\n") << 45;
        row("LPT1 with Turbo") << lpt + QStringList{"ChkTurbo=1"} << 0 << true << 0 << QByteArray("xy")
                               << QByteArray("?Z4&2\n") << 2;
    }
    void theCommand()
    {
        QFETCH(QStringList, stored);
        QFETCH(int, operation);
        QFETCH(bool, board);
        QFETCH(int, check);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, header);
        QFETCH(int, interval);
        Run d(stored, 0, operation);
        d.setFile(file);
        d.request.board = board;
        d.request.checkValue = check;
        QStringList during;
        d.clock.at(7.99, [&] {
            const DownloadDialog& g = d.download.dialog();
            during << (g.shown && g.busy ? "busy" : "idle") << g.status << g.abortCaption << QString::number(g.maximum)
                   << QString::number(d.received().size()) << (d.timer->isEnabled() ? "ticking" : "waiting");
        });
        d.start(); // returns after the 8-second wait
        QCOMPARE(during, (QStringList{"busy", "TRASMISSIONE IN CORSO...", "Annulla", QString::number(file.size()),
                                      QString::number(header.size()), "waiting"}));
        QCOMPARE(d.state.HeaderText, header);
        if (!d.link.parallel()) {
            QCOMPARE(d.port.openings.size(), 1);
            QCOMPARE(d.port.openings[0].port, d.link.portIndex + 1);
            QCOMPARE(d.port.openings[0].settings, d.link.parity == 1 ? "19200,E,7,2" : "4800,N,8,1");
            QVERIFY(header.isEmpty() || d.port.writes[0].time == 0.0);
        }
        QCOMPARE(d.timer->interval(), interval);
        QVERIFY(d.timer->isEnabled());
        QCOMPARE(d.state.TransferState, qint16(1));
        d.clock.run(0.05); // the data start with the first byte
        QVERIFY(d.received().startsWith(header + file.left(1)));
    }

    void aHeldPortIsReportedAndNothingIsLeftOpen_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("Italian") << 1000
                                 << "ATTENZIONE! La porta COM è già aperta. Chiudere tutte le applicazioni e riprovare."
                                 << "Porta";
        QTest::newRow("English") << 2000 << "WARNING! COM port is already open. Close all programs and try again."
                                 << "Port";
    }
    void aHeldPortIsReportedAndNothingIsLeftOpen()
    {
        QFETCH(int, language);
        QFETCH(QString, text);
        QFETCH(QString, title);
        Run d({}, 0);
        d.state.LanguageBase = qint16(language);
        d.setFile("abc");
        d.request.checkValue = 1;
        d.port.refuseOpen(true);
        d.start();
        QCOMPARE(d.messages.shown.size(), 1);
        QCOMPARE(d.messages.shown[0].text, text);
        QCOMPARE(d.messages.shown[0].title, title);
        QCOMPARE(d.messages.shown[0].icon, MessageIcon::Critical);
        QCOMPARE(d.state.PortError, false);
        QCOMPARE(d.state.HeaderText, QByteArray("?Z3&3,96\n"));
        d.runToEnd();
        QVERIFY(d.port.writes.isEmpty());
        d.expectIdle();
        d.port.refuseOpen(false); // freed again, the next press goes through
        d.start();
        QCOMPARE(d.port.writes.size(), 1);
    }

    void secondPressWhileBusyDoesNothing()
    {
        Run d({}, 300);
        d.clock.at(3, [&] { d.start(); });    // during the 8-second wait
        d.clock.at(8.05, [&] { d.start(); }); // during the transfer
        d.start();
        d.runToEnd();
        QCOMPARE(d.port.openings.size(), 1);
        QCOMPARE(d.port.allBytes(), QByteArray("?Z4&300\n") + d.data);
    }

    void hundredBytesWithoutTurbo()
    {
        Run d({}, 100);
        QString labelAtEnd;
        d.clock.at(20, [&] { labelAtEnd = d.download.dialog().status; });
        d.start();
        d.runToEnd();
        QCOMPARE(d.dataSizes(), (QList<int>{64, 36}));
        QVERIFY(near(d.dataTimes()[0], 8.02) && near(d.dataTimes()[1], 8.04));
        QCOMPARE(d.port.allBytes(), QByteArray("?Z4&100\n") + d.data);
        QCOMPARE(labelAtEnd, QStringLiteral("Fine trasmissione: attendere lampeggio..."));
        d.expectEndMessageAt(33.04);
        QVERIFY(near(d.port.closings.value(0), 33.04));
        d.expectIdle();
        QCOMPARE(d.state.TransferState, qint16(0));
    }

    void oddLengthPausesAfter4096AndPads()
    {
        Run d({}, 4097);
        d.start();
        d.runToEnd();
        const auto times = d.dataTimes();
        QCOMPARE(times.size(), 66); // 65 chunks and the pad byte
        QVERIFY(near(times[63], 8 + 64 * 0.02));
        QVERIFY(near(times[64], 8 + 64 * 0.02 + 2 + 0.02)); // the 2-second pause after 4096 bytes
        QCOMPARE(d.port.writes.last().data, QByteArray(" "));
        QCOMPARE(d.port.allBytes(), QByteArray("?Z4&4097\n") + d.data + " ");
        d.expectEndMessageAt(times[64] + 25);
    }

    void parallelWithTurbo_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<double>("endMessage");
        QTest::newRow("4096 bytes: 8 ticks, no pause") << qint64(4096) << 8 + 8 * 0.002 + 25;
        QTest::newRow("131072 bytes: pauses after 65536 and 131072") << qint64(131072) << 8 + 256 * 0.002 + 4 + 25;
        QTest::newRow("odd length gets the pad byte") << qint64(1001) << 8 + 2 * 0.002 + 25;
    }
    void parallelWithTurbo()
    {
        QFETCH(qint64, length);
        QFETCH(double, endMessage);
        Run d({"Porta=10", "ChkTurbo=1"}, length);
        d.start();
        d.runToEnd();
        QByteArray expected = "?Z4&" + QByteArray::number(length) + "\n" + d.data;
        if (length % 2)
            expected += ' ';
        QCOMPARE(readFile(d.printer), expected);
        QCOMPARE(d.download.dialog().value, qint32(length)); // the bar shows what was written
        d.expectEndMessageAt(endMessage);
        d.expectIdle();
        QVERIFY(d.port.openings.isEmpty());
    }

    void parallelWithoutTurboPausesEvery4096()
    {
        Run d({"Porta=10"}, 8192);
        d.start();
        d.runToEnd();
        d.expectEndMessageAt(8 + 128 * 0.045 + 4 + 25);
    }

    void turboReadAtEveryTick()
    {
        Run d({}, 2000);
        d.clock.at(8.105, [&] { d.turbo = 1; });
        d.start();
        d.runToEnd();
        QCOMPARE(d.dataSizes(), (QList<int>{64, 64, 64, 64, 64, 512, 512, 512, 144}));
        QVERIFY(near(d.dataTimes()[5] - d.dataTimes()[4], 0.02)); // the interval stays as set
        QCOMPARE(d.port.allBytes(), QByteArray("?Z4&2000\n") + d.data);
    }

    void cancelStopsTheTransfer_data()
    {
        QTest::addColumn<double>("at");
        QTest::addColumn<qint64>("bytesAfterHeader");
        QTest::newRow("during a chunk run") << 8.05 << qint64(128);
        QTest::newRow("during the 2-second pause") << 10.0 << qint64(4096);
        QTest::newRow("during the 25-second end wait") << 20.0 << qint64(4097 + 1);
    }
    void cancelStopsTheTransfer()
    {
        QFETCH(double, at);
        QFETCH(qint64, bytesAfterHeader);
        Run d({}, 4097);
        if (at == 20.0)
            d.clock.at(11.31, [&] { d.clock.at(20 + 11.3, [&] { d.download.cancel(); }); });
        else
            d.clock.at(at, [&] { d.download.cancel(); });
        d.start();
        d.runToEnd();
        QCOMPARE(d.port.bytesWritten() - 9, bytesAfterHeader);
        QVERIFY(d.messages.shown.isEmpty());
        d.expectIdle();
    }

    // Ticks while the dialog is shown (the 8-second wait) but no transfer runs send nothing.
    void aTickWithNothingToDoStaysIdle()
    {
        Run d({}, 100);
        QList<int> states;
        bool enabledAfter = true;
        auto tickIn = [&](int state) {
            d.state.TransferState = qint16(state);
            d.timer->setInterval(20);
            d.timer->setEnabled(true);
        };
        d.clock.at(1, [&] { tickIn(0); });
        d.clock.at(2, [&] {
            states << d.state.TransferState;
            enabledAfter = d.timer->isEnabled();
            tickIn(7);
        });
        d.clock.at(3, [&] { states << d.state.TransferState; });
        d.start();
        QCOMPARE(states, QList<int>({0, 0}));
        QVERIFY(!enabledAfter);
        QCOMPARE(d.port.writes.size(), 1); // the header only
    }

    // A line of its own rate behind a device queue the system does not count: what goes out
    // follows the slower of the pacing and the line, the pauses reach the wire, and the bar shows
    // what the line has taken.
    void theLineSetsThePace_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("turbo");
        QTest::addColumn<int>("baud"); // index: 1 4800, 2 9600, 5 "57600" (56000)
        QTest::addColumn<qint64>("deviceQueue");
        QTest::addColumn<qint64>("length");
        QTest::newRow("timed, 4800 baud") << 0 << 0 << 1 << qint64(0) << qint64(9000);
        QTest::newRow("timed, 4800 baud, Turbo") << 0 << 1 << 1 << qint64(0) << qint64(9000);
        QTest::newRow("timed, 9600 baud behind 4 KiB") << 0 << 0 << 2 << qint64(4096) << qint64(9000);
        QTest::newRow("timed, 56000 baud: the pacing is slower") << 0 << 0 << 5 << qint64(0) << qint64(9000);
        QTest::newRow("fonts, 9600 baud") << 2 << 0 << 2 << qint64(0) << qint64(9000);
        QTest::newRow("fonts, 4800 baud, Turbo behind 4 KiB") << 2 << 1 << 1 << qint64(4096) << qint64(9000);
        QTest::newRow("fonts, 56000 baud: the pacing is slower") << 2 << 0 << 5 << qint64(0) << qint64(9000);
    }
    void theLineSetsThePace()
    {
        QFETCH(int, operation);
        QFETCH(int, turbo);
        QFETCH(int, baud);
        QFETCH(qint64, deviceQueue);
        QFETCH(qint64, length);
        Run d({"ChkTurbo=" + QString::number(turbo), "BaudRate=" + QString::number(baud)}, length, operation);
        d.port.modelLine(deviceQueue);
        const qint64 header = 9; // "?Z4&9000\n" or "?Z:&9000\n"
        qint64 lead = 0, lag = 0, top = 0;
        const int chunk = turbo ? 512 : 64;
        auto bar = [&] { return d.download.dialog().value - qMax<qint64>(0, d.port.onTheWire() - header); };
        connect(&d.download, &Download::dialogChanged, [&] {
            lead = qMax(lead, bar());
            top = qMax<qint64>(top, d.download.dialog().value);
        });
        // The bar is kept current, in the waits for the line and while it drains.
        std::function<void()> sample = [&] {
            if (d.download.busy() && d.download.dialog().status == "TRASMISSIONE IN CORSO...")
                lag = qMax(lag, -bar());
            d.clock.at(d.clock.now() + 0.05, sample);
        };
        d.clock.at(10.5, sample);
        d.start();
        d.runToEnd();
        QCOMPARE(top, length);
        QVERIFY2(lag <= chunk, qPrintable(QString::number(lag)));
        const QByteArray pad = operation == 0 && length % 2 ? " " : "";
        QCOMPARE(d.port.allBytes().mid(header), d.data + pad);
        const double rate = QList<double>{240, 480, 960, 0, 0, 5600}[baud];
        QVERIFY2(lead <= deviceQueue, qPrintable(QString::number(lead)));
        QVERIFY2(d.port.largestBacklog() <= 2 * chunk + deviceQueue,
                 qPrintable(QString::number(d.port.largestBacklog())));
        const int pauses = turbo ? 0 : int(length / 4096);
        for (int i = 1; i <= pauses; ++i)
            QVERIFY2(d.port.idleAfter(4096 * i) >= 2 - deviceQueue / rate - 1e-9,
                     qPrintable(QString::number(d.port.idleAfter(4096 * i))));
        // The transfer takes the longer of the pacing and the line, and the pauses. (Behind a
        // device queue the end wait starts while the device still sends.)
        if (deviceQueue)
            return;
        const double ticks = std::ceil(double(length) / chunk) * (turbo ? 0.002 : operation == 0 ? 0.02 : 0.01);
        const double expected = std::max(ticks, (length + pad.size()) / rate) + 2 * pauses;
        const double took = d.messages.shown.value(0).time - 25 - d.port.writes.value(1).time;
        QVERIFY2(d.messages.shown.size() == 1 && took <= 1.02 * expected && took >= 0.98 * expected,
                 qPrintable(QString("%1 s for %2 s").arg(took).arg(expected)));
    }

    // The line takes 1000 bytes a second: the end sequence waits until it has taken them all.
    void theEndWaitsUntilTheLineHasTakenEveryByte()
    {
        Run d({"ChkTurbo=1"}, 3000);
        d.port.setLineRate(1000);
        d.start();
        d.runToEnd();
        const double closedAt = d.port.closings.value(0, -1);
        const double lineDone = 8.002 + 3.0; // the data leave the line 3 s after the first chunk
        QVERIFY2(closedAt >= lineDone + 25 && closedAt < lineDone + 25 + 0.05, qPrintable(QString::number(closedAt)));
        QCOMPARE(d.messages.shown.size(), 1);
        QCOMPARE(d.port.allBytes(), QByteArray("?Z4&3000\n") + d.data);
    }

    // At 2400 baud a queue reported in 4 KiB steps shows no progress for 17 s at a time.
    void aSlowLineReportedInStepsIsNotAFailure()
    {
        Run d({"ChkTurbo=1", "BaudRate=0"}, 12000);
        d.port.setLineRate(240);
        d.port.setReportStep(4096);
        d.start();
        d.runToEnd();
        QCOMPARE(d.messages.shown.size(), 1);
        QCOMPARE(d.messages.shown[0].title, QStringLiteral("Download terminato."));
        QVERIFY(d.port.closings.value(0) >= 8 + 12000 / 240.0 + 25);
        d.expectIdle();
    }

    void aLineThatTakesNothingIsAFailure()
    {
        Run d({}, 100);
        d.port.setLineRate(1e-9); // nothing ever leaves
        d.start();
        d.runToEnd();
        d.expectOneFailure(QStringLiteral("COM1"));
        d.expectIdle();
    }

    void aWriteFailureEndsTheDownloadWithOneMessage()
    {
        Run d({}, 5000);
        d.port.failAfter(9 + 640);
        d.start();
        d.runToEnd();
        d.expectOneFailure(QStringLiteral("Errore di scrittura su COM1"));
        QCOMPARE(d.port.bytesWritten(), qint64(9 + 640));
        d.expectIdle();
    }

    void aHangUpIsAFailureOnlyBeforeTheDataIsOut_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<double>("at");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("timed, before the data") << 0 << qint64(5000) << 4.0 << "failure";
        QTest::newRow("timed, in the middle") << 0 << qint64(5000) << 8.05 << "failure";
        QTest::newRow("timed, in the end wait") << 0 << qint64(100) << 20.0 << "end";
        QTest::newRow("fonts, before the data") << 2 << qint64(5000) << 5.0 << "failure";
        QTest::newRow("fonts, in the middle") << 2 << qint64(5000) << 10.05 << "failure";
        QTest::newRow("fonts, in the end wait") << 2 << qint64(100) << 20.0 << "end";
    }
    void aHangUpIsAFailureOnlyBeforeTheDataIsOut()
    {
        QFETCH(int, operation);
        QFETCH(qint64, length);
        QFETCH(double, at);
        QFETCH(QString, outcome);
        Run d({}, length, operation);
        d.clock.at(at, [&] { d.port.hangUp(); });
        d.start();
        d.runToEnd();
        QCOMPARE(d.messages.shown.size(), 1);
        QCOMPARE(d.messages.shown[0].icon == MessageIcon::Information ? "end" : "failure", outcome);
        if (outcome == "end")
            QCOMPARE(d.port.allBytes().size(), qsizetype(length + 8)); // "?Z4&100\n" or "?Z:&100\n"
        d.expectIdle();
    }

    // The open file stays readable after its name is removed: the download completes with
    // exactly the announced bytes.
    void aFileRemovedDuringTheTransferStillGoesOut()
    {
        Run d({}, 5000);
        d.clock.at(8.05, [&] { QVERIFY(QFile::remove(d.request.path)); });
        d.start();
        d.runToEnd();
        QCOMPARE(d.port.allBytes(), QByteArray("?Z4&5000\n") + d.data);
        d.expectEndMessageAt(d.port.writes.last().time + 25);
    }

    void aFileThatShrinksIsAFailure()
    {
        Run d({}, 5000);
        d.clock.at(8.05, [&] { QVERIFY(QFile::resize(d.request.path, 100)); });
        d.start();
        d.runToEnd();
        d.expectOneFailure(QStringLiteral("Errore di lettura del file"));
        d.expectIdle();
    }

    // The parallel device goes away in the middle (a FIFO whose reader closes).
    void aParallelDeviceFailingMidWrite()
    {
        Run d({"Porta=10"}, 20000);
        const QString fifo = d.home.path() + "/lpt1.fifo";
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        d.home.link("LPT1", fifo);
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        d.clock.at(8.5, [&] { ::close(reader); }); // after the header and some chunks
        d.start();
        d.runToEnd();
        d.expectOneFailure(QStringLiteral("lpt1.fifo"));
        d.expectIdle();
    }

    void aParallelDeviceThatCannotBeWrittenIsNamed_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("missing") << "<home>/no/such/printer";
        QTest::newRow("a folder") << "<home>";
        QTest::newRow("every write fails") << "/dev/full";
    }
    void aParallelDeviceThatCannotBeWrittenIsNamed()
    {
        QFETCH(QString, target);
        Run d({"Porta=10"}, 100);
        target.replace("<home>", d.home.path());
        d.home.link("LPT1", target);
        d.start();
        d.runToEnd();
        d.expectOneFailure(target);
        d.expectIdle();
    }

    // External fonts, one paced loop in one or two parts.
    void externalFontParts_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QList<QByteArray>>("headers");
        QTest::newRow("1376256 bytes: one part") << qint64(1376256) << QList<QByteArray>{"?Z:&1376256\n"};
        QTest::newRow("1376257 bytes: two parts") << qint64(1376257) << QList<QByteArray>{"?Z:&1376256\n", "?Z;&1\n"};
        QTest::newRow("3014656 bytes: the largest")
            << qint64(3014656) << QList<QByteArray>{"?Z:&1376256\n", "?Z;&1638400\n"};
    }
    void externalFontParts()
    {
        QFETCH(qint64, length);
        QFETCH(QList<QByteArray>, headers);
        Run d({"ChkTurbo=1"}, length, 2);
        d.start();
        QCOMPARE(d.port.openings.size(), headers.size());
        QByteArray expected;
        qint64 offset = 0;
        for (const QByteArray& h : headers) {
            const qint64 part = h.mid(4, h.size() - 5).toLongLong();
            expected += h + d.data.mid(offset, part);
            offset += part;
        }
        QCOMPARE(d.port.allBytes(), expected);
        QCOMPARE(d.port.closings.size(), headers.size());
        if (headers.size() == 2) {
            // Second opening 25 s after the first part's end; data 10 s after each header.
            QVERIFY(near(d.port.openings[1].time - d.port.closings[0], 25));
            for (const auto& w : d.port.writes)
                if (w.data == headers[1])
                    QVERIFY(near(w.time, d.port.openings[1].time));
        }
        QVERIFY(near(d.port.writes[1].time, 10));
        d.expectEndMessageAt(d.port.closings.last() + 25);
        d.expectIdle();
        QCOMPARE(d.state.TransferState, qint16(2));
    }

    void externalFontPacingWithoutTurbo()
    {
        Run d({}, 4097, 2); // odd: sent without any extra byte
        d.start();
        const auto t = d.dataTimes();
        QCOMPARE(d.dataSizes().size(), 65);
        QVERIFY(near(t[1] - t[0], 0.01));
        QVERIFY(near(t[64] - t[63], 2 + 0.01)); // the pause after 4096 bytes
        QCOMPARE(d.port.allBytes(), QByteArray("?Z:&4097\n") + d.data);
    }

    void externalFontsTooBigAreRefused()
    {
        Run d({}, 3014657, 2);
        d.start();
        QCOMPARE(d.messages.shown.size(), 1);
        QCOMPARE(d.messages.shown[0].text, QStringLiteral("ATTENZIONE! File troppo grande. Operazione annullata."));
        QCOMPARE(d.messages.shown[0].title, QString());
        QVERIFY(d.port.openings.isEmpty());
        d.expectIdle();
    }

    void externalFontsOnTheParallelPort()
    {
        Run d({"Porta=10", "ChkTurbo=1"}, 1000, 2);
        QByteArray atTen;
        d.clock.at(10.999, [&] { atTen = readFile(d.printer); });
        d.start();
        QCOMPARE(atTen, QByteArray("?Z:&1000\n")); // header, 1 s, reopening, 10 s, then the data
        QCOMPARE(readFile(d.printer), QByteArray("?Z:&1000\n") + d.data);
        d.expectEndMessageAt(11 + 0.002 + 25);
    }

    void secondPartPortRefused()
    {
        Run d({"ChkTurbo=1"}, 1376257, 2);
        d.clock.at(30, [&] { d.port.refuseOpen(true); });
        d.start();
        QCOMPARE(d.messages.shown.size(), 1);
        QCOMPARE(d.messages.shown[0].title, QStringLiteral("Porta"));
        QCOMPARE(d.port.bytesWritten(), qint64(12 + 1376256));
        d.expectIdle();
        // Not locked out: a later download starts again.
        d.port.refuseOpen(false);
        QVERIFY(!d.download.busy());
    }

    void cancelDuringExternalFontPacing()
    {
        Run d({}, 20000, 2);
        d.clock.at(10.5, [&] { d.download.cancel(); });
        d.start(); // returns: the pacing wait ends on the abort
        const qint64 sent = d.port.bytesWritten();
        d.runToEnd();
        QCOMPARE(d.port.bytesWritten(), sent);
        QVERIFY(sent < 9 + 20000);
        QVERIFY(d.messages.shown.isEmpty());
        d.expectIdle();
    }

    // A download started inside an abandoned download's wait is not disturbed by it.
    void aNewDownloadInsideAnOldWaitIsLeftAlone()
    {
        Run d({}, 300);
        d.clock.at(3, [&] { d.download.cancel(); });
        d.clock.at(4, [&] { d.start(); });
        d.start();
        d.runToEnd();
        QCOMPARE(d.port.openings.size(), 2);
        QCOMPARE(d.port.allBytes(), QByteArray("?Z4&300\n?Z4&300\n") + d.data);
        QCOMPARE(d.messages.shown.size(), 1);
        d.expectIdle();
    }
};

QTEST_GUILESS_MAIN(TstTransfer)
#include "tst_transfer.moc"

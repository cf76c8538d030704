#pragma once

#include "core/update/update_job.h"
#include "tests/support/fake_serial_control.h"

#include <QMap>

#include <memory>

// The printers of a bench, by port: each answers the interrogation with its model and release, and
// after a complete load restarts with the file's release (`comesBack`) or never answers again.
struct FakePrinters {
    struct Printer {
        QString release;
        bool comesBack = true;
        QByteArray loaded = {}; // what reached it over its loading port
        bool restarted = false; // a whole load went in: it now runs the file's release, or nothing
    };
    explicit FakePrinters(Clock& clock) : clock(clock) {}
    Clock& clock;
    QMap<QString, Printer> printers;
    QString fileRelease;

    // A fake port that becomes the printer's when it opens.
    class Port : public FakeSerialControl
    {
    public:
        explicit Port(FakePrinters& bench) : FakeSerialControl(bench.clock), m_bench(bench) {}
        Failure openPort() override
        {
            Printer& p = m_bench.printers[port()];
            const bool answers = !p.restarted || p.comesBack;
            const QString release = p.restarted ? m_bench.fileRelease : p.release;
            answer("!0", answers ? QList<Reply>{{"?", 0.05}} : QList<Reply>{});
            answer("?54&10\r\n", {{"PX-9\r", 0.1}});
            answer("?54&4\r\n", {{release.toLatin1() + '\r', 0.1}});
            answer("?54&12\r\n", {{"F 4M\r", 0.1}});
            return FakeSerialControl::openPort();
        }
        void close() override
        {
            // A load ends with the port closed: a printer that took all its header announced restarts.
            const QByteArray all = allBytes();
            const qsizetype header = all.indexOf('\n');
            if (isOpen() && all.startsWith("?Z") && header > 0 &&
                all.size() - header - 1 >= all.left(header).split('&').value(1).split(',').value(0).toLongLong()) {
                Printer& p = m_bench.printers[port()];
                p.loaded = allBytes();
                p.restarted = true;
            }
            FakeSerialControl::close();
        }

    private:
        FakePrinters& m_bench;
    };
    UpdateJob::MakePort makePort()
    {
        return [this] { return std::unique_ptr<SerialControl>(std::make_unique<Port>(*this)); };
    }
    // A whole firmware went in behind one header: "?Z...\n" and the file.
    bool tookWhole(const QString& port, const QByteArray& file) const
    {
        const QByteArray& loaded = printers.value(port).loaded;
        return loaded.startsWith("?Z") && loaded.indexOf('\n') + 1 + file.size() == loaded.size() &&
               loaded.endsWith(file);
    }
};

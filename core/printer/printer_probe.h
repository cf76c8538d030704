#pragma once

#include "core/link/line_settings.h"
#include "core/platform/task.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class Clock;
class SerialControl;

// Finds the printer: every port given is asked side by side, each in a job of its own, with the
// handshake and, where that is answered, the model query (and the release query, for a face that
// asks for it); nothing else is ever sent. Each port is
// asked at the chosen line, and where nothing answers there, at each other offered baud rate
// (parity, data and stop bits as chosen). A port that does not open (held by another program,
// missing) is left alone.
class PrinterProbe : public QObject
{
    Q_OBJECT
public:
    struct Found {
        QString port, device;
        QString line; // as the window's lists offer it: "57600,N,8,1"
        QString model;
        QString release; // when asked for; empty when the printer gave none
    };
    // How a search ended: the printers that answered, and the ports asked that gave no model's
    // answer at any rate, in the order given.
    struct Report {
        QList<Found> found;
        QStringList silent;
    };
    using PortMaker = std::function<std::unique_ptr<SerialControl>()>;

    PrinterProbe(Clock& clock, PortMaker makePort, QObject* parent = nullptr);
    ~PrinterProbe() override;

    // The lines a port is asked at, in order: the chosen one first.
    static QStringList linesFor(const QString& chosen);
    // A reply to the model query that has a model's shape: a short line of text to its CR.
    static constexpr qsizetype kMaxModel = 64;
    static bool isModelAnswer(const QByteArray& reply);
    void start(const QStringList& ports, const QString& chosenLine);
    // The searches from now on also ask each printer found for its release.
    void setAskRelease(bool ask) { m_askRelease = ask; }
    // Every port closed; nothing more is asked or said.
    void cancel();
    bool running() const { return m_running > 0; }
    // What the search has found so far (all of it, once finished() has come).
    Report report() const;

signals:
    void answered(const PrinterProbe::Found& found);
    void finished(const PrinterProbe::Report& report);

private:
    struct Asker;
    Task<> ask(Asker& asker, QStringList lines);

    Clock& m_clock;
    PortMaker m_makePort;
    std::vector<std::unique_ptr<Asker>> m_askers;
    QList<Found> m_found;
    QStringList m_asked;
    int m_running = 0;
    bool m_askRelease = false;
};

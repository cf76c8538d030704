#pragma once

#include "core/link/line_settings.h"
#include "core/platform/cause.h"

#include <QByteArray>

#include <functional>

class ParallelPort;
class SerialControl;

// Where a download's bytes go, a serial port or the parallel device, behind one interface.
class DownloadLink
{
public:
    virtual ~DownloadLink() = default;
    virtual QString name() const = 0; // "COM3", "LPT1"
    virtual QString device() const = 0;
    // Opens the link unless it is open; no cause when it is open afterwards.
    virtual Failure open() = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // Writes what the link takes now, never waiting: the bytes taken, 0 while it takes nothing,
    // -1 on a failure that `failure` names.
    virtual qint64 write(const char* data, qint64 size, Failure* failure) = 0;
    // Bytes written that the line has not taken yet; 0 where the link tells nothing of its queue.
    virtual qint64 pending() const = 0;
    // The rate at which the line takes bytes, bytes per second; 0 where it is not known.
    virtual double rate() const = 0;
    // How long the link may take nothing before it counts as stalled.
    virtual double stallSeconds() const = 0;
    // At its end, the link can say the bytes were on the line.
    virtual bool confirmsLine() const = 0;
    // Closing drops what is still queued: the link stays open through the end wait.
    virtual bool dropsQueueOnClose() const = 0;
    // The printer takes a header as a job of its own: the link is closed after it and opened again.
    virtual bool reopensAfterHeader() const = 0;
    // While held, the device stays the download's across its closings.
    virtual void hold(bool on) = 0;
};

// The download's serial control, opened with the link chosen at each opening.
class SerialLink : public DownloadLink
{
public:
    SerialLink(SerialControl& port, std::function<LinkChoice()> choice) : m_port(port), m_choice(std::move(choice)) {}
    // At least 10 s, and the time 8 KiB take at the line rate, since drivers and pseudo-terminals
    // report their queue in steps of up to a few kilobytes.
    static double stallSecondsAt(const LineSettings& line);

    QString name() const override;
    QString device() const override;
    Failure open() override;
    bool isOpen() const override;
    void close() override;
    qint64 write(const char* data, qint64 size, Failure* failure) override;
    qint64 pending() const override;
    double rate() const override;
    double stallSeconds() const override;
    bool confirmsLine() const override;
    bool dropsQueueOnClose() const override { return true; }
    bool reopensAfterHeader() const override { return false; }
    void hold(bool on) override;

private:
    SerialControl& m_port;
    std::function<LinkChoice()> m_choice;
};

// The parallel port "LPT1", opened where the link chosen at each opening leads.
class ParallelLink : public DownloadLink
{
public:
    ParallelLink(ParallelPort& port, std::function<LinkChoice()> choice) : m_port(port), m_choice(std::move(choice)) {}

    QString name() const override;
    QString device() const override;
    Failure open() override;
    bool isOpen() const override;
    void close() override;
    qint64 write(const char* data, qint64 size, Failure* failure) override;
    qint64 pending() const override { return 0; }
    double rate() const override { return 0; }
    double stallSeconds() const override;
    bool confirmsLine() const override { return true; }
    bool dropsQueueOnClose() const override { return false; }
    bool reopensAfterHeader() const override { return true; }
    void hold(bool on) override;

private:
    ParallelPort& m_port;
    std::function<LinkChoice()> m_choice;
};

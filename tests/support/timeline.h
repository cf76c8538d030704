#pragma once

#include <QList>
#include <QString>

class Clock;

// What a test saw happen, in order, on the clock: "open1 4800,N,8,1@0 ?Z4&100$@0 64x2@8.02+0.02 close@33.04".
// Short printable writes read as they are (cat -A style: ^M for CR, $ for LF); other writes by size, and runs
// of equal writes at an equal cadence collapse into size x count @ first + step.
class Timeline
{
public:
    explicit Timeline(Clock& clock) : m_clock(clock) {}
    void add(const QString& what) { m_events.append({now(), what, -1}); }
    void write(const QByteArray& data);
    QString summary() const;

private:
    struct Event {
        double time;
        QString text;
        qsizetype size; // a write shown by size; -1 otherwise
    };
    double now() const;
    Clock& m_clock;
    QList<Event> m_events;
};

QString timeText(double seconds);

#pragma once

#include "core/platform/messages.h"
#include "tests/support/timeline.h"

#include <QList>
#include <QStringList>

class Clock;

class MessageRecorder : public MessageBoxes
{
public:
    struct Shown {
        QString text;
        QString title;
        MessageIcon icon;
        double time;
    };
    explicit MessageRecorder(Clock& clock) : m_clock(clock) {}
    void show(const QString& text, const QString& title, MessageIcon icon) override;

    QList<Shown> shown;
    Timeline* timeline = nullptr; // told "<icon letter>:<title>"

private:
    Clock& m_clock;
};

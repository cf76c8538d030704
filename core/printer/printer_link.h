#pragma once

#include <QByteArray>
#include <QObject>

#include <optional>

#include "core/platform/task.h"

class Clock;
class SerialControl;

// The conversation with the printer over one serial control. Every block the control receives
// is appended to the reply buffer; a reply is what has arrived by the end of the 0.4-second
// wait after a command. Characters that come later stay in the buffer until the next command
// empties it.
class PrinterLink : public QObject
{
    Q_OBJECT
public:
    static constexpr double kReplyWait = 0.4;
    // What is kept of one reply, as much as a text box shows; the rest of a flood is dropped.
    static constexpr qsizetype kMaxReply = 32768;

    PrinterLink(SerialControl& port, Clock& clock, QObject* parent = nullptr);

    SerialControl& port() { return m_port; }
    // Empties the buffer, sends the command (queries end with CR LF, the handshake has no
    // terminator) and waits for the reply; empty when none came.
    Task<QByteArray> ask(QByteArray command);
    // A query's reply as shown: without its last character.
    static QByteArray shown(const QByteArray& reply) { return reply.chopped(qMin<qsizetype>(1, reply.size())); }
    // What a reply reports, read up to its terminator (CR or LF), blanks trimmed: what a decision
    // rests on. Nothing for a reply of one character or less (a lone CR, a NAK), one with no text
    // before its terminator, or one whose terminator did not come within the wait (cut short).
    static std::optional<QByteArray> reported(const QByteArray& reply);

private:
    QByteArray m_replies; // what arrived since the last command was sent
    SerialControl& m_port;
    Clock& m_clock;
};

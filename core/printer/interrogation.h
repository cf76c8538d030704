#pragma once

#include "core/link/line_settings.h"
#include "core/platform/cause.h"
#include "core/printer/printer_link.h"

#include <QObject>
#include <QStringList>

#include <functional>

class Clock;
class MessageBoxes;
class SerialControl;

// One interrogation of the printer: the handshake, then its model, firmware release and
// flash data, each asked with its own query.
class Interrogation : public QObject
{
    Q_OBJECT
public:
    enum Query { Model, Release, Flash };
    static inline const QByteArray kNoReply = QByteArrayLiteral("??????");
    // What a run found: the replies as shown, in query order (fewer when the program ended
    // during it), or why it could not ask.
    struct Answers {
        Failure failure;
        QStringList replies;
        bool complete() const { return !failure && replies.size() == 3; }
    };

    Interrogation(SerialControl& port, Clock& clock, MessageBoxes& messages, std::function<int()> languageBase,
                  QObject* parent = nullptr);

    // Opens the link's port, asks, and closes it; why it could not ask, if so. A call while a
    // run is under way is ignored.
    Answers run(const LinkChoice& link);
    // From the opening of the port to the end of the run.
    bool testRunning() const { return m_testRunning; }
    bool inRun() const { return m_inRun; }
    SerialControl& port() { return m_printer.port(); }

signals:
    // The reply to one query as shown: without its last character, "??????" when none came.
    void reply(Interrogation::Query query, const QString& text);

private:
    Failure ask(QStringList& replies);
    QString text(int n) const;

    PrinterLink m_printer;
    MessageBoxes& m_messages;
    std::function<int()> m_languageBase;
    bool m_testRunning = false;
    bool m_inRun = false;
};

#pragma once

#include <functional>

#include "core/platform/clock.h"
#include "texts/messages.h"

#include <QList>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <cmath>

inline QString timeText(double seconds)
{
    return QString::number(std::round(seconds * 1000) / 1000, 'g', 12);
}

// What a test saw happen, in order, on the clock: "open1 4800,N,8,1@0 ?Z4&100$@0 64x2@8.02+0.02 close@33.04".
// Short printable writes read as they are (cat -A style: ^M for CR, $ for LF); other writes by size, and runs
// of equal writes at an equal cadence collapse into size x count @ first + step.
//
// The timeline language, every token WHAT@SECONDS (virtual time):
//   openN 9600,N,8,1   the fake port COMn opened with that line      refusedN   its opening refused
//   close              the port closed (queued bytes dropped)         hangup     the other side went away
//   ?Z4&100$           a short write as written                       64x5@8.02+0.02  five 64-byte writes, 0.02 s apart
//   pad                the pad byte (a space) that makes a firmware image even
//   [checksum] [sending] [endwait]   the progress dialog's status as shown; paint: the dialog drawn at once
//   ~wait8 ~send0 ~pause2 ~drain0 ~parts25 ~end25   a phase and the seconds it waits
//   =done =file =port =failed =aborted   how the download ended      rejected   the path left the file box
//   C:Title I:Title    a critical or an information message with its title
// tst_download folds the usual stretches once its driver has checked their times: dlg ([sending] and paint),
// open (open1 4800,N,8,1), FAIL (C:Velmora and =failed), END (the end status, 25 s, close, the end message,
// =done), and lpt:HEADER+N for what reached the LPT1 file.
class Timeline
{
public:
    explicit Timeline(Clock& clock) : m_clock(clock) {}
    void add(const QString& what) { m_events.append({m_clock.now(), what, -1}); }
    void write(const QByteArray& data)
    {
        if (data.size() > 16 || std::any_of(data.begin(), data.end(),
                                            [](char c) { return (c < 0x20 || c > 0x7e) && c != '\r' && c != '\n'; }))
            return m_events.append({m_clock.now(), {}, data.size()});
        add(data == " " ? QStringLiteral("pad") : QString::fromLatin1(data).replace('\r', "^M").replace('\n', "$"));
    }
    QString summary() const
    {
        QStringList out;
        for (qsizetype i = 0, n = 1; i < m_events.size(); i += n, n = 1) {
            const Event& e = m_events[i];
            const double step = i + 1 < m_events.size() ? m_events[i + 1].time - e.time : 0;
            while (e.size >= 0 && i + n < m_events.size() && m_events[i + n].size == e.size &&
                   std::abs(m_events[i + n].time - m_events[i + n - 1].time - step) < 1e-6)
                ++n;
            const QString what =
                e.size < 0 ? e.text : QString::number(e.size) + (n > 1 ? 'x' + QString::number(n) : "");
            out << what + '@' + timeText(e.time) + (n > 1 ? '+' + timeText(step) : "");
        }
        return out.join(' ');
    }

private:
    struct Event {
        double time;
        QString text;
        qsizetype size; // a write shown by size; -1 otherwise
    };
    Clock& m_clock;
    QList<Event> m_events;
};

// Messages as shown, with their time; told to a timeline as "<C|I>:<title>".
class MessageRecorder : public MessageBoxes
{
public:
    struct Shown {
        QString text;
        QString title;
        MessageIcon icon;
        double time;
        QString detail;
        QString informative;
        QString context; // what `context` said when it was shown
    };
    std::function<QString()> context; // what else is in sight, asked at each message
    explicit MessageRecorder(Clock& clock) : m_clock(clock) {}
    using MessageBoxes::show;
    void show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
              const QString& informative) override
    {
        shown.append(Shown{text, title, icon, m_clock.now(), detail, informative, context ? context() : QString()});
        if (timeline)
            timeline->add(QStringLiteral("%1:%2").arg(QChar("CI"[int(icon)]), title));
    }
    // Every message as "text / title", with " / informative" and " / detail" when it has them, joined by '|'.
    QString said() const
    {
        QStringList out;
        for (const auto& s : shown)
            out << s.text + " / " + s.title + (s.informative.isEmpty() ? "" : " / " + s.informative) +
                       (s.detail.isEmpty() ? "" : " / " + s.detail);
        return out.join('|');
    }

    QList<Shown> shown;
    Timeline* timeline = nullptr;

private:
    Clock& m_clock;
};

// Whether two timelines are the same; when not, the test fails with the first differing token among
// its neighbours, one token a line, and then both timelines whole.
inline bool sameTimeline(const QString& got, const QString& want, const char* file, int line)
{
    if (got == want)
        return true;
    const QStringList g = got.split(' ', Qt::SkipEmptyParts), w = want.split(' ', Qt::SkipEmptyParts);
    qsizetype at = 0;
    while (at < g.size() && at < w.size() && g[at] == w[at])
        ++at;
    QString text =
        QStringLiteral("timelines differ at token %1\n      %2 %3\n").arg(at + 1).arg("want", -24).arg("got");
    for (qsizetype i = qMax<qsizetype>(0, at - 3); i < qMax(g.size(), w.size()) && i <= at + 3; ++i)
        text += QStringLiteral("%1 %2 %3 %4\n")
                    .arg(i == at ? ">" : " ")
                    .arg(i + 1, 4)
                    .arg(w.value(i, "(end)"), -24)
                    .arg(g.value(i, "(end)"));
    QTest::qFail(qPrintable(text + "want: " + want + "\ngot:  " + got), file, line);
    return false;
}
#define COMPARE_TIMELINE(got, want)                                                                                    \
    do {                                                                                                               \
        if (!sameTimeline((got), (want), __FILE__, __LINE__))                                                          \
            return;                                                                                                    \
    } while (false)

#include "tests/support/recorders.h"

#include "core/platform/clock.h"

void MessageRecorder::show(const QString& text, const QString& title, MessageIcon icon)
{
    shown.append(Shown{text, title, icon, m_clock.now()});
    if (timeline)
        timeline->add(QStringLiteral("%1:%2").arg(QChar("CI"[int(icon)])).arg(title));
}

#include "tests/support/recorders.h"

#include "core/platform/clock.h"

void MessageRecorder::show(const QString& text, const QString& title, MessageIcon icon)
{
    shown.append(Shown{text, title, icon, m_clock.now()});
}

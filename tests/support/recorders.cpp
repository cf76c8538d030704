#include "tests/support/recorders.h"

#include "core/platform/clock.h"

#include <QEvent>
#include <QWidget>

void MessageRecorder::show(const QString& text, const QString& title, MessageIcon icon)
{
    shown.append(Shown{text, title, icon, m_clock.now()});
}

QString ScriptedFileDialog::getOpenFileName(QWidget*, const QString& title, const QString& initialDir,
                                            const QString& filter)
{
    calls.append(Call{title, initialDir, filter});
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

PaintRecorder::PaintRecorder(QWidget* widget)
{
    widget->installEventFilter(this);
}

bool PaintRecorder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        painted << watched->property("text").toString();
    return false;
}

#pragma once

#include "app/file_dialog.h"
#include "core/platform/messages.h"

#include <QList>
#include <QObject>
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

private:
    Clock& m_clock;
};

class ScriptedFileDialog : public FileDialog
{
public:
    struct Call {
        QString title;
        QString initialDir;
        QString filter;
    };
    QString getOpenFileName(QWidget* parent, const QString& title, const QString& initialDir,
                            const QString& filter) override;

    QStringList answers; // taken in order; none left = cancelled
    QList<Call> calls;
};

// The texts a label or a button showed each time it was really painted.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget* widget);
    bool eventFilter(QObject* watched, QEvent* event) override;

    QStringList painted;
};

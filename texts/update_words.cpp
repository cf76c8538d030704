#include "texts/update_words.h"

#include "texts/cause_words.h"
#include "texts/download_messages.h"
#include "texts/record_words.h"

#include <QCoreApplication>

namespace {
QString say(const char* text)
{
    return QCoreApplication::translate("Update", text);
}
} // namespace

QString updateStateWords(const PrinterUpdate& p, const QString& release, const QString& loading)
{
    using State = PrinterUpdate::State;
    switch (p.state) {
    case State::Asking:
        return say(QT_TRANSLATE_NOOP("Update", "asking"));
    case State::NoAnswer: // the cause says it: "the printer does not answer"
    case State::PortRefused:
        return causeWords(p.cause);
    case State::Skipped:
        return p.downgrade ? say(QT_TRANSLATE_NOOP("Update", "downgrade refused: the file's release is older than "
                                                             "the printer's"))
                           : say(QT_TRANSLATE_NOOP("Update", "already at the release: skipped"));
    case State::Loading: {
        // The plan first: a downgrade is said as long as it loads.
        const QString plan =
            p.downgrade ? say(QT_TRANSLATE_NOOP("Update", "downgrade to %1: ")).arg(escapeControls(release)) : QString();
        if (p.interrupted && p.load)
            return plan +
                   say(QT_TRANSLATE_NOOP("Update", "interrupted after %1 of %2 bytes; nothing more was sent"))
                       .arg(QString::number(p.load->sent), QString::number(p.load->fileSize)) +
                   (p.load->midImage
                        ? say(QT_TRANSLATE_NOOP("Update", "; the printer holds part of an image: switch it off and on"))
                        : QString());
        return plan + (loading.isEmpty() ? say(QT_TRANSLATE_NOOP("Update", "loading")) : loading);
    }
    case State::LoadFailed:
        // The cause when the load had one, else how it ended ("aborted").
        return say(QT_TRANSLATE_NOOP("Update", "load failed: %1"))
            .arg(p.cause != Cause::None ? causeWords(p.cause) : outcomeWords(p.error));
    case State::Verifying:
        return say(QT_TRANSLATE_NOOP("Update", "switch it off and on; waiting for its release"));
    case State::Verified:
        return p.downgrade ? say(QT_TRANSLATE_NOOP("Update", "verified (downgrade)"))
                           : say(QT_TRANSLATE_NOOP("Update", "verified"));
    case State::NotVerified:
        return say(QT_TRANSLATE_NOOP("Update", "NOT verified"));
    }
    return {};
}

QString updateStateWords(UpdateJob& job, int i, const QString& phase)
{
    const PrinterUpdate& p = job.printer(i);
    const QString status = p.state == PrinterUpdate::State::Loading ? statusText(job.watch(i).status()) : QString();
    return updateStateWords(p, job.choices().release, status.isEmpty() ? phase : status);
}

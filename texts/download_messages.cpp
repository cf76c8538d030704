#include "texts/download_messages.h"

#include "texts/cause_words.h"
#include "texts/printer_messages.h"
#include "texts/messages.h"
#include "texts/string_table.h"

#include <QCoreApplication>

#include <cmath>

namespace {
const QString kEmptyFile = QStringLiteral("File vuoto o inesistente !!");

// The cause in a few words, then the reopening's own cause and the system's words.
QString why(const DownloadNotice& n)
{
    QString words = causeWords(n.failure.cause);
    if (n.refusedBy != Cause::None)
        words += QStringLiteral(": ") + causeWords(n.refusedBy);
    if (n.failure.cause == Cause::LinkStalled && n.bytes > 0)
        words += QStringLiteral(": ") + stalledText(n.bytes);
    if (!n.failure.system.isEmpty())
        words += QStringLiteral(": ") + n.failure.system;
    return words;
}
} // namespace

void tellDownload(MessageBoxes& messages, int base, const DownloadNotice& n)
{
    using Kind = DownloadNotice::Kind;
    const Failure& f = n.failure;
    const QString& path = f.subject;
    // A printer left mid-image waits for the rest: said beside every message of such a stop.
    // On a line that shows no queue only what was written is known: said so, not as what the printer took.
    const QString midImage =
        !n.midImage ? QString()
        : n.lineConfirmed
            ? ownText(Msg::MidImage).arg(QString::number(n.taken), QString::number(n.announced))
            : ownText(Msg::MidImageUnconfirmed).arg(QString::number(n.sent), QString::number(n.announced));
    const auto critical = [&](const QString& text, const QString& title, const QString& detail = {}) {
        messages.show(text, title, MessageIcon::Critical, detail, midImage);
    };
    switch (n.kind) {
    case Kind::FileRefused:
        switch (f.cause) {
        case Cause::FileNotRegular:
            return critical(ownText(Msg::FileNotRegular).arg(path, kindWords(path)), kAppTitle);
        case Cause::FileUnreadable:
            return critical(ownText(Msg::FileOpenFailed).arg(path, f.system), kAppTitle);
        case Cause::FileTooBig:
            return critical(ownText(Msg::FileTooLarge).arg(path, QString::number(n.bytes)), kAppTitle);
        default: // missing or empty: which, in sight
            return messages.showFailure(kEmptyFile, kAppTitle, QString(), failureCause(f), f);
        }
    case Kind::FontsTooBig:
        return critical(tableText(base, Text::FileTooBig), QString());
    case Kind::FileReadFailed:
        return critical(
            ownText(Msg::FileReadFailed).arg(path, f.system.isEmpty() ? ownText(Msg::FileShorter) : f.system),
            kAppTitle);
    case Kind::FileChanged:
        return critical(ownText(Msg::FileChanged).arg(path), kAppTitle);
    case Kind::PortRefused:
        if (!isParallelPort(f.subject))
            return tellPortRefused(messages, base, f);
        return critical(ownText(Msg::ParallelOpenFailed).arg(QStringLiteral("LPT1 (%1)").arg(f.device), why(n)),
                        tableText(base, Text::Port));
    case Kind::LinkFailed: {
        const QString where = f.device.isEmpty() || f.device == f.subject
                                  ? f.subject
                                  : QStringLiteral("%1 (%2)").arg(f.subject, f.device);
        if (f.cause == Cause::LinkWriteFailed)
            return critical(
                ownText(Msg::LinkWriteFailed).arg(where, f.system.isEmpty() ? ownText(Msg::PortClosed) : f.system),
                kAppTitle);
        return critical(ownText(Msg::LinkFailed).arg(where, why(n)), kAppTitle);
    }
    case Kind::Aborted:
        return messages.show(tableText(base, Text::SwitchPrinterOffOn), kAppTitle, MessageIcon::Information, QString(),
                             midImage);
    case Kind::Ended:
        messages.show(tableText(base, Text::SwitchPrinterOffOn), tableText(base, Text::DownloadEnded),
                      MessageIcon::Information, QString(), n.lineConfirmed ? QString() : ownText(Msg::LineUnconfirmed));
        return;
    }
}

QString clockText(double seconds)
{
    const qint64 s = qint64(std::ceil(qMax(0.0, seconds)));
    const QString ms = QStringLiteral("%1:%2").arg(s / 60 % 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    return s >= 3600 ? QStringLiteral("%1:%2").arg(s / 3600).arg(ms, 5, QLatin1Char('0')) : ms;
}

QString statusText(const DownloadStatus& s)
{
    if (s.secondsLeft < 0)
        return {};
    const QString left = QCoreApplication::translate("Download", "%1 left").arg(clockText(s.secondsLeft));
    if (s.timedWait) {
        const QString wait = clockText(s.waitLeft);
        switch (s.phase) {
        case DownloadPhase::PrinterWait:
            return QCoreApplication::translate("Download", "Printer wait %1 · %2").arg(wait, left);
        case DownloadPhase::Pause:
            return QCoreApplication::translate("Download", "Pause %1 · %2").arg(wait, left);
        case DownloadPhase::BetweenParts:
            return QCoreApplication::translate("Download", "Between parts %1 · %2").arg(wait, left);
        case DownloadPhase::EndWait:
            return QCoreApplication::translate("Download", "End wait %1").arg(wait);
        default:
            break;
        }
    }
    return QStringLiteral("%1/%2 B \u00b7 %3 B/s \u00b7 %4")
        .arg(QString::number(s.taken), QString::number(s.total), QString::number(qRound(s.rate)), left);
}

#include "texts/cause_words.h"

#include "core/link/device_access.h"

#include <QCoreApplication>

namespace {

struct CauseEntry {
    Cause cause;
    const char* words; // English, translated as "Cause"
};

const CauseEntry kCauses[] = {
    {Cause::None, ""},
    {Cause::FileMissing, QT_TRANSLATE_NOOP("Cause", "the file does not exist")},
    {Cause::FileEmpty, QT_TRANSLATE_NOOP("Cause", "the file is empty")},
    {Cause::FileNotRegular, QT_TRANSLATE_NOOP("Cause", "not a regular file")},
    {Cause::FileUnreadable, QT_TRANSLATE_NOOP("Cause", "the file cannot be read")},
    {Cause::FileTooBig, QT_TRANSLATE_NOOP("Cause", "the file is too big")},
    {Cause::FileChanged, QT_TRANSLATE_NOOP("Cause", "the file changed during the download")},
    {Cause::PortUnselected, QT_TRANSLATE_NOOP("Cause", "no port or line settings selected")},
    {Cause::PortMissing, QT_TRANSLATE_NOOP("Cause", "the device does not exist")},
    {Cause::PortNoPermission, QT_TRANSLATE_NOOP("Cause", "no permission to use the device")},
    {Cause::PortBusy, QT_TRANSLATE_NOOP("Cause", "port in use by another program")},
    {Cause::PortNotSerial, QT_TRANSLATE_NOOP("Cause", "not a serial port")},
    {Cause::PortNotDevice, QT_TRANSLATE_NOOP("Cause", "not a device")},
    {Cause::PortNotPrinter, QT_TRANSLATE_NOOP("Cause", "not a printer")},
    {Cause::PortNoReader, QT_TRANSLATE_NOOP("Cause", "nothing reads from the device")},
    {Cause::PortSettingsRefused, QT_TRANSLATE_NOOP("Cause", "the device refused the line settings")},
    {Cause::PortParallel, QT_TRANSLATE_NOOP("Cause", "LPT1 is no serial port")},
    {Cause::PortConsole, QT_TRANSLATE_NOOP("Cause", "the kernel's console, not for the printer")},
    {Cause::PortOpenFailed, QT_TRANSLATE_NOOP("Cause", "the port does not open")},
    {Cause::LinkHungUp, QT_TRANSLATE_NOOP("Cause", "the printer hung up")},
    {Cause::LinkDeviceGone, QT_TRANSLATE_NOOP("Cause", "the device went away")},
    {Cause::LinkWriteFailed, QT_TRANSLATE_NOOP("Cause", "a write failed")},
    {Cause::LinkStalled, QT_TRANSLATE_NOOP("Cause", "the printer does not take the data")},
    {Cause::LinkReopenFailed, QT_TRANSLATE_NOOP("Cause", "the port did not open again")},
    {Cause::LinkDeviceChanged, QT_TRANSLATE_NOOP("Cause", "another device stands in its place now")},
    {Cause::PrinterNoAnswer, QT_TRANSLATE_NOOP("Cause", "the printer does not answer")},
};

const CauseEntry& entry(Cause cause)
{
    for (const CauseEntry& e : kCauses)
        if (e.cause == cause)
            return e;
    return kCauses[0];
}

} // namespace

QString causeWordsOfId(const QString& id)
{
    const std::optional<Cause> cause = causeOfId(id);
    return cause ? causeWords(*cause) : id;
}

QString causeWords(Cause cause)
{
    const CauseEntry& e = entry(cause);
    return *e.words ? QCoreApplication::translate("Cause", e.words) : QString();
}

namespace {
QString withPlace(const Failure& failure, const QString& words)
{
    QString where = failure.subject;
    if (!failure.device.isEmpty() && failure.device != failure.subject)
        where += QStringLiteral(" (") + failure.device + QLatin1Char(')');
    return where.isEmpty() ? words : where + QStringLiteral(": ") + words;
}
} // namespace

QString failureCause(const Failure& failure)
{
    return withPlace(failure, causeWords(failure.cause));
}

QString failureDetail(const Failure& failure)
{
    QString detail = causeWords(failure.cause);
    if (!failure.system.isEmpty())
        detail += QStringLiteral(" (") + failure.system + QLatin1Char(')');
    return withPlace(failure, detail);
}

QString kindWords(const QString& path)
{
    static const char* const words[] = {
        QT_TRANSLATE_NOOP("Cause", "a folder"), QT_TRANSLATE_NOOP("Cause", "a plain file"),
        QT_TRANSLATE_NOOP("Cause", "a FIFO"),   QT_TRANSLATE_NOOP("Cause", "a socket"),
        QT_TRANSLATE_NOOP("Cause", "a device"), QT_TRANSLATE_NOOP("Cause", "not a file")};
    return QCoreApplication::translate("Cause", words[int(device_access::kindAt(path))]);
}

QString escapeControls(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // C0, DEL, C1, and the bidirectional controls that make a name read other than it is.
        // Also the invisible ones (zero-width space, joiners, the byte-order mark) and the line and
        // paragraph separators, which break a line where none is seen.
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x061c || (u >= 0x200b && u <= 0x200f) ||
            u == 0x2028 || u == 0x2029 || (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069) ||
            u == 0xfeff)
            out += u < 0x100 ? QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'))
                             : QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

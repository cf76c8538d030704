#include "texts/cause_words.h"

#include "core/link/device_access.h"
#include "texts/string_table.h"

namespace {

struct CauseEntry {
    Cause cause;
    const char* id;
    const char* italian;
    const char* english;
};

const CauseEntry kCauses[] = {
    {Cause::None, "", "", ""},
    {Cause::FileMissing, "file-missing", "il file non esiste", "the file does not exist"},
    {Cause::FileEmpty, "file-empty", "il file è vuoto", "the file is empty"},
    {Cause::FileNotRegular, "file-not-regular", "non è un file normale", "not a regular file"},
    {Cause::FileUnreadable, "file-unreadable", "il file non si può leggere", "the file cannot be read"},
    {Cause::FileTooBig, "file-too-big", "il file è troppo grande", "the file is too big"},
    {Cause::FileChanged, "file-changed", "il file è cambiato durante il download",
     "the file changed during the download"},
    {Cause::PortUnselected, "port-unselected", "porta o parametri non selezionati",
     "no port or line settings selected"},
    {Cause::PortMissing, "port-missing", "il dispositivo non esiste", "the device does not exist"},
    {Cause::PortNoPermission, "port-no-permission", "nessun permesso di accesso al dispositivo",
     "no permission to use the device"},
    {Cause::PortBusy, "port-busy", "porta in uso da un altro programma", "port in use by another program"},
    {Cause::PortNotSerial, "port-not-serial", "non è una porta seriale", "not a serial port"},
    {Cause::PortNotDevice, "port-not-device", "non è un dispositivo", "not a device"},
    {Cause::PortNotPrinter, "port-not-printer", "non è una stampante", "not a printer"},
    {Cause::PortNoReader, "port-no-reader", "nessuno legge dal dispositivo", "nothing reads from the device"},
    {Cause::PortSettingsRefused, "port-settings-refused", "parametri di linea rifiutati dal dispositivo",
     "the device refused the line settings"},
    {Cause::PortParallel, "port-parallel", "LPT1 non è una porta seriale", "LPT1 is no serial port"},
    {Cause::PortConsole, "port-console", "è la console del kernel, non per la stampante",
     "the kernel's console, not for the printer"},
    {Cause::PortOpenFailed, "port-open-failed", "la porta non si apre", "the port does not open"},
    {Cause::LinkHungUp, "link-hung-up", "la stampante ha chiuso la linea", "the printer hung up"},
    {Cause::LinkDeviceGone, "link-device-gone", "il dispositivo è stato scollegato", "the device went away"},
    {Cause::LinkWriteFailed, "link-write-failed", "scrittura non riuscita", "a write failed"},
    {Cause::LinkStalled, "link-stalled", "la stampante non accetta i dati", "the printer does not take the data"},
    {Cause::LinkReopenFailed, "link-reopen-failed", "la porta non si è riaperta", "the port did not open again"},
    {Cause::LinkDeviceChanged, "link-device-changed", "al suo posto c'è ora un altro dispositivo",
     "another device stands in its place now"},
    {Cause::PrinterNoAnswer, "printer-no-answer", "la stampante non risponde", "the printer does not answer"},
};

const CauseEntry& entry(Cause cause)
{
    for (const CauseEntry& e : kCauses)
        if (e.cause == cause)
            return e;
    return kCauses[0];
}

} // namespace

QString causeId(Cause cause)
{
    return QString::fromLatin1(entry(cause).id);
}

QString causeWords(int base, Cause cause)
{
    const CauseEntry& e = entry(cause);
    return QString::fromUtf8(base == kEnglish ? e.english : e.italian);
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

QString failureCause(int base, const Failure& failure)
{
    return withPlace(failure, causeWords(base, failure.cause));
}

QString failureDetail(int base, const Failure& failure)
{
    QString detail = causeWords(base, failure.cause);
    if (!failure.system.isEmpty())
        detail += QStringLiteral(" (") + failure.system + QLatin1Char(')');
    return withPlace(failure, detail);
}

QString kindWords(int base, const QString& path)
{
    static const char* const italian[] = {"una cartella", "un file normale", "una FIFO",
                                          "un socket",    "un dispositivo",  "non un file"};
    static const char* const english[] = {"a folder", "a plain file", "a FIFO", "a socket", "a device", "not a file"};
    const int kind = int(device_access::kindAt(path));
    return QString::fromUtf8(base == kEnglish ? english[kind] : italian[kind]);
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

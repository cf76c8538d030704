#include "texts/string_table.h"

#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"

#include <QCoreApplication>
#include <QHash>

#include <climits>

namespace {

struct Entry {
    int n;
    const char* italian;
    const char* english;
};

// Texts exactly as the program shows them; "&" marks an access key.
const Entry kEntries[] = {
    {0, "FIRMWARE", "FIRMWARE"},
    {1, "FONT STANDARD", "STANDARD FONTS"},
    {2, "FONT ESTERNI", "EXTERN FONTS"},
    {3, "Selezione BOOT", "BOOT selection"},
    {4, "Boot da SCHEDA", "from BOARD"},
    {5, "Boot da RAMCARD", "from RAMCARD"},
    {7, "Parametri di trasmissione", "Transmission parameters"},
    {8, "Porta", "Port"},
    {9, "Parità", "Parity"},
    {10, "Nessuna", "None"},
    {11, "Pari", "Even"},
    {12, "Dispari", "Odd"},
    {13, "Bit DATI", "DATA Bit"},
    {14, "Bit STOP", "STOP Bit"},
    {100, "Carica Default", "Restore Default"},
    {101, "Salva come Default", "Save as Default"},
    {102, "Fine trasmissione: attendere lampeggio...", "Transmission end: wait blinking..."},
    {103, "Download terminato.", "Download has ended"},
    {104, "Spegnere e riaccendere la stampante", "Turn printer off / on"},
    {106, "TRASMISSIONE IN CORSO...", "Downloading..."},
    {107, "Annulla", "Abort"},
    {108, "Controllo versioni firmware", "Check firmware releases"},
    {109, "Ricerca nel file BIN...", "Searching into BIN file..."},
    {110, "Impostazioni di fabbrica", "Factory settings"},
    {111, "&Test Stampante...", "Printer &Test..."},
    {112, "Interrogazioni Stampante", "Printer Interrogations"},
    {113, "Selezionare un porta COM seriale", "Please, select a COM serial port"},
    {114, "Modello:", "Model:"},
    {115, "Versione FW:", "FW Release:"},
    {116, "ATTENZIONE. La stampante selezionata non risponde", "WARNING: printer OFF-Line"},
    {117, "Sfoglia...", "Browse..."},
    {118, "File BIN:", "BIN file:"},
    {119, "FW su scheda:", "Fw on board:"},
    {120, "Controllo FW", "FW check"},
    {121, "&Lingua", "&Language"},
    {122, "File inesistente", "File does not exist"},
    {123, "ATTENZIONE! File troppo grande. Operazione annullata.",
     "WARNING! File is too big. Operation will be aborted."},
    {124, "ATTENZIONE! La porta COM è già aperta. Chiudere tutte le applicazioni e riprovare.",
     "WARNING! COM port is already open. Close all programs and try again."},
};

struct OwnEntry {
    Msg id;
    const char* text;
};

// In English, the source language; their Italian is in translations/velmora_it.ts.
const OwnEntry kOwnEntries[] = {
    {Msg::FileOpenFailed, QT_TRANSLATE_NOOP("Message", "Cannot open the file\n%1\n\n%2")},
    {Msg::FileTooLarge,
     QT_TRANSLATE_NOOP("Message", "The file\n%1\nis too big (%2 bytes): the limit is 2147483647 bytes.")},
    {Msg::FileReadFailed, QT_TRANSLATE_NOOP("Message", "Error reading the file\n%1\n\n%2\n\nTransmission stopped.")},
    {Msg::LinkWriteFailed, QT_TRANSLATE_NOOP("Message", "Error writing to %1\n\n%2\n\nTransmission stopped.")},
    {Msg::ParallelOpenFailed, QT_TRANSLATE_NOOP("Message", "Cannot open the parallel port %1\n\n%2")},
    {Msg::FileShorter, QT_TRANSLATE_NOOP("Message", "the file is shorter than announced")},
    {Msg::PortClosed, QT_TRANSLATE_NOOP("Message", "the port is closed")},
    {Msg::FileNotRegular, QT_TRANSLATE_NOOP("Message", "The file\n%1\nis not a regular file: it is %2.")},
    {Msg::FileChanged,
     QT_TRANSLATE_NOOP("Message", "The file\n%1\nchanged during the download: the printer did not receive what was "
                                  "announced.\n\nThe download is not valid.")},
    {Msg::LinkFailed, QT_TRANSLATE_NOOP("Message", "The link to %1 failed\n\n%2\n\nTransmission stopped.")},
    {Msg::FileEmptyNamed, QT_TRANSLATE_NOOP("Message", "The file\n%1\nis empty.")},
    {Msg::NoRelease, QT_TRANSLATE_NOOP("Message", "The file\n%1\nholds no release (\"Release: \").")},
    {Msg::MidImage,
     QT_TRANSLATE_NOOP("Message", "The printer took %1 of the %2 bytes announced and waits for the rest: switch it off "
                                  "and on before the next download.")},
    {Msg::MidImageUnconfirmed,
     QT_TRANSLATE_NOOP("Message", "%1 of the %2 bytes announced were sent; the line does not tell how many the "
                                  "printer took, and it waits for the rest: switch it off and on before the next "
                                  "download.")},
    {Msg::StillMidImage,
     QT_TRANSLATE_NOOP("Message", "The last download on %1 left the printer holding part of an image, and it has not "
                                  "answered since: switch it off and on before this download.")},
    {Msg::NotRecorded, QT_TRANSLATE_NOOP("Message", "This job is not recorded in the service record\n%1\n\n%2")},
    {Msg::WrongKind,
     QT_TRANSLATE_NOOP("Message", "The file\n%1\nis not for %2 (*.%3): its extension is for %4. Nothing was sent.")},
    {Msg::LineUnconfirmed,
     QT_TRANSLATE_NOOP("Message", "The line gives no account of what the printer took: every byte was sent, but only "
                                  "the printer can tell whether it received them.")},
    {Msg::SettingsUnusable,
     QT_TRANSLATE_NOOP("Message", "The stored settings in\n%1\nare not used: %2.\n\nThe built-in defaults apply.")},
    {Msg::SettingsNotSaved, QT_TRANSLATE_NOOP("Message", "Cannot save the settings in\n%1\n\n%2")},
};

const QHash<int, QString>& table()
{
    static const QHash<int, QString> t = [] {
        QHash<int, QString> h;
        for (const Entry& e : kEntries) {
            h.insert(kItalian + e.n, QString::fromUtf8(e.italian));
            h.insert(kEnglish + e.n, QString::fromUtf8(e.english));
        }
        return h;
    }();
    return t;
}

} // namespace

std::optional<QString> stringEntry(int number)
{
    const auto it = table().constFind(number);
    if (it == table().constEnd())
        return std::nullopt;
    return *it;
}

QString tableText(int base, int n)
{
    const int language = (base == kEnglish) ? kEnglish : kItalian;
    if (auto s = stringEntry(language + n))
        return *s;
    return stringEntry(kItalian + n).value_or(QString());
}

QString ownText(Msg m)
{
    for (const OwnEntry& e : kOwnEntries)
        if (e.id == m)
            return QCoreApplication::translate("Message", e.text);
    return {};
}

QString operationWords(int operation)
{
    static const char* const words[] = {QT_TRANSLATE_NOOP("Message", "the firmware"),
                                        QT_TRANSLATE_NOOP("Message", "the standard fonts"),
                                        QT_TRANSLATE_NOOP("Message", "the external fonts")};
    return operation >= 0 && operation < 3 ? QCoreApplication::translate("Message", words[operation]) : QString();
}

QString stalledText(qint64 queued)
{
    const int n = queued > INT_MAX ? INT_MAX : int(queued);
    return QCoreApplication::translate("Message", "%n byte(s) still queued", nullptr, n);
}

std::optional<int> storedLanguage(SettingsStore& store)
{
    return parseWholeNumber(store.read(Setting::Language));
}

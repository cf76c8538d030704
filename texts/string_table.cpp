#include "texts/string_table.h"

#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"

#include <QHash>

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
    const char* italian;
    const char* english;
};

const OwnEntry kOwnEntries[] = {
    {Msg::FileOpenFailed, "Impossibile aprire il file\n%1\n\n%2", "Cannot open the file\n%1\n\n%2"},
    {Msg::FileTooLarge, "Il file\n%1\nè troppo grande (%2 byte): il limite è 2147483647 byte.",
     "The file\n%1\nis too big (%2 bytes): the limit is 2147483647 bytes."},
    {Msg::FileReadFailed, "Errore di lettura del file\n%1\n\n%2\n\nTrasmissione interrotta.",
     "Error reading the file\n%1\n\n%2\n\nTransmission stopped."},
    {Msg::LinkWriteFailed, "Errore di scrittura su %1\n\n%2\n\nTrasmissione interrotta.",
     "Error writing to %1\n\n%2\n\nTransmission stopped."},
    {Msg::ParallelOpenFailed, "Impossibile aprire la porta parallela %1\n\n%2",
     "Cannot open the parallel port %1\n\n%2"},
    {Msg::LineStalled, "%1 byte ancora in coda", "%1 bytes still queued"},
    {Msg::FileShorter, "il file è più corto di quanto annunciato", "the file is shorter than announced"},
    {Msg::PortClosed, "la porta è chiusa", "the port is closed"},
    {Msg::FileNotRegular, "Il file\n%1\nnon è un file normale: è %2.",
     "The file\n%1\nis not a regular file: it is %2."},
    {Msg::FileChanged,
     "Il file\n%1\nè cambiato durante il download: la stampante non ha ricevuto ciò che era stato "
     "annunciato.\n\nDownload non valido.",
     "The file\n%1\nchanged during the download: the printer did not receive what was announced.\n\nThe "
     "download is not valid."},
    {Msg::LinkFailed, "Collegamento con %1 interrotto\n\n%2\n\nTrasmissione interrotta.",
     "The link to %1 failed\n\n%2\n\nTransmission stopped."},
    {Msg::FileEmptyNamed, "Il file\n%1\nè vuoto.", "The file\n%1\nis empty."},
    {Msg::NoRelease, "Il file\n%1\nnon contiene una release (\"Release: \").",
     "The file\n%1\nholds no release (\"Release: \")."},
    {Msg::MidImage,
     "La stampante ha ricevuto %1 dei %2 byte annunciati e attende il resto: spegnerla e riaccenderla prima del "
     "prossimo download.",
     "The printer took %1 of the %2 bytes announced and waits for the rest: switch it off and on before the next "
     "download."},
    {Msg::MidImageUnconfirmed,
     "Sono stati inviati %1 dei %2 byte annunciati; la linea non dice quanti ne abbia ricevuti la stampante, che "
     "attende il resto: spegnerla e riaccenderla prima del prossimo download.",
     "%1 of the %2 bytes announced were sent; the line does not tell how many the printer took, and it waits for "
     "the rest: switch it off and on before the next download."},
    {Msg::StillMidImage,
     "L'ultimo download su %1 ha lasciato la stampante con parte di un'immagine, e da allora non ha risposto: "
     "spegnerla e riaccenderla prima di questo download.",
     "The last download on %1 left the printer holding part of an image, and it has not answered since: switch it "
     "off and on before this download."},
    {Msg::NotRecorded, "Questo lavoro non è registrato nel registro di servizio\n%1\n\n%2",
     "This job is not recorded in the service record\n%1\n\n%2"},
    {Msg::WrongKind, "Il file\n%1\nnon è un file %2 (*.%3): è un file %4. Non è stato inviato nulla.",
     "The file\n%1\nis no %2 file (*.%3): it is a %4 file. Nothing was sent."},
    {Msg::LineUnconfirmed,
     "La linea non dice quanto la stampante ha preso: tutti i byte sono stati inviati, ma solo la stampante può dire "
     "se li ha ricevuti.",
     "The line gives no account of what the printer took: every byte was sent, but only the printer can tell "
     "whether it received them."},
    {Msg::SettingsUnusable, "Le impostazioni salvate in\n%1\nnon sono usate: %2.\n\nValgono quelle predefinite.",
     "The stored settings in\n%1\nare not used: %2.\n\nThe built-in defaults apply."},
    {Msg::SettingsNotSaved, "Impossibile salvare le impostazioni in\n%1\n\n%2",
     "Cannot save the settings in\n%1\n\n%2"},
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

QString ownText(int base, Msg m)
{
    for (const OwnEntry& e : kOwnEntries)
        if (e.id == m)
            return QString::fromUtf8(base == kEnglish ? e.english : e.italian);
    return {};
}

std::optional<int> storedLanguage(SettingsStore& store)
{
    return parseWholeNumber(store.read(Setting::Language));
}

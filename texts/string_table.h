#pragma once

#include <QString>

#include <optional>

class SettingsStore;

// The numbered string table: Italian texts at 1000 + n, English at 2000 + n.
constexpr int kItalian = 1000;
constexpr int kEnglish = 2000;

// The application's title: the caption of a message that has none of its own.
inline const QString kAppTitle = QStringLiteral("Velmora");

// The numbers of the texts the code shows by name (captions set all at once keep their numbers).
namespace Text {
enum : int {
    Port = 8,
    TransmissionEnd = 102,
    DownloadEnded = 103,
    SwitchPrinterOffOn = 104,
    Downloading = 106,
    Abort = 107,
    CheckReleases = 108,
    SearchingFile = 109,
    PrinterInterrogations = 112,
    SelectSerialPort = 113,
    Model = 114,
    FirmwareRelease = 115,
    PrinterOffLine = 116,
    FileDoesNotExist = 122,
    FileTooBig = 123,
    PortInUse = 124,
};
} // namespace Text

// Entry `number`, or nothing when the table lacks it.
std::optional<QString> stringEntry(int number);

// String n of the language `base` for the windows that look texts up when they show them. A base
// other than Italian or English (a stored language written outside the program) shows the
// Italian text, so no message or dialog is ever blank or shows an unrelated entry.
QString tableText(int base, int n);

// Texts this program adds for faults the operator must be told about. They stand outside the
// numbered table, so that no stored language base reaches them through a number.
enum class Msg {
    FileOpenFailed,     // %1 path, %2 reason
    FileTooLarge,       // %1 path, %2 size
    FileReadFailed,     // %1 path, %2 reason
    LinkWriteFailed,    // %1 device, %2 reason
    ParallelOpenFailed, // %1 device, %2 reason
    FileShorter,
    PortClosed,
    FileNotRegular,   // %1 path, %2 what it is
    FileChanged,      // %1 path
    LinkFailed,       // %1 device, %2 what happened
    FileEmptyNamed,   // %1 path
    SettingsNotSaved, // %1 settings file, %2 reason
    NoRelease,        // %1 path
    SettingsUnusable, // %1 settings file, %2 what stands there
    LineUnconfirmed,
    MidImage,            // %1 bytes taken, %2 bytes announced
    MidImageUnconfirmed, // %1 bytes written, %2 announced
    StillMidImage,       // %1 port
    NotRecorded,         // %1 the record's file, %2 why
    WrongKind, // %1 path, %2 the operation chosen (operationWords), %3 its extension, %4 the operation the file's
               // extension names
};
// In the language whose translations are installed (useLanguage).
QString ownText(Msg m);
// An operation in the words of a sentence: "the external fonts".
QString operationWords(int operation);
// "3 bytes still queued".
QString stalledText(qint64 queued);

// The stored "Lingua": the base it names, kept as it stands when the table lacks it (the window
// then finds no text for it); nothing when it is no number.
std::optional<int> storedLanguage(SettingsStore& store);

#pragma once

#include "core/link/line_settings.h"

#include <QStringList>

#include <optional>

// What a download loads, where it goes, and the checksum box's value as the window holds it.
enum class Operation { None = -1, Firmware, StandardFonts, ExternalFonts };
enum class Boot { Board, RamCard };
enum class BoxValue { Unchecked, Checked, Greyed };
// How a download is paced. The Turbo box's stored and shown value is a BoxValue; a greyed box is
// normal pacing, decided here for every face.
enum class Pacing { Normal, Turbo };
inline Pacing pacingOf(BoxValue turboBox)
{
    return turboBox == BoxValue::Checked ? Pacing::Turbo : Pacing::Normal;
}

// What the operator asked for when pressing DOWNLOAD.
struct DownloadRequest {
    QString path;
    Operation operation = Operation::Firmware;
    Boot boot = Boot::Board;
    BoxValue checksum = BoxValue::Unchecked; // only Checked with the board asks for one
};

class SettingsStore;

// The stored keys of the window's choices, each decoded once: nothing where a key's text is no
// number (or truth). The window applies each to its control, which takes only what it offers.
struct StoredSettings {
    std::optional<int> port, baud, parity, dataBits, stopBits; // list items
    std::optional<int> operation;
    std::optional<bool> bootBoard;
    std::optional<int> check, turbo; // box values
    QString file;
};
StoredSettings readStoredSettings(SettingsStore& store);
// The same choices stored, each key as readStoredSettings reads it back (a list without a
// selection as -1).
void writeStoredSettings(SettingsStore& store, const StoredSettings& settings);

// The window's stored choices as DOWNLOAD would read them right after start-up: a value that
// cannot be applied leaves what start-up would leave (no selection in a list, FIRMWARE, the
// board, an unchecked box), and a checksum is never asked for with the RAM card.
struct StoredChoices {
    LinkChoice link;
    DownloadRequest request;
    BoxValue turbo = BoxValue::Unchecked;
    Pacing pacing() const { return pacingOf(turbo); }
};
StoredChoices choicesOf(const StoredSettings& stored);
StoredChoices readStoredChoices();
// The same with nothing stored: the built-in defaults.
StoredChoices builtInChoices();

// The items of the port list, as the window shows them.
extern const QStringList kPortItems;

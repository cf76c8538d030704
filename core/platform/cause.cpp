#include "core/platform/cause.h"

#include <iterator>

namespace {
// In the order of Cause: stable, for scripts and the service record.
const char* const kIds[] = {
    "",
    "file-missing",
    "file-empty",
    "file-not-regular",
    "file-unreadable",
    "file-too-big",
    "file-changed",
    "port-unselected",
    "port-missing",
    "port-no-permission",
    "port-busy",
    "port-not-serial",
    "port-not-device",
    "port-not-printer",
    "port-no-reader",
    "port-settings-refused",
    "port-parallel",
    "port-console",
    "port-open-failed",
    "link-hung-up",
    "link-device-gone",
    "link-write-failed",
    "link-stalled",
    "link-reopen-failed",
    "link-device-changed",
    "printer-no-answer",
};
static_assert(std::size(kIds) == std::size_t(Cause::PrinterNoAnswer) + 1, "an id for every cause");
} // namespace

QString causeId(Cause cause)
{
    return QString::fromLatin1(kIds[std::size_t(cause)]);
}

std::optional<Cause> causeOfId(const QString& id)
{
    for (std::size_t i = 1; i < std::size(kIds); ++i)
        if (id == QLatin1String(kIds[i]))
            return Cause(i);
    return std::nullopt;
}

Concern concernOf(Cause cause)
{
    if (cause == Cause::None)
        return Concern::None;
    if (cause <= Cause::FileChanged)
        return Concern::File;
    if (cause <= Cause::PortOpenFailed)
        return Concern::Port;
    if (cause <= Cause::LinkDeviceChanged)
        return Concern::Link;
    return Concern::Printer;
}

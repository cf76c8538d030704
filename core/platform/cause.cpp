#include "core/platform/cause.h"

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

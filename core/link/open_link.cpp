#include "core/link/open_link.h"

#include "core/link/serial_control.h"

Failure openSerialLink(const LinkChoice& link, SerialControl& port)
{
    if (port.isOpen() || link.parallel())
        return {};
    if (link.port.isEmpty() || !link.line)
        return Failure{Cause::PortUnselected, link.port, {}, {}};
    return port.open(link.port, *link.line);
}

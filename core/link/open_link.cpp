#include "core/link/open_link.h"

#include "core/link/serial_control.h"

LinkOpening OpenLink(const LinkChoice& link, SerialControl& comm)
{
    if (comm.isOpen() || link.parallel())
        return LinkOpening::Unchanged;
    comm.setPortNumber(link.portNumber());
    comm.setSettings(link.settingsText());
    if (link.portNumber() < 1 || !link.complete())
        return LinkOpening::Refused;
    return comm.open() ? LinkOpening::Opened : LinkOpening::Refused;
}

void SetLinkSettings(const LinkChoice& link, SerialControl& comm)
{
    comm.setPortNumber(link.portNumber());
    comm.setSettings(link.settingsText());
}

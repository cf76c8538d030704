#include "core/link/open_link.h"

#include "core/link/serial_control.h"

LinkOpening OpenLink(const LinkChoice& link, SerialControl& comm)
{
    if (comm.portOpen() || link.parallel())
        return LinkOpening::Unchanged;
    comm.setCommPort(link.portNumber());
    comm.setSettings(link.settingsText());
    if (link.portNumber() < 1 || !link.complete())
        return LinkOpening::Refused;
    return comm.setPortOpen(true) ? LinkOpening::Opened : LinkOpening::Refused;
}

void SetLinkSettings(const LinkChoice& link, SerialControl& comm)
{
    comm.setCommPort(link.portNumber());
    comm.setSettings(link.settingsText());
}

#include "core/link/open_link.h"

#include "core/link/serial_control.h"

void OpenLink(const LinkChoice& link, SerialControl& comm, bool& portError)
{
    if (comm.portOpen())
        return;
    if (link.parallel())
        return;
    comm.setCommPort(link.portNumber());
    comm.setSettings(link.settingsText());
    if (link.portNumber() < 1 || !link.complete()) {
        portError = true;
        return;
    }
    portError = !comm.setPortOpen(true);
}

void SetLinkSettings(const LinkChoice& link, SerialControl& comm)
{
    comm.setCommPort(link.portNumber());
    comm.setSettings(link.settingsText());
}

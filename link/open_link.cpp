#include "link/open_link.h"

#include "link/serial_control.h"

void OpenLink(const LinkBoxes& boxes, SerialControl& comm, bool& portError)
{
    if (comm.portOpen())
        return;
    if (isParallelLink(boxes))
        return;
    const int port = linkPortNumber(boxes);
    const QString settings = linkSettingsText(boxes);
    comm.setCommPort(port);
    comm.setSettings(settings);
    if (port < 1 || !linkSettingsComplete(boxes)) {
        portError = true;
        return;
    }
    portError = !comm.setPortOpen(true);
}

void SetLinkSettings(const LinkBoxes& boxes, SerialControl& comm)
{
    comm.setCommPort(linkPortNumber(boxes));
    comm.setSettings(linkSettingsText(boxes));
}

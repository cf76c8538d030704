#pragma once

#include "core/link/link_settings.h"

class SerialControl;

// Configures and opens the download link (the progress dialog's serial control). Returns at
// once, changing nothing, when that port is already open or the link is "LPT1". Otherwise
// `portError` ends true when the port could not be opened, false when it is open. A box
// without a selection counts as a failed opening: it would hand port 0 or an incomplete
// settings text to the port.
void OpenLink(const LinkChoice& link, SerialControl& comm, bool& portError);

// Only configures the main window's own serial control; never opens it.
void SetLinkSettings(const LinkChoice& link, SerialControl& comm);

#pragma once

#include "core/link/link_settings.h"

class SerialControl;

enum class LinkOpening { Unchanged, Opened, Refused };

// Configures and opens the download link (the progress dialog's serial control). Changes nothing
// when that port is already open or the link is "LPT1". A box without a selection is refused
// without trying: it would hand port 0 or an incomplete settings text to the port.
LinkOpening OpenLink(const LinkChoice& link, SerialControl& comm);

// Only configures the main window's own serial control; never opens it.
void SetLinkSettings(const LinkChoice& link, SerialControl& comm);

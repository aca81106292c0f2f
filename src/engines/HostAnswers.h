#pragma once
// What a page's host asks of it, the same questions for every engine: the host flags of
// GetHostInfo and the download-control value of the site's ambient properties. Each
// engine reads them when its page gets a site and before every top-level navigation,
// and applies them to that page alone.

#include "engines/DocHost.h"

#include <cstdint>

struct HostAnswers {
    std::uint32_t hostFlags = DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE;
    std::uint32_t downloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS;

    bool has(DLCTL flag) const { return (downloadControl & flag) != 0; }
    bool has(DOCHOSTUIFLAG flag) const { return (hostFlags & flag) != 0; }
    // Scripts do not run: no scripts, or the page is only fetched.
    bool scriptsOff() const { return has(DLCTL_NO_SCRIPTS) || has(DLCTL_DOWNLOADONLY); }
    // No request may leave for the network now.
    bool offline() const;
    bool operator==(const HostAnswers&) const = default;
};

// Asks GetHostInfo and the ambient DLCONTROL of the site. A question the site does not
// answer keeps the engine's own default for it.
HostAnswers askHost(IOleClientSite* site);

// Whether the machine has no network up, as far as the platform can tell.
bool networkUnreachable();

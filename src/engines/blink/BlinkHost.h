#pragma once
// What a Chromium page does with its host's answers. A page whose control gives it a
// client site asks the host flags and the download-control value when it is created
// and before every main-frame navigation, and applies them to itself alone: its own
// settings and its own request interceptor, never the shared profile.

#include "engines/DocHost.h"

#include <QWebEngineUrlRequestInterceptor>
#include <cstdint>

class QWebEngineSettings;

namespace Blink {

// The host's answers as the page last read them.
struct HostAnswers {
    std::uint32_t hostFlags = DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE;
    std::uint32_t downloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS;

    bool has(DLCTL flag) const { return (downloadControl & flag) != 0; }
    bool has(DOCHOSTUIFLAG flag) const { return (hostFlags & flag) != 0; }
    // Scripts do not run: no scripts, or the page is only fetched.
    bool scriptsOff() const { return has(DLCTL_NO_SCRIPTS) || has(DLCTL_DOWNLOADONLY); }
    // No request may leave for the network now.
    bool offline() const;
};

// Asks GetHostInfo and the ambient DLCONTROL of the site. A question the site does not
// answer keeps the engine's own default for it.
HostAnswers askHost(IOleClientSite* site);

// Puts the answers into a page's own settings (scripts, images, scroll bars, media,
// plugins). Where the answers ask nothing, the profile's value stands.
void applyToSettings(QWebEngineSettings* settings, const QWebEngineSettings* profile, const HostAnswers& answers);

// Whether the machine has no network up, as far as the platform can tell.
bool networkUnreachable();

// The request interceptor of one page: blocks, redirects and marks its requests as the
// host's last answers say, and lets the host translate addresses of documents.
class HostRequestInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    HostRequestInterceptor(const HostAnswers* answers, IOleClientSite* const* site, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent), answers_(answers), site_(site) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    const HostAnswers* answers_;
    IOleClientSite* const* site_;
};

}  // namespace Blink

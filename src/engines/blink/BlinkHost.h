#pragma once
// What a Chromium page does with its host's answers. A page whose control gives it a
// client site asks the host flags and the download-control value when it is created
// and before every main-frame navigation, and applies them to itself alone: its own
// settings and its own request interceptor, never the shared profile.

#include "engines/DocHost.h"
#include "engines/HostAnswers.h"

#include <QWebEngineUrlRequestInterceptor>
#include <cstdint>

class QWebEngineSettings;

namespace Blink {

// Puts the answers into a page's own settings (scripts, images, scroll bars, media,
// plugins). Where the answers ask nothing, the profile's value stands.
void applyToSettings(QWebEngineSettings* settings, const QWebEngineSettings* profile, const HostAnswers& answers);

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

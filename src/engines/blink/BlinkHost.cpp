#include "engines/blink/BlinkHost.h"

#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>

namespace Blink {

namespace {

bool isNetworkScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp") ||
           scheme == QLatin1String("ws") || scheme == QLatin1String("wss");
}

bool isDocument(QWebEngineUrlRequestInfo::ResourceType type) {
    return type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame ||
           type == QWebEngineUrlRequestInfo::ResourceTypeSubFrame;
}

// Sets what the host asks, and otherwise the profile's own value (set, not reset: a
// reset alone does not reach a page already shown).
void setOrReset(QWebEngineSettings* settings, const QWebEngineSettings* profile,
                QWebEngineSettings::WebAttribute attribute, bool ask, bool value) {
    const bool wanted = ask ? value : profile->testAttribute(attribute);
    if (settings->testAttribute(attribute) != wanted) settings->setAttribute(attribute, wanted);
}

}  // namespace

void applyToSettings(QWebEngineSettings* settings, const QWebEngineSettings* profile, const HostAnswers& a) {
    setOrReset(settings, profile, QWebEngineSettings::JavascriptEnabled, a.scriptsOff(), false);
    setOrReset(settings, profile, QWebEngineSettings::AutoLoadImages, !a.has(DLCTL_DLIMAGES), false);
    setOrReset(settings, profile, QWebEngineSettings::ShowScrollBars, a.has(DOCHOSTUIFLAG_SCROLL_NO), false);
    // Chromium cannot tell a video from a background sound: without either, media waits
    // for the user (and with neither it is not fetched at all, see the interceptor).
    setOrReset(settings, profile, QWebEngineSettings::PlaybackRequiresUserGesture,
               !a.has(DLCTL_VIDEOS) || !a.has(DLCTL_BGSOUNDS), true);
    setOrReset(settings, profile, QWebEngineSettings::PluginsEnabled,
               a.has(DLCTL_NO_JAVA) || a.has(DLCTL_NO_RUNACTIVEXCTLS) || a.has(DLCTL_NO_DLACTIVEXCTLS) ||
                   a.has(DLCTL_DOWNLOADONLY),
               false);
}

void HostRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const HostAnswers& a = *answers_;
    const auto type = info.resourceType();
    const bool network = isNetworkScheme(info.requestUrl().scheme());

    if (network && a.offline()) return info.block(true);
    if (type != QWebEngineUrlRequestInfo::ResourceTypeMainFrame && a.has(DLCTL_DOWNLOADONLY)) return info.block(true);
    if ((type == QWebEngineUrlRequestInfo::ResourceTypeImage || type == QWebEngineUrlRequestInfo::ResourceTypeFavicon) &&
        !a.has(DLCTL_DLIMAGES))
        return info.block(true);
    if (type == QWebEngineUrlRequestInfo::ResourceTypeMedia && !a.has(DLCTL_VIDEOS) && !a.has(DLCTL_BGSOUNDS))
        return info.block(true);
    if ((type == QWebEngineUrlRequestInfo::ResourceTypeSubFrame ||
         type == QWebEngineUrlRequestInfo::ResourceTypeNavigationPreloadSubFrame) &&
        a.has(DLCTL_NO_FRAMEDOWNLOAD))
        return info.block(true);
    if (type == QWebEngineUrlRequestInfo::ResourceTypeScript && a.scriptsOff()) return info.block(true);
    if ((type == QWebEngineUrlRequestInfo::ResourceTypeObject ||
         type == QWebEngineUrlRequestInfo::ResourceTypePluginResource) &&
        (a.has(DLCTL_NO_JAVA) || a.has(DLCTL_NO_RUNACTIVEXCTLS) || a.has(DLCTL_NO_DLACTIVEXCTLS)))
        return info.block(true);

    if (network && a.has(DLCTL_PRAGMA_NO_CACHE)) {
        // Chromium's cache fetches anew for a request that says no-cache.
        info.setHttpHeader("Pragma", "no-cache");
        info.setHttpHeader("Cache-Control", "no-cache");
    } else if (network && a.has(DLCTL_RESYNCHRONIZE)) {
        // ... and revalidates what it holds for one that says max-age=0.
        info.setHttpHeader("Cache-Control", "max-age=0");
    }

    if (isDocument(type) && *site_) {
        if (IDocHostUIHandler* handler = (*site_)->QueryDocHostUIHandler()) {
            const QString in = info.requestUrl().toString();
            QString out;
            if (handler->TranslateUrl(0, in, &out) == S_OK && !out.isEmpty() && out != in) {
                const QUrl translated(out);
                if (translated.isValid()) info.redirect(translated);
            }
        }
    }
}

}  // namespace Blink

#include "engines/chromium/HostRules.h"

#include <QJsonObject>

namespace HostRules {
namespace {

bool isNetworkScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp") ||
           scheme == QLatin1String("ws") || scheme == QLatin1String("wss");
}

}  // namespace

bool holdsEveryRequest(const HostAnswers& a) {
    return a.offline() || a.has(DLCTL_DOWNLOADONLY) || !a.has(DLCTL_DLIMAGES) ||
           (!a.has(DLCTL_VIDEOS) && !a.has(DLCTL_BGSOUNDS)) || a.has(DLCTL_NO_FRAMEDOWNLOAD) || a.scriptsOff() ||
           a.has(DLCTL_PRAGMA_NO_CACHE) || a.has(DLCTL_RESYNCHRONIZE);
}

QJsonArray fetchPatterns(const HostAnswers& answers) {
    QJsonObject pattern{{QStringLiteral("requestStage"), QStringLiteral("Request")}};
    // Documents are always held: BeforeNavigate2 may cancel any of them.
    if (!holdsEveryRequest(answers)) pattern.insert(QStringLiteral("resourceType"), QStringLiteral("Document"));
    return QJsonArray{pattern};
}

Decision decide(const HostAnswers& a, const QString& type, const QUrl& url, bool topDocument, bool frameDocument) {
    Decision decision;
    const bool network = isNetworkScheme(url.scheme());
    const auto block = [&] {
        decision.block = true;
        return decision;
    };
    if (network && a.offline()) return block();
    if (!topDocument && a.has(DLCTL_DOWNLOADONLY)) return block();
    if (type == QLatin1String("Image") && !a.has(DLCTL_DLIMAGES)) return block();
    if (type == QLatin1String("Media") && !a.has(DLCTL_VIDEOS) && !a.has(DLCTL_BGSOUNDS)) return block();
    if (frameDocument && a.has(DLCTL_NO_FRAMEDOWNLOAD)) return block();
    if (type == QLatin1String("Script") && a.scriptsOff()) return block();
    if (network && a.has(DLCTL_PRAGMA_NO_CACHE)) {
        // Chromium's cache fetches anew for a request that says no-cache ...
        decision.headers = {{QStringLiteral("Pragma"), QStringLiteral("no-cache")},
                            {QStringLiteral("Cache-Control"), QStringLiteral("no-cache")}};
    } else if (network && a.has(DLCTL_RESYNCHRONIZE)) {
        // ... and revalidates what it holds for one that says max-age=0.
        decision.headers = {{QStringLiteral("Cache-Control"), QStringLiteral("max-age=0")}};
    }
    return decision;
}

}  // namespace HostRules

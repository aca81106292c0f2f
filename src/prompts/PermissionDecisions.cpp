#include "prompts/PermissionDecisions.h"

#include <QUrl>

namespace {
// One site however the engine spelled its origin: "HTTPS://Host:443/" is "https://host".
std::pair<QString, int> key(const QString& site, PageFeature feature) {
    const QUrl url(site);
    QString origin = site.toLower();
    if (url.isValid() && !url.host().isEmpty())
        origin = url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                     .toString(QUrl::StripTrailingSlash)
                     .toLower();
    return {origin, static_cast<int>(feature)};
}
}  // namespace

void PermissionDecisions::decide(const QString& site, PageFeature feature, bool allowed) {
    if (site.isEmpty()) return;
    decisions_.insert(key(site, feature), allowed);
}

std::optional<bool> PermissionDecisions::decision(const QString& site, PageFeature feature) const {
    const auto it = decisions_.constFind(key(site, feature));
    if (site.isEmpty() || it == decisions_.constEnd()) return std::nullopt;
    return *it;
}

#pragma once
// What the user answered a site that asked for a feature, until the program ends; per
// site (scheme, host and port) and feature. Nothing is written anywhere.

#include "engines/PageRequests.h"

#include <QHash>
#include <QString>
#include <optional>
#include <utility>

class PermissionDecisions {
public:
    void decide(const QString& site, PageFeature feature, bool allowed);
    // Nothing when the user has not been asked yet.
    std::optional<bool> decision(const QString& site, PageFeature feature) const;

private:
    QHash<std::pair<QString, int>, bool> decisions_;
};

#pragma once
// The host's answers (HostAnswers) as the DevTools protocol can carry them out for one
// Chromium page. What the page's settings cannot say is done request by request, on the
// requests the Fetch domain holds back.

#include "engines/HostAnswers.h"

#include <QJsonArray>
#include <QString>
#include <QUrl>
#include <utility>
#include <vector>

namespace HostRules {

// What to do with one request held back.
struct Decision {
    bool block = false;
    // Headers added to the request's own (name, value).
    std::vector<std::pair<QString, QString>> headers;
};

// A request of the given Fetch resource type ("Document", "Image", "Media", "Script",
// ...). topDocument: the page's own top-level document; frameDocument: a frame's.
Decision decide(const HostAnswers& answers, const QString& resourceType, const QUrl& url, bool topDocument,
                bool frameDocument);

// Whether the answers need every request held back (true) or only documents.
bool holdsEveryRequest(const HostAnswers& answers);

// The Fetch.enable patterns for the answers.
QJsonArray fetchPatterns(const HostAnswers& answers);

}  // namespace HostRules

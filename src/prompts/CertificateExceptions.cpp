#include "prompts/CertificateExceptions.h"

namespace {
// Host names are not case-sensitive; a page may spell its host either way.
QString key(const QString& host) { return host.toLower(); }
}  // namespace

void CertificateExceptions::allow(const QString& host, CertificateError error) {
    if (host.isEmpty()) return;
    allowed_.insert({key(host), static_cast<int>(error)});
}

bool CertificateExceptions::allows(const QString& host, CertificateError error) const {
    return !host.isEmpty() && allowed_.contains({key(host), static_cast<int>(error)});
}

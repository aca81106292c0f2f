#include "engines/PageRequests.h"

#include <utility>

namespace {

// The reply is taken out before it runs: an answer may drop the last reference to the
// request, or answer it again.
template <typename Reply, typename... Args>
void settle(Reply& reply, Args&&... args) {
    if (!reply) return;
    Reply once = std::exchange(reply, nullptr);
    once(std::forward<Args>(args)...);
}

}  // namespace

AuthRequest::AuthRequest(QString host, QString realm, bool proxy, Reply reply)
    : host_(std::move(host)), realm_(std::move(realm)), proxy_(proxy), reply_(std::move(reply)) {}
AuthRequest::~AuthRequest() { cancel(); }
void AuthRequest::answer(const QString& user, const QString& password) { settle(reply_, true, user, password); }
void AuthRequest::cancel() { settle(reply_, false, QString(), QString()); }

CertificateRequest::CertificateRequest(QString host, QString url, CertificateError error, Reply reply)
    : host_(std::move(host)), url_(std::move(url)), error_(error), reply_(std::move(reply)) {}
CertificateRequest::~CertificateRequest() { refuse(); }
void CertificateRequest::proceed() { settle(reply_, true); }
void CertificateRequest::refuse() { settle(reply_, false); }

PermissionRequest::PermissionRequest(QString site, PageFeature feature, Reply reply)
    : site_(std::move(site)), feature_(feature), reply_(std::move(reply)) {}
PermissionRequest::~PermissionRequest() { deny(); }
void PermissionRequest::allow() { settle(reply_, true); }
void PermissionRequest::deny() { settle(reply_, false); }

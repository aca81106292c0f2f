// What a page of the system's Chromium asks that only the user may grant, asked in the
// program's own windows instead of Chromium's.
//
// Sign-in: the Fetch domain that holds every document back also hands over its sign-in
// challenges (Fetch.authRequired), answered with Fetch.continueWithAuth.
// Certificates: Security.setIgnoreCertificateErrors would let every host through, for
// every page. Instead each page's session takes over certificate errors
// (Security.setOverrideCertificateErrors): Chromium then holds each failing load until it
// hears Security.handleCertificateError for it, and the program lets it on only for a
// host and error the user accepted.
// Permissions: the protocol tells nobody that a page asked; ChromiumProcess refuses
// every feature for every site instead of leaving it to Chromium's own bubble.

#include "engines/chromium/ChromiumBrowser.h"
#include "engines/chromium/ChromiumProcess.h"

#include <QJsonObject>
#include <QUrl>

namespace {

CertificateError errorKind(const QString& errorType) {
    const auto is = [&](const char* name) { return errorType.endsWith(QLatin1String(name)); };
    if (is("ERR_CERT_AUTHORITY_INVALID")) return CertificateError::Untrusted;
    if (is("ERR_CERT_DATE_INVALID") || is("ERR_CERT_VALIDITY_TOO_LONG")) return CertificateError::Expired;
    if (is("ERR_CERT_COMMON_NAME_INVALID") || is("ERR_CERT_NAME_CONSTRAINT_VIOLATION") || is("ERR_CERT_NON_UNIQUE_NAME"))
        return CertificateError::NameMismatch;
    if (is("ERR_CERT_REVOKED")) return CertificateError::Revoked;
    if (is("ERR_CERT_WEAK_SIGNATURE_ALGORITHM") || is("ERR_CERT_WEAK_KEY") || is("ERR_SSL_OBSOLETE_VERSION"))
        return CertificateError::Insecure;
    return CertificateError::Other;
}

}  // namespace

void ChromiumBrowser::watchCertificates() {
    send(QStringLiteral("Security.enable"));
    send(QStringLiteral("Security.setOverrideCertificateErrors"), {{QStringLiteral("override"), true}});
}

void ChromiumBrowser::authRequired(const QJsonObject& params) {
    const QString requestId = params.value(QStringLiteral("requestId")).toString();
    const QJsonObject challenge = params.value(QStringLiteral("authChallenge")).toObject();
    const bool proxy = challenge.value(QStringLiteral("source")).toString() == QLatin1String("Proxy");
    const auto hostOf = [](const QString& address) { return QUrl(address).adjusted(QUrl::RemoveUserInfo).authority(); };
    QString host = hostOf(challenge.value(QStringLiteral("origin")).toString());
    if (host.isEmpty()) host = hostOf(params.value(QStringLiteral("request")).toObject().value(QStringLiteral("url")).toString());
    QPointer<ChromiumBrowser> self(this);
    const QString session = session_;
    events().fireSignInRequested(std::make_shared<AuthRequest>(
        host, challenge.value(QStringLiteral("realm")).toString(), proxy,
        [self, session, requestId](bool ok, const QString& user, const QString& password) {
            // A page that has since moved to another session has nothing waiting any more.
            if (!self || self->session_ != session) return;
            QJsonObject response{{QStringLiteral("response"), ok ? QStringLiteral("ProvideCredentials") : QStringLiteral("CancelAuth")}};
            if (ok) {
                response.insert(QStringLiteral("username"), user);
                response.insert(QStringLiteral("password"), password);
            }
            self->send(QStringLiteral("Fetch.continueWithAuth"),
                       {{QStringLiteral("requestId"), requestId}, {QStringLiteral("authChallengeResponse"), response}});
        }));
}

void ChromiumBrowser::certificateError(const QJsonObject& params) {
    const int eventId = params.value(QStringLiteral("eventId")).toInt();
    const QString url = params.value(QStringLiteral("requestURL")).toString();
    QPointer<ChromiumBrowser> self(this);
    const QString session = session_;
    events().fireCertificateFailed(std::make_shared<CertificateRequest>(
        QUrl(url).host(), url, errorKind(params.value(QStringLiteral("errorType")).toString()),
        [self, session, eventId](bool proceed) {
            if (!self || self->session_ != session) return;
            self->send(QStringLiteral("Security.handleCertificateError"),
                       {{QStringLiteral("eventId"), eventId},
                        {QStringLiteral("action"), proceed ? QStringLiteral("continue") : QStringLiteral("cancel")}});
        }));
}

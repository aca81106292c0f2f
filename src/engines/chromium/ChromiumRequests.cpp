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
// Permissions: the protocol tells nobody that a page asked. ChromiumProcess refuses every
// feature for every site, so that Chromium's own bubble never shows; the page script
// holds a page's request and reports it, and once the user has answered, the site gets
// the answer (Browser.setPermission) and the request goes on to meet it. Only what the
// script can hold is asked (the position once, the camera and microphone, notifications);
// anything else stays refused.

#include "engines/chromium/ChromiumBrowser.h"
#include "engines/chromium/ChromiumProcess.h"

#include <QHash>
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

void ChromiumBrowser::permissionAsked(const QString& feature) {
    static const QHash<QString, std::pair<PageFeature, QStringList>> features = {
        {QStringLiteral("geolocation"), {PageFeature::Geolocation, {QStringLiteral("geolocation")}}},
        {QStringLiteral("notifications"), {PageFeature::Notifications, {QStringLiteral("notifications")}}},
        {QStringLiteral("camera"), {PageFeature::Camera, {QStringLiteral("camera")}}},
        {QStringLiteral("microphone"), {PageFeature::Microphone, {QStringLiteral("microphone")}}},
        {QStringLiteral("camera+microphone"),
         {PageFeature::CameraAndMicrophone, {QStringLiteral("camera"), QStringLiteral("microphone")}}},
    };
    const auto known = features.constFind(feature);
    if (known == features.constEnd()) return;   // the script sends no other; a page posing as it gets nothing
    const QUrl page(location_);
    const QString site = page.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                             .toString(QUrl::StripTrailingSlash);
    if (page.host().isEmpty()) return;
    QPointer<ChromiumBrowser> self(this);
    const QString session = session_;
    const QStringList names = known->second;
    events().firePermissionRequested(std::make_shared<PermissionRequest>(site, known->first, [self, session, site, names, feature](bool allow) {
        if (!self || self->session_ != session) return;
        for (const QString& name : names)
            ChromiumProcess::instance().sendBrowser(
                QStringLiteral("Browser.setPermission"),
                {{QStringLiteral("permission"), QJsonObject{{QStringLiteral("name"), name}}},
                 {QStringLiteral("setting"), allow ? QStringLiteral("granted") : QStringLiteral("denied")},
                 {QStringLiteral("origin"), site}},
                [self, session, feature, last = name == names.last()](const DevTools::Reply&) {
                    // The page's request goes on once the browser knows the answer.
                    if (!last || !self || self->session_ != session) return;
                    const QString resume = QStringLiteral("%1_answered").arg(ChromiumProcess::instance().bindingName());
                    self->send(QStringLiteral("Runtime.evaluate"),
                               {{QStringLiteral("expression"),
                                 QStringLiteral("globalThis['%1'] && globalThis['%1']('%2'), true").arg(resume, feature)}});
                });
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

// What a built-in engine page asks that only the user may grant, reported as the
// engine-neutral requests of engines/PageRequests.h and answered back to the page.

#include "engines/Address.h"
#include "engines/blink/BlinkBrowser.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QWebEngineCertificateError>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <optional>

namespace {

CertificateError errorKind(QWebEngineCertificateError::Type type) {
    switch (type) {
    case QWebEngineCertificateError::CertificateAuthorityInvalid: return CertificateError::Untrusted;
    case QWebEngineCertificateError::CertificateDateInvalid:
    case QWebEngineCertificateError::CertificateValidityTooLong: return CertificateError::Expired;
    case QWebEngineCertificateError::CertificateCommonNameInvalid:
    case QWebEngineCertificateError::CertificateNonUniqueName:
    case QWebEngineCertificateError::CertificateNameConstraintViolation: return CertificateError::NameMismatch;
    case QWebEngineCertificateError::CertificateRevoked: return CertificateError::Revoked;
    case QWebEngineCertificateError::CertificateWeakSignatureAlgorithm:
    case QWebEngineCertificateError::CertificateWeakKey:
    case QWebEngineCertificateError::SslObsoleteVersion: return CertificateError::Insecure;
    default: return CertificateError::Other;
    }
}

std::optional<PageFeature> featureOf(int feature) {
    switch (feature) {
    case QWebEnginePage::Geolocation: return PageFeature::Geolocation;
    case QWebEnginePage::Notifications: return PageFeature::Notifications;
    case QWebEnginePage::MediaVideoCapture: return PageFeature::Camera;
    case QWebEnginePage::MediaAudioCapture: return PageFeature::Microphone;
    case QWebEnginePage::MediaAudioVideoCapture: return PageFeature::CameraAndMicrophone;
    case QWebEnginePage::DesktopVideoCapture:
    case QWebEnginePage::DesktopAudioVideoCapture: return PageFeature::ScreenCapture;
    case QWebEnginePage::MouseLock: return PageFeature::PointerLock;
    default: return std::nullopt;
    }
}

QString siteOf(const QUrl& origin) {
    return origin.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
        .toString(QUrl::StripTrailingSlash);
}

}  // namespace

void BlinkBrowser::wireRequests() {
    page_->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    connect(page_, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl& url, QAuthenticator* authenticator) { authenticate(url, authenticator, std::nullopt); });
    connect(page_, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl& url, QAuthenticator* authenticator, const QString& proxyHost) {
                authenticate(url, authenticator, proxyHost);
            });
    connect(page_, &QWebEnginePage::certificateError, this,
            [this](const QWebEngineCertificateError& error) { certificateError(error); });
    connect(page_, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, QWebEnginePage::Feature feature) { permissionRequested(origin, feature); });
    connect(page_, &QWebEnginePage::fullScreenRequested, this,
            [this](QWebEngineFullScreenRequest request) { fullScreenRequested(std::move(request)); });
}

void BlinkBrowser::authenticate(const QUrl& url, QAuthenticator* authenticator, const std::optional<QString>& proxyHost) {
    // The engine wants the answer before this returns: the user is asked while the
    // program runs on, as for a page's confirm().
    struct Wait {
        bool done = false;
        bool ok = false;
        QString user;
        QString password;
        QEventLoop* loop = nullptr;
    };
    auto wait = std::make_shared<Wait>();
    const bool proxy = proxyHost.has_value();
    const QString host = proxy && !proxyHost->isEmpty() ? *proxyHost : url.adjusted(QUrl::RemoveUserInfo).authority();
    auto request = std::make_shared<AuthRequest>(host, authenticator->realm(), proxy,
                                                 [wait](bool ok, const QString& user, const QString& password) {
                                                     wait->done = true;
                                                     wait->ok = ok;
                                                     wait->user = user;
                                                     wait->password = password;
                                                     if (wait->loop) wait->loop->quit();
                                                 });
    events().fireSignInRequested(request);
    request.reset();   // nobody kept it: cancelled here and now
    QPointer<BlinkBrowser> self(this);
    if (!wait->done) {
        QEventLoop loop;
        wait->loop = &loop;
        ++dialogsOpen_;
        connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
        wait->loop = nullptr;
        if (!self) return;   // the window closed: the page goes with it
        --dialogsOpen_;
    }
    // An authenticator left empty cancels the sign-in; the page shows what the server sent.
    if (!wait->ok) {
        *authenticator = QAuthenticator();
        return;
    }
    authenticator->setUser(wait->user);
    authenticator->setPassword(wait->password);
    wait->password.clear();
}

void BlinkBrowser::certificateError(QWebEngineCertificateError error) {
    // What cannot be gone past (a site that insists on a valid certificate) is not asked.
    if (!error.isOverridable()) return;
    error.defer();
    const QUrl url = error.url();
    auto request = std::make_shared<CertificateRequest>(url.host(), urlText(url), errorKind(error.type()),
                                                        [error](bool proceed) mutable {
                                                            if (proceed)
                                                                error.acceptCertificate();
                                                            else
                                                                error.rejectCertificate();
                                                        });
    events().fireCertificateFailed(request);
}

void BlinkBrowser::permissionRequested(const QUrl& origin, int feature) {
    const auto kind = featureOf(feature);
    const auto which = static_cast<QWebEnginePage::Feature>(feature);
    QPointer<QWebEnginePage> page = page_;
    if (!kind) {
        page_->setFeaturePermission(origin, which, QWebEnginePage::PermissionDeniedByUser);
        return;
    }
    auto request = std::make_shared<PermissionRequest>(siteOf(origin), *kind, [page, origin, which](bool allow) {
        if (page)
            page->setFeaturePermission(origin, which,
                                       allow ? QWebEnginePage::PermissionGrantedByUser : QWebEnginePage::PermissionDeniedByUser);
    });
    events().firePermissionRequested(request);
}

HRESULT BlinkBrowser::LeaveFullScreen() {
    if (fullScreen_) page_->triggerAction(QWebEnginePage::ExitFullScreen);
    return S_OK;
}

void BlinkBrowser::fullScreenRequested(QWebEngineFullScreenRequest request) {
    request.accept();
    fullScreen_ = request.toggleOn();
    events().fireFullScreenRequested(fullScreen_);
}

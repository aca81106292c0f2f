// What a WebKit page asks that only the user may grant: the host reports it with a number,
// the engine reports it to the program as an engine-neutral request, and the answer goes
// back to the host under that number.

#include "engines/webkit/WebKitBrowser.h"

#include <QPointer>
#include <optional>

namespace {

QString text(const std::string& bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }

CertificateError certificateError(const std::string& reason) {
    if (reason == "untrusted") return CertificateError::Untrusted;
    if (reason == "expired") return CertificateError::Expired;
    if (reason == "name") return CertificateError::NameMismatch;
    if (reason == "revoked") return CertificateError::Revoked;
    if (reason == "insecure") return CertificateError::Insecure;
    return CertificateError::Other;
}

std::optional<PageFeature> feature(const std::string& name) {
    if (name == "geolocation") return PageFeature::Geolocation;
    if (name == "notifications") return PageFeature::Notifications;
    if (name == "camera") return PageFeature::Camera;
    if (name == "microphone") return PageFeature::Microphone;
    if (name == "camera+microphone") return PageFeature::CameraAndMicrophone;
    if (name == "screen") return PageFeature::ScreenCapture;
    if (name == "pointerlock") return PageFeature::PointerLock;
    return std::nullopt;
}

}  // namespace

HRESULT WebKitBrowser::LeaveFullScreen() {
    send("leavefullscreen");
    return S_OK;
}

void WebKitBrowser::hostRequest(const std::string& kind, const std::vector<std::string>& args) {
    // The answer is for the view that asked; a view the host has since made anew (after
    // the host ended) never gets another's answer.
    QPointer<WebKitBrowser> self(this);
    const std::int64_t view = view_;
    const std::string id = args.empty() ? std::string() : args[0];
    const auto answer = [self, view, id](const char* answerKind, bool yes, std::vector<std::string> more = {}) {
        if (!self || self->view_ != view) return;
        std::vector<std::string> answerArgs{id, yes ? "1" : "0"};
        answerArgs.insert(answerArgs.end(), more.begin(), more.end());
        self->send(answerKind, std::move(answerArgs));
    };
    if (kind == "signin") {
        events().fireSignInRequested(std::make_shared<AuthRequest>(
            text(args[1]), text(args[2]), args[3] != "0", [answer](bool ok, const QString& user, const QString& password) {
                answer("signinanswer", ok, {ok ? user.toStdString() : std::string(), ok ? password.toStdString() : std::string()});
            }));
    } else if (kind == "certificate") {
        events().fireCertificateFailed(std::make_shared<CertificateRequest>(
            text(args[1]), text(args[2]), certificateError(args[3]),
            [answer](bool proceed) { answer("certificateanswer", proceed); }));
    } else if (kind == "permission") {
        const std::optional<PageFeature> asked = feature(args[1]);
        if (!asked) return answer("permissionanswer", false);
        events().firePermissionRequested(std::make_shared<PermissionRequest>(
            text(args[2]), *asked, [answer](bool allow) { answer("permissionanswer", allow); }));
    } else if (kind == "fullscreen") {
        events().fireFullScreenRequested(args[0] != "0");
    }
}

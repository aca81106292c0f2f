#include "prompts/PromptTexts.h"

namespace PromptTexts {

QString certificateReason(CertificateError error) {
    switch (error) {
    case CertificateError::Untrusted: return QStringLiteral("証明書が信頼された認証局から発行されていません。");
    case CertificateError::Expired: return QStringLiteral("証明書の有効期限が切れているか、まだ有効になっていません。");
    case CertificateError::NameMismatch: return QStringLiteral("証明書がこのサイトの名前に対して発行されていません。");
    case CertificateError::Revoked: return QStringLiteral("証明書が失効しています。");
    case CertificateError::Insecure: return QStringLiteral("証明書が安全でない方式で署名されています。");
    case CertificateError::Other: break;
    }
    return QStringLiteral("証明書を確認できませんでした。");
}

QString featureName(PageFeature feature) {
    switch (feature) {
    case PageFeature::Geolocation: return QStringLiteral("位置情報");
    case PageFeature::Notifications: return QStringLiteral("通知の表示");
    case PageFeature::Camera: return QStringLiteral("カメラ");
    case PageFeature::Microphone: return QStringLiteral("マイク");
    case PageFeature::CameraAndMicrophone: return QStringLiteral("カメラとマイク");
    case PageFeature::ScreenCapture: return QStringLiteral("画面の共有");
    case PageFeature::PointerLock: return QStringLiteral("マウス ポインターの固定");
    }
    return {};
}

}  // namespace PromptTexts

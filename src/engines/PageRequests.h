#pragma once
// What a page asks that only the user may grant: a name and password for a site, going
// on past a certificate that failed, a feature such as the location or the camera. The
// engine makes the request with the function that carries the answer back to the page,
// reports it, and forgets it; whoever holds it answers once. A request dropped
// unanswered (nobody listened, the window closed) refuses: nothing is granted by default.

#include <QString>
#include <functional>
#include <memory>

// A site asks for a name and password (HTTP 401), or the proxy does (407).
class AuthRequest {
public:
    // Called once: with ok false the page gets the server's own answer to no sign-in.
    using Reply = std::function<void(bool ok, const QString& user, const QString& password)>;

    AuthRequest(QString host, QString realm, bool proxy, Reply reply);
    ~AuthRequest();
    AuthRequest(const AuthRequest&) = delete;
    AuthRequest& operator=(const AuthRequest&) = delete;

    const QString& host() const { return host_; }
    const QString& realm() const { return realm_; }
    bool proxy() const { return proxy_; }
    bool settled() const { return !reply_; }

    void answer(const QString& user, const QString& password);
    void cancel();

private:
    QString host_;
    QString realm_;
    bool proxy_ = false;
    Reply reply_;
};

// Why a certificate was not accepted, as far as the engines can tell.
enum class CertificateError { Untrusted, Expired, NameMismatch, Revoked, Insecure, Other };

// A page's certificate failed. Going on is the user's decision alone.
class CertificateRequest {
public:
    using Reply = std::function<void(bool proceed)>;

    CertificateRequest(QString host, QString url, CertificateError error, Reply reply);
    ~CertificateRequest();
    CertificateRequest(const CertificateRequest&) = delete;
    CertificateRequest& operator=(const CertificateRequest&) = delete;

    const QString& host() const { return host_; }
    const QString& url() const { return url_; }
    CertificateError error() const { return error_; }
    bool settled() const { return !reply_; }

    void proceed();
    void refuse();

private:
    QString host_;
    QString url_;
    CertificateError error_;
    Reply reply_;
};

// A feature of the device or of the desktop a page may only use with the user's leave.
enum class PageFeature { Geolocation, Notifications, Camera, Microphone, CameraAndMicrophone, ScreenCapture, PointerLock };

class PermissionRequest {
public:
    using Reply = std::function<void(bool allow)>;

    // site: the origin that asks ("https://host:port").
    PermissionRequest(QString site, PageFeature feature, Reply reply);
    ~PermissionRequest();
    PermissionRequest(const PermissionRequest&) = delete;
    PermissionRequest& operator=(const PermissionRequest&) = delete;

    const QString& site() const { return site_; }
    PageFeature feature() const { return feature_; }
    bool settled() const { return !reply_; }

    void allow();
    void deny();

private:
    QString site_;
    PageFeature feature_;
    Reply reply_;
};

using AuthRequestPtr = std::shared_ptr<AuthRequest>;
using CertificateRequestPtr = std::shared_ptr<CertificateRequest>;
using PermissionRequestPtr = std::shared_ptr<PermissionRequest>;

#pragma once
// One Chromium page as a WebBrowser2: a QWebEngineView in a small container that can
// show, in place of the page, that the page's process has ended.

#include "engines/WebBrowser2.h"
#include "engines/blink/BlinkHost.h"
#include "engines/PageDialog.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <optional>

class QAuthenticator;
class QLabel;
class QStackedWidget;
class QUrl;
class QWebEngineCertificateError;
class QWebEngineFullScreenRequest;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace Blink {
// The profile every page shares, created at first use.
QWebEngineProfile* sharedProfile();
}  // namespace Blink

class BlinkBrowser : public QObject, public WebBrowser2, public IOleInPlaceActiveObject {
    Q_OBJECT
public:
    BlinkBrowser();
    ~BlinkBrowser() override;

    HRESULT Navigate(const QString& url, const Variant& flags, const Variant& targetFrameName,
                     const Variant& postData, const Variant& headers) override;
    HRESULT GoBack() override;
    HRESULT GoForward() override;
    HRESULT Refresh() override;
    HRESULT Stop() override;
    HRESULT ExecWB(int cmdID, int cmdexecopt, const Variant& pvaIn, Variant* pvaOut) override;
    HRESULT GetProperty(int dispId, Variant& result) override;
    QWidget* widget() override;
    void SetClientSite(IOleClientSite* site) override;
    IOleInPlaceActiveObject* QueryInPlaceActiveObject() override { return this; }
    HRESULT LeaveFullScreen() override;
    // Engine accelerators: F5 / Ctrl+R reload, Ctrl+F5 reload from the server, Esc stops
    // a load, Alt+Left / Alt+Right go back and forward, F1 asks the host for help. The
    // host is asked first and may take the key.
    HRESULT TranslateAccelerator(const TMessage& msg) override;
    // Find in page and printing (BlinkFindPrint.cpp).
    HRESULT Find(const QString& text, bool forward, bool matchCase) override;
    HRESULT StopFinding() override;
    HRESULT PrintToPdf(const QString& path, const QPageLayout& layout) override;

    QWebEnginePage* page() const { return page_; }
    // Whether the page's process has ended and the page not been loaded again since.
    bool rendererGone() const;

    // Asked by the page before every navigation, of the main frame or a sub-frame;
    // false cancels it. A main-frame navigation asks the host anew.
    bool beforeNavigate(const QUrl& url, int navigationType, bool isMainFrame);
    // A page's alert, confirm or prompt: the host hears of it, then the page's own
    // dialog shows unless the host or the user silenced the page. Returns the answer.
    bool scriptDialog(PageDialog::Kind kind, const QUrl& origin, const QString& text, const QString& defaultText,
                      QString* result);
    // A right-click in the page: true when the host took it (no engine menu).
    bool hostTakesContextMenu(QPoint globalPos);
    // The view was shown or hidden.
    void viewVisibilityChanged(bool visible);
    const HostAnswers& hostAnswers() const { return answers_; }
    const PageDialog::Limiter& dialogLimiter() const { return dialogs_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wirePage();
    void askHost();
    void showNextAlert();
    void reportHistory(bool always);
    void newWindowRequested(QWebEngineNewWindowRequest& request);
    void rendererTerminated(int status);
    void showPage();
    HRESULT saveAs();
    void findAgain(int request, const QString& text, int flags, int attempt);
    // What the page asks of the user (BlinkRequests.cpp).
    void wireRequests();
    // proxyHost: none for the site's own sign-in.
    void authenticate(const QUrl& url, QAuthenticator* authenticator, const std::optional<QString>& proxyHost);
    void certificateError(QWebEngineCertificateError error);
    void permissionRequested(const QUrl& origin, int feature);
    void fullScreenRequested(QWebEngineFullScreenRequest request);
    bool fullScreen_ = false;

    QPointer<QStackedWidget> container_;
    QPointer<QWebEngineView> view_;
    QPointer<QLabel> goneLabel_;
    QWebEnginePage* page_ = nullptr;
    IOleClientSite* site_ = nullptr;
    HostAnswers answers_;
    Blink::HostRequestInterceptor* interceptor_ = nullptr;
    PageDialog::Limiter dialogs_;
    int dialogsOpen_ = 0;
    QList<PageDialog::Request> pendingAlerts_;
    bool alertShowing_ = false;
    bool busy_ = false;
    bool reportedBack_ = false;
    bool reportedForward_ = false;
    // The last find, to tell a new text from a step, and the number of the newest call,
    // whose answer alone counts.
    QString findText_;
    bool findCase_ = false;
    int findRequest_ = 0;
};

#pragma once
// One Chromium page as a WebBrowser2: a QWebEngineView in a small container that can
// show, in place of the page, that the page's process has ended.

#include "engines/WebBrowser2.h"

#include <QObject>
#include <QPointer>

class QLabel;
class QStackedWidget;
class QUrl;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace Blink {
// The profile every page shares, created at first use.
QWebEngineProfile* sharedProfile();
}  // namespace Blink

class BlinkBrowser : public QObject, public WebBrowser2 {
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

    QWebEnginePage* page() const { return page_; }
    // Whether the page's process has ended and the page not been loaded again since.
    bool rendererGone() const;

    // Asked by the page before every navigation, of the main frame or a sub-frame;
    // false cancels it.
    bool beforeNavigate(const QUrl& url);

private:
    void wirePage();
    void reportHistory(bool always);
    void newWindowRequested(QWebEngineNewWindowRequest& request);
    void rendererTerminated(int status);
    void showPage();
    HRESULT saveAs();

    QPointer<QStackedWidget> container_;
    QPointer<QWebEngineView> view_;
    QPointer<QLabel> goneLabel_;
    QWebEnginePage* page_ = nullptr;
    bool busy_ = false;
    bool reportedBack_ = false;
    bool reportedForward_ = false;
};

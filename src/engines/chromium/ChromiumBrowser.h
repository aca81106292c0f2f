#pragma once
// One page of the system's Chromium as a WebBrowser2: a bare Chromium window embedded in
// a small container that can show, in place of the page, that its process has ended.
// Address, title and load state are the last the browser reported, so reading them
// never waits. When the browser cannot be started, the page is served by the built-in
// engine inside the same container, and the status text says so.

#include "engines/EmbeddedPage.h"
#include "engines/HostAnswers.h"
#include "engines/PageDialog.h"
#include "engines/WebBrowser2.h"
#include "engines/chromium/DevToolsPipe.h"
#include "engines/chromium/PageScript.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>


class ChromiumBrowser : public QObject, public WebBrowser2 {
    Q_OBJECT
public:
    explicit ChromiumBrowser(QString builtInClassId);
    ~ChromiumBrowser() override;

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
    // Find in page by a script in a world of its own, printing by the browser's PDF
    // writer (ChromiumFindPrint.cpp).
    HRESULT Find(const QString& text, bool forward, bool matchCase) override;
    HRESULT StopFinding() override;
    HRESULT PrintToPdf(const QString& path, const QPageLayout& layout) override;

    // The embedded page window's container; null until the window is in place.
    QWidget* pageWidget() const { return page_.pageWidget(); }
    std::uint32_t pageWindow() const { return window_; }
    bool showsGone() const;
    // The engine serving in its place after the browser failed; null while Chromium does.
    WebBrowser2* substitute() const { return substitute_.get(); }

    // From the browser process.
    void setWindowMarker(const QString& marker) { marker_ = marker; }
    // The page's session; its X window when already found (a window made ahead of need),
    // and whether its first empty document has loaded.
    void pageReady(const QString& session, const QString& targetId, std::uint32_t window = 0, bool blankLoaded = false);
    void pageEvent(const QString& method, const QJsonObject& params);
    void targetInfoChanged(const QJsonObject& info);
    void pageClosed();
    void processEnded();
    void startFailed(const QString& reason);
    void downloadRequested(std::shared_ptr<Download> download) { events().fireDownloadRequest(std::move(download)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ensurePage();
    bool send(const QString& method, const QJsonObject& params = {}, DevTools::ReplyHandler handler = {});
    void findWindow();
    void adopt(std::uint32_t window);
    void embedWhenUnframed(std::uint32_t window, int step);
    void windowFound();
    void navigatePending();
    void embed(std::uint32_t window);
    void startLoading();
    void finishLoading();
    void setLocation(const QString& location);
    void reportHistory();
    void bindingCalled(const QString& payload);
    void contextMenu(const PageScript::Report& report);
    static QString untitledCaption(const QString& address);
    void requestPaused(const QJsonObject& params);
    void scriptDialog(const QJsonObject& params);
    void chooseFiles(const QJsonObject& params);
    void applyZoom();
    void applyHostAnswers();
    HRESULT navigateNow(const QString& url);
    HRESULT historyStep(int step);
    HRESULT saveAs();
    void runFindScript(const QString& expression, bool report, bool retry);
    void makeFindWorld();
    // What the page asks of the user (ChromiumRequests.cpp).
    void watchCertificates();
    void authRequired(const QJsonObject& params);
    void certificateError(const QJsonObject& params);
    void permissionAsked(const QString& feature);

    QString builtInClassId_;
    EmbeddedPage page_;
    std::unique_ptr<WebBrowser2> substitute_;
    QTimer windowSearch_;
    int windowTries_ = 0;
    bool searching_ = false;   // the page's window is being looked for
    bool askingForWindow_ = false;
    bool navigated_ = false;   // the page has left the empty document it started with
    bool blankDone_ = false;   // that empty document has loaded
    bool setUp_ = false;       // the page's renderer has taken its setup (script, binding, host's answers)
    bool attached_ = false;
    QString session_;
    QString targetId_;
    QString marker_;
    std::uint32_t window_ = 0;
    QString pendingUrl_;     // asked for before the page had its window
    QString announcedUrl_;   // BeforeNavigate2 already raised by Navigate
    QString location_;
    QString title_;
    bool busy_ = false;
    bool canBack_ = false;
    bool canForward_ = false;
    int textSize_ = 2;
    QString zoomScript_;
    IOleClientSite* site_ = nullptr;
    HostAnswers answers_;
    std::optional<HostAnswers> applied_;   // what the page was last told
    bool clientPull_ = false;              // the next top document is the page's own refresh
    bool frozen_ = false;
    PageDialog::Limiter dialogs_;
    int findContext_ = 0;   // the find script's world in the document shown; 0: none yet
    QList<std::pair<QString, bool>> findWaiting_;   // scripts waiting for that world
};

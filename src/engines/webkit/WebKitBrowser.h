#pragma once
// One WebKit page as a WebBrowser2: a window of tavix-webkit-host embedded in a small
// container that can show, in place of the page, that its process has ended. Address
// and load state are the last the host reported, so reading them never waits.

#include "engines/EmbeddedPage.h"
#include "engines/WebBrowser2.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <string>
#include <vector>


class WebKitBrowser : public QObject, public WebBrowser2 {
    Q_OBJECT
public:
    WebKitBrowser();
    ~WebKitBrowser() override;

    HRESULT Navigate(const QString& url, const Variant& flags, const Variant& targetFrameName,
                     const Variant& postData, const Variant& headers) override;
    HRESULT GoBack() override;
    HRESULT GoForward() override;
    HRESULT Refresh() override;
    HRESULT Stop() override;
    HRESULT ExecWB(int cmdID, int cmdexecopt, const Variant& pvaIn, Variant* pvaOut) override;
    HRESULT GetProperty(int dispId, Variant& result) override;
    QWidget* widget() override;
    HRESULT LeaveFullScreen() override;
    // Find in page and printing, done by the host (WebKitFindPrint.cpp).
    HRESULT Find(const QString& text, bool forward, bool matchCase) override;
    HRESULT StopFinding() override;
    HRESULT PrintToPdf(const QString& path, const QPageLayout& layout) override;

    // The host's id for this page; 0 while it has none (the host ended or never started).
    std::int64_t viewId() const { return view_; }
    // The embedded window's container; null until the host has made the window.
    QWidget* pageWidget() const { return page_.pageWidget(); }
    // Whether the page is replaced by the message that its process ended.
    bool showsGone() const;

    // From the connection: one event for this view, and the end of the host.
    void hostEvent(const std::string& kind, const std::vector<std::string>& args);
    void hostEnded();
    void downloadRequested(std::shared_ptr<Download> download) { events().fireDownloadRequest(std::move(download)); }
    // The host's answers to Find and PrintToPdf; a host that ended fails every print.
    void findPrintEvent(const std::string& kind, const std::vector<std::string>& args);
    void failPrints(const QString& reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ensureView();
    void embed(unsigned long long xid);
    void clicked();
    void reportKey(unsigned keysym, int modifiers, const QString& text);
    void finishLoading();
    HRESULT saveAs();
    bool send(const std::string& kind, std::vector<std::string> args = {});
    // What the page asks of the user (WebKitRequests.cpp).
    void hostRequest(const std::string& kind, const std::vector<std::string>& args);

    EmbeddedPage page_;
    std::int64_t view_ = 0;
    QString location_;
    QString title_;
    bool busy_ = false;
    int textSize_ = 2;
    QStringList printing_;   // PDF files the host is writing
};

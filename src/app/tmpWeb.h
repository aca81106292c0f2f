#pragma once
// Tfrm_tmpWeb: the hidden popup receiver. A page's request for a new window is handed
// to the browser of a fresh receiver; every navigation that starts there is reported, and
// the frame judges it by the popup filter and, unless dropped, opens it as an ordinary
// view window.

#include <QWidget>

class TWebBrowser;
class Variant;
class IDispatch;

class Tfrm_tmpWeb : public QWidget {
    Q_OBJECT
public:
    // Whether the receiver's browser comes into being with it or at its first use: the
    // browser starts the engine's processes, which a receiver that may never receive a
    // popup has no need of.
    enum class Browser { Now, OnFirstUse };

    explicit Tfrm_tmpWeb(QWidget* parent = nullptr, Browser browser = Browser::Now);

    // Made at once or by browser(), per the constructor's choice.
    TWebBrowser* WebBrowser1 = nullptr;
    // The receiver's browser, made on the first call when it does not exist yet.
    TWebBrowser* browser();

    void WebBrowser1BeforeNavigate2(IDispatch* dispatch, const Variant& url, const Variant& flags,
                                    const Variant& targetFrameName, const Variant& postData, const Variant& headers,
                                    bool& cancel);

    // Addresses a page may never open through a popup: local files and scripts. Such a
    // popup is dropped without a window.
    static bool IsForbiddenPopupAddress(const QString& url);

signals:
    // A navigation the popup asked for, to be filtered and opened by the frame.
    void PopupRequested(const QString& address);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createBrowser();
};

// The receiver made at start-up.
extern Tfrm_tmpWeb* frm_tmpWeb;

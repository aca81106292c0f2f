#include "app/tmpWeb.h"

#include "app/Main.h"
#include "engines/EngineControls.h"
#include "platform/ErrorBox.h"
#include "settings/CloseUrlList.h"
#include "settings/Settings.h"

#include <QCloseEvent>
#include <QTimer>
#include <QUrl>

Tfrm_tmpWeb* frm_tmpWeb = nullptr;

namespace {

// A closed receiver lives on for a while (its page is still the opener's window handle);
// then it is freed, never inside its own handler.
constexpr int ReceiverLingerMs = 60000;

}  // namespace

Tfrm_tmpWeb::Tfrm_tmpWeb(QWidget* parent, Browser browser) : QWidget(parent) {
    setObjectName(QStringLiteral("frm_tmpWeb"));
    setWindowTitle(QStringLiteral("frm_tmpWeb"));
    resize(310, 104);
    if (browser == Browser::Now) createBrowser();
}

TWebBrowser* Tfrm_tmpWeb::browser() {
    if (!WebBrowser1) createBrowser();
    return WebBrowser1;
}

void Tfrm_tmpWeb::createBrowser() {
    WebBrowser1 = new TWebBrowser(this);
    WebBrowser1->setGeometry(8, 8, 281, 65);
    connect(&WebBrowser1->events(), &DWebBrowserEvents2::BeforeNavigate2, this,
            ErrorBox::guarded([this](IDispatch* d, const Variant& url, const Variant& flags, const Variant& target,
                                     const Variant& postData, const Variant& headers, bool& cancel) {
                WebBrowser1BeforeNavigate2(d, url, flags, target, postData, headers, cancel);
            }));
}

bool Tfrm_tmpWeb::IsForbiddenPopupAddress(const QString& url) {
    const QString scheme = QUrl(url.trimmed()).scheme().toLower();
    return scheme == QLatin1String("file") || scheme == QLatin1String("javascript") ||
           scheme == QLatin1String("vbscript") || scheme == QLatin1String("data");
}

void Tfrm_tmpWeb::WebBrowser1BeforeNavigate2(IDispatch*, const Variant& url, const Variant&, const Variant&,
                                             const Variant&, const Variant&, bool& cancel) {
    const QString address = url.toString();
    // The receiver never loads what it hands over: a dropped popup must not reach the
    // network, and an accepted one is fetched once, by its view window (a form posted
    // into a popup is not submitted a second time).
    cancel = true;
    if (!IsForbiddenPopupAddress(address)) emit PopupRequested(address);
    close();
}

void Tfrm_tmpWeb::closeEvent(QCloseEvent* event) {
    event->accept();
    if (this != frm_tmpWeb) {
        QTimer::singleShot(ReceiverLingerMs, this, [this] { deleteLater(); });
    }
}

bool TMainForm::IsCloseURL(const QString& address) {
    if (!Settings(configPath()).Read(Keys::CloseURL)) return false;
    return CloseUrlList(AppPath).contains(address);
}

void TMainForm::PopupNavigate(const QString& address) {
    if (IsCloseURL(address)) return;
    OpenViewWindow(ui.IE_item->isChecked() ? QStringLiteral("Internet Explorer") : QStringLiteral("Gecko"), address);
}

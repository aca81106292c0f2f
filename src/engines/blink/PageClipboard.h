#pragma once
// FilterDataObject for a Chromium page: what the page puts on the clipboard (a copy or a
// cut in the page, by key, by menu or by script) is offered to the host, which may put
// other data there in its place.

#include "engines/DocHost.h"

#include <QClipboard>
#include <QObject>
#include <QPointer>
#include <functional>

class QWebEngineView;

namespace Blink {

class PageClipboard : public QObject {
public:
    PageClipboard(QWebEngineView* view, std::function<IDocHostUIHandler*()> host);

private:
    void changed(QClipboard::Mode mode);

    QPointer<QWebEngineView> view_;
    std::function<IDocHostUIHandler*()> host_;
    bool replacing_ = false;
};

}  // namespace Blink

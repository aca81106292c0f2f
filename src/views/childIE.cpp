#include "views/childIE.h"

#include "engines/UIWebBrowser.h"

Tfrm_IE::Tfrm_IE(QWidget* parent) : TViewWindow(parent) {
    setObjectName(IEViewWindowName);
    // The control is made before the window joins the frame, so a failure to create
    // the engine leaves nothing behind.
    TWeb_IE = new TUIWebBrowser;
    embed(TWeb_IE);
    resize(427, 303);
}

TEngineControl* Tfrm_IE::control() const { return TWeb_IE; }

void Tfrm_IE::beforeShow(const TViewStart& start) {
    // The text size is held in 8 bits, as the page's own.
    TextSize = static_cast<std::uint8_t>(start.mojiSize);
}

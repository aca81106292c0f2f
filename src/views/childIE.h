#pragma once
// Tfrm_IE: a view window showing its page with the IE engine (Chromium).

#include "views/ViewWindow.h"

class TUIWebBrowser;

class Tfrm_IE : public TViewWindow {
    Q_OBJECT
public:
    explicit Tfrm_IE(QWidget* parent = nullptr);

    TUIWebBrowser* TWeb_IE = nullptr;
    std::uint8_t TextSize = 2;

    TEngineControl* control() const override;
    std::optional<int> textSize() const override { return TextSize; }
    void setTextSize(int size) override { TextSize = static_cast<std::uint8_t>(size); }
    bool clearsFrameOnClose() const override { return true; }

protected:
    void beforeShow(const TViewStart& start) override;
};

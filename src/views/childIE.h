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

    void FormCreate();
    void FormActivate() override;
    void FormResize() override;
    void FormClose() override;

    void TWeb_IEStatusTextChange(const QString& text) { StatusTextChange(text); }
    void TWeb_IEProgressChange(int progress, int progressMax) { ProgressChange(progress, progressMax); }
    void TWeb_IECommandStateChange(int command, bool enable) { CommandStateChange(command, enable); }
    void TWeb_IETitleChange(const QString& text) { TitleChange(text); }
    void TWeb_IENewWindow2(Variant& ppDisp, bool& cancel) { NewWindow2(ppDisp, cancel); }

protected:
    void ProgressChange(int progress, int progressMax) override;
};

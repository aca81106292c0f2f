#pragma once
// Tfrm_MZ: a view window showing its page with the Gecko engine (WebKit).

#include "views/ViewWindow.h"

class TMozillaBrowser;

class Tfrm_MZ : public TViewWindow {
    Q_OBJECT
public:
    explicit Tfrm_MZ(QWidget* parent = nullptr);

    TMozillaBrowser* TWeb_MZ = nullptr;

    TEngineControl* control() const override;

    void FormCreate();
    void FormActivate() override;
    void FormResize() override;
    void FormClose() override;

    void TWeb_MZStatusTextChange(const QString& text) { StatusTextChange(text); }
    void TWeb_MZProgressChange(int progress, int progressMax) { ProgressChange(progress, progressMax); }
    void TWeb_MZCommandStateChange(int command, bool enable) { CommandStateChange(command, enable); }
    void TWeb_MZTitleChange(const QString& text) { TitleChange(text); }
    void TWeb_MZNewWindow2(Variant& ppDisp, bool& cancel) { NewWindow2(ppDisp, cancel); }

protected:
    void ProgressChange(int progress, int progressMax) override;
};

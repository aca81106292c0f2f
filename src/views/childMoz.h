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
    void FormActivate() override { FormResize(); }
    TProgressStep ProgressStep(int progress, int progressMax, int shown) const override;

protected:
    void beforeShow(const TViewStart&) override { setWindowTitle(QStringLiteral("Gecko")); }
    // A minimized Gecko window does not make new windows open minimized.
    bool minimizedCounts() const override { return false; }
};

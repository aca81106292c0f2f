#include "views/childMoz.h"

#include "engines/EngineControls.h"

#include <algorithm>

Tfrm_MZ::Tfrm_MZ(QWidget* parent) : TViewWindow(parent) {
    setObjectName(QStringLiteral("frm_MZ"));
    TWeb_MZ = new TMozillaBrowser;
    embed(TWeb_MZ);
    resize(433, 300);
}

TEngineControl* Tfrm_MZ::control() const { return TWeb_MZ; }

TProgressStep Tfrm_MZ::ProgressStep(int progress, int progressMax, int shown) const {
    int position = shown;
    if (progress != 0 && progressMax != 0) position = std::clamp(progress * 100 / progressMax, 0, 100);
    // A finished page shows an empty bar and no Stop.
    if (position == 100) return {0, false};
    return {position, true};
}

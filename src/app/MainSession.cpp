// Opening a page in the other engine, and bringing back the windows of the last run.

#include "app/Main.h"
#include "platform/ErrorBox.h"
#include "settings/SessionFile.h"
#include "settings/Settings.h"
#include "views/TabControl.h"
#include "views/childIE.h"
#include "views/untTab.h"

#include <QAction>
#include <QMdiArea>
#include <algorithm>

namespace {

bool isIE(const TViewWindow* view) { return qobject_cast<const Tfrm_IE*>(view) != nullptr; }

// Without Gekko a Gecko page comes back in the other engine.
bool comesBackInGecko(const SessionEntry& entry, bool geckoOn) {
    return geckoOn && entry.caption != SessionFile::IECaption;
}

}  // namespace

void TMainForm::UpdateOtherEngineItems() {
    const bool enabled = ui.Moz_Item->isEnabled();
    ui.mnuOtherEngine->setEnabled(enabled && ActiveMDIChild() != nullptr);
    Tabs->popOtherEngine->setEnabled(enabled);
}

void TMainForm::OpenInOtherEngine(TViewWindow* view) {
    if (!ui.Moz_Item->isEnabled()) return;
    const bool toIE = !isIE(view);
    QString address = view->LocationURL();
    // An empty page opens as the other engine's own empty page, as New opens it.
    if (address == QStringLiteral("about:blank")) address.clear();
    if (!toIE && address.isEmpty()) address = QStringLiteral("about:blank");
    TViewWindow* window =
        OpenViewWindowIn(toIE, toIE ? SessionFile::IECaption : SessionFile::GeckoCaption, address, SiteRuleUse::Waive);
    if (!window) return;
    if (const auto position = TabPositionOf(window->Tag)) ShowTab(*position);
}

void TMainForm::SaveSession() {
    if (!Settings(configPath()).Read(Keys::Restore)) return;
    // Closed while the last session was still coming back: the windows it had not
    // opened yet stay in it, and so does the one it was to bring to the front.
    const bool frontPending = std::any_of(pendingWindows_.begin(), pendingWindows_.end(),
                                          [](const PendingWindow& w) { return w.restored && w.front; });
    const QMdiSubWindow* front = frontPending ? nullptr : queuedFront_ ? queuedFront_.data() : ActiveMDIChild();
    std::vector<SessionEntry> entries;
    for (int p = 0; p < Tabs->TabControl1->count(); ++p) {
        TViewWindow* view = Tabs->ViewOfTab(p);
        if (!view) continue;
        entries.push_back(
            {isIE(view) ? SessionFile::IECaption : SessionFile::GeckoCaption, view->LocationURL(), view == front});
    }
    for (const PendingWindow& pending : pendingWindows_)
        if (pending.restored) entries.push_back({pending.caption, pending.address, pending.front});
    SessionFile(AppPath).write(entries);
}

void TMainForm::RestoreSession() {
    if (!Settings(configPath()).Read(Keys::Restore)) return;
    QList<PendingWindow> windows;
    for (const SessionEntry& entry : SessionFile(AppPath).read()) {
        const bool ie = !comesBackInGecko(entry, ui.Moz_Item->isEnabled());
        windows.append({ie, ie ? SessionFile::IECaption : SessionFile::GeckoCaption, entry.address, entry.active, true});
    }
    queueWindows(windows);
}

bool TMainForm::RestoresGeckoPage(const QString& appPath) {
    QString folder = appPath;
    if (!folder.endsWith(u'/')) folder += u'/';
    try {
        const Settings ini(folder + QStringLiteral("config.ini"));
        const bool geckoOn = ini.Read(Keys::Mozilla) != 0;
        if (!ini.Read(Keys::Restore) || !geckoOn) return false;
        const std::vector<SessionEntry> entries = SessionFile(folder).read();
        return std::any_of(entries.begin(), entries.end(),
                           [](const SessionEntry& entry) { return comesBackInGecko(entry, true); });
    } catch (...) {
        // Only a guess ahead of the frame: the restore itself reports what cannot be read.
        return false;
    }
}

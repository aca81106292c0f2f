// Opening a chosen bookmark in a view window: the one place where the bookmarks meet the
// main window's view window handling.

#include "app/Main.h"
#include "bookmarks/untBMB.h"
#include "engines/EngineControls.h"

namespace BookmarkOpening {

void defaultOpenViewWindow(TMainForm& form, const QString& caption, const QString& address) {
    form.OpenViewWindow(caption, address);
}

void defaultNavigateActiveViewWindow(TMainForm& form, const QString& address) {
    // The address goes over as it stands, also when empty: choosing a bookmark without an
    // address in the J bar opens the empty address.
    DispatchRule(form.ActiveMDIChild()).Navigate(address);
}

}  // namespace BookmarkOpening

// The web lists and the options windows as the frame uses them.

#include "app/Main.h"
#include "platform/ErrorBox.h"
#include "options/Option.h"
#include "views/TabControl.h"
#include "views/untTab.h"
#include "weblists/EditWebList.h"
#include "weblists/WebListFile.h"
#include "weblists/WebListMenu.h"

#include <QAction>
#include <QPointer>

namespace {

QPointer<Tfrm_WebList>& webListEditor() {
    static QPointer<Tfrm_WebList> editor;
    return editor;
}

}  // namespace

void TMainForm::EnumFiles(const QString& folder) { WebLists->EnumFiles(folder); }

void TMainForm::OpenWebList(const QString& path) {
    // Read whole first: a list that cannot be read opens nothing.
    QList<PendingWindow> windows;
    // "londing" is the caption these windows have always started with.
    for (const QString& address : ReadWebList(path).lines) windows.append({std::nullopt, QStringLiteral("londing"), address});
    queueWindows(windows);
}

void TMainForm::setWebListEditor(Tfrm_WebList* editor) {
    webListEditor() = editor;
    connect(editor, &Tfrm_WebList::EnumFilesRequested, this,
            ErrorBox::guarded([this](const QString& folder) { EnumFiles(folder); }));
}

void TMainForm::mnuWebList_EditClick() {
    Tfrm_WebList* editor = webListEditor();
    if (!editor) return;
    if (editor->isMinimized()) editor->showNormal();
    else editor->show();
    editor->raise();
    editor->activateWindow();
}

Tfrm_Option* TMainForm::CreateOptionWindow(bool show) {
    const Tfrm_Option::Connector wire = [this](Tfrm_Option& window) {
        connect(&window, &Tfrm_Option::GekkoEnabled, ui.Moz_Item, &QAction::setEnabled);
        connect(&window, &Tfrm_Option::TabWidthChanged, Tabs->TabControl1, &TTabControl::setTabWidth);
        connect(&window, &Tfrm_Option::TabTypeChanged, Tabs->TabControl1,
                [this](int tabType) { Tabs->TabControl1->setButtonStyle(tabType != 0); });
    };
    return show ? Tfrm_Option::Open(AppPath, wire, this) : new Tfrm_Option(AppPath, this, wire);
}

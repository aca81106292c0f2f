#include "options/SHBFFEX.h"

#include <QApplication>
#include <QWidget>
#include <array>

namespace {

// By position: TRootFolder and TSelectFolder list the same folders in the same order.
constexpr std::array<int, 11> kCsidl = {
    CSIDL_DESKTOP,  CSIDL_DESKTOP, CSIDL_DRIVES,    CSIDL_DESKTOPDIRECTORY, CSIDL_FAVORITES, CSIDL_PROGRAMS,
    CSIDL_RECENT,   CSIDL_SENDTO,  CSIDL_STARTMENU, CSIDL_STARTUP,          CSIDL_TEMPLATES,
};

// A folder named by the user when there is a name that resolves to a folder (or to
// something holding folders); else the well-known folder.
std::optional<ShellItem> resolve(bool manual, const QString& name, int csidl) {
    if (manual && !name.isEmpty()) {
        const std::optional<ShellItem> named = ShellNamespace::parseDisplayName(name);
        if (named && ShellNamespace::isFolderOrHasSubfolders(*named)) return named;
    }
    return ShellNamespace::specialFolder(csidl);
}

// Keeps a window disabled for as long as it lives; afterwards the window is enabled
// and brought to the front, also when an exception ends the run.
class DisabledWhileRunning {
public:
    explicit DisabledWhileRunning(QWidget* window) : window_(window) {
        if (window_) window_->setEnabled(false);
    }
    ~DisabledWhileRunning() {
        if (!window_) return;
        window_->setEnabled(true);
        window_->raise();
        window_->activateWindow();
    }
    DisabledWhileRunning(const DisabledWhileRunning&) = delete;
    DisabledWhileRunning& operator=(const DisabledWhileRunning&) = delete;

private:
    QPointer<QWidget> window_;
};

// Forgets the run's working state however the run ends.
class RunState {
public:
    RunState(std::optional<ShellItem>& selection, bool& showPath) : selection_(selection), showPath_(showPath) {}
    ~RunState() {
        selection_.reset();
        showPath_ = false;
    }
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

private:
    std::optional<ShellItem>& selection_;
    bool& showPath_;
};

}  // namespace

TSHBrowseForFolderEx::TSHBrowseForFolderEx(QObject* owner) : QObject(owner) {}

TSHBrowseForFolderEx::~TSHBrowseForFolderEx() = default;

int TSHBrowseForFolderEx::csidlOf(TRootFolder folder) { return kCsidl.at(static_cast<std::size_t>(folder)); }
int TSHBrowseForFolderEx::csidlOf(TSelectFolder folder) { return kCsidl.at(static_cast<std::size_t>(folder)); }

TSHBrowseForFolderEx::BrowseFlags TSHBrowseForFolderEx::browseFlags(const TSHBrowseOptions& options) {
    BrowseFlags result;
    constexpr std::array<std::pair<TSHBrowseOption, unsigned>, 5> table = {{
        {sboDontGoBelowDomain, BIF_DONTGOBELOWDOMAIN},
        {sboReturnFSAncestors, BIF_RETURNFSANCESTORS},
        {sboReturnOnlyFSDirs, BIF_RETURNONLYFSDIRS},
        {sboStatusTextAndShowPath, BIF_STATUSTEXT},
        {sboStatusText, BIF_STATUSTEXT},
    }};
    for (const auto& [option, flag] : table) {
        if (!options.contains(option)) continue;
        result.flags |= flag;
        if (option == sboStatusTextAndShowPath) {
            // The path takes over the status line; later options add nothing.
            result.showPath = true;
            break;
        }
    }
    return result;
}

QPoint TSHBrowseForFolderEx::centredPosition(QSize dialog, const QRect& workArea) {
    // Integer division rounds toward zero, also for a dialog larger than the area.
    return {(workArea.width() - dialog.width()) / 2, (workArea.height() - dialog.height()) / 3};
}

QWidget* TSHBrowseForFolderEx::applicationWindow() const {
    if (auto* owner = qobject_cast<QWidget*>(parent())) return owner->window();
    return QApplication::activeWindow();
}

bool TSHBrowseForFolderEx::Execute() {
    folderPath_.clear();
    folderDisplayName_.clear();
    bool result = false;
    // A previous run's show-path flag must not carry into this one.
    RunState state(initialSelection_, showPath_);

    initialSelection_ = resolve(SelectFolder == sfManual, SelectFolderName, csidlOf(SelectFolder));
    const std::optional<ShellItem> root = resolve(RootFolder == rfManual, RootFolderName, csidlOf(RootFolder));
    if (!root) return result;

    const BrowseFlags flags = browseFlags(Options);
    showPath_ = flags.showPath;
    FolderDialog::BrowseInfo info;
    info.owner = applicationWindow();
    info.root = *root;
    info.title = Caption;
    info.flags = flags.flags;
    info.callback = &TSHBrowseForFolderEx::BrowseCallback;
    info.data = this;

    std::optional<ShellItem> chosen;
    {
        DisabledWhileRunning disabled(info.owner);
        chosen = FolderDialog::browse(info);
    }
    if (chosen) {
        result = true;
        folderDisplayName_ = ShellNamespace::displayName(*chosen).left(259);
        folderPath_ = ShellNamespace::pathOf(*chosen);
    }
    return result;
}

void TSHBrowseForFolderEx::DoSelectionChanged(FolderDialog* Wnd, const QString& Path, QString& ShowText,
                                              TOKButtonState& OKButtonState) {
    if (OnSelectionChanged) OnSelectionChanged(this, Wnd, Path, ShowText, OKButtonState);
}

void TSHBrowseForFolderEx::place(FolderDialog* dialog) const {
    switch (ShowStyle) {
    case ssCenterScreen:
        dialog->moveFrameTo(centredPosition(dialog->frameGeometry().size(), FolderDialog::workArea()));
        break;
    case ssClient: {
        auto* owner = qobject_cast<QWidget*>(parent());
        if (owner && owner->isWindow() && owner->testAttribute(Qt::WA_WState_Created))
            dialog->moveFrameTo(owner->mapToGlobal(QPoint(0, 0)));
        break;
    }
    case ssNone:
        break;
    }
}

int TSHBrowseForFolderEx::BrowseCallback(FolderDialog* Wnd, unsigned uMsg, const ShellItem* lParam,
                                         QObject* lpData) {
    auto* self = qobject_cast<TSHBrowseForFolderEx*>(lpData);
    if (!self || !Wnd) return 0;
    QString path;
    QString showText;
    TOKButtonState okButtonState = obsNoChange;

    if (uMsg == BFFM_INITIALIZED) {
        if (self->initialSelection_) Wnd->setSelection(*self->initialSelection_);
        self->place(Wnd);
    } else if (uMsg == BFFM_SELCHANGED && lParam) {
        path = ShellNamespace::pathOf(*lParam);
        self->DoSelectionChanged(Wnd, path, showText, okButtonState);
    }

    if (self->showPath_) showText = path;
    Wnd->setStatusText(showText);
    if (okButtonState == obsEnable)
        Wnd->enableOK(true);
    else if (okButtonState == obsDisable)
        Wnd->enableOK(false);
    return 0;
}

#pragma once
// The folder-browsing dialog: a modal window with a title text, an optional status
// line, the folder tree from a given root, and OK / キャンセル. Whoever runs it passes a
// callback that hears when the dialog is ready and whenever the selection changes, and
// that can answer by selecting a folder, setting the status line and enabling or
// disabling OK.
//
// A selection change made while the callback runs (including one the callback makes
// itself) is reported once that call has returned, so every report sees the state the
// previous one left behind.

#include "options/ShellNamespace.h"

#include <QDialog>
#include <QRect>
#include <functional>
#include <optional>

class FolderTreeModel;
class QLabel;
class QPushButton;
class QTreeView;

// Dialog flags.
// OK is enabled only for file-system folders: not for the desktop or the computer.
constexpr unsigned BIF_RETURNONLYFSDIRS = 0x0001;
// Network domains are not browsed into. This namespace has none, so it changes nothing.
constexpr unsigned BIF_DONTGOBELOWDOMAIN = 0x0002;
// The dialog has a status line.
constexpr unsigned BIF_STATUSTEXT = 0x0004;
// OK only for items that hold file-system folders; every item here does.
constexpr unsigned BIF_RETURNFSANCESTORS = 0x0008;

// What the callback hears.
constexpr unsigned BFFM_INITIALIZED = 1;  // the dialog is about to appear; no item
constexpr unsigned BFFM_SELCHANGED = 2;   // the item now selected

class FolderDialog : public QDialog {
    Q_OBJECT
public:
    using Callback = int (*)(FolderDialog* Wnd, unsigned uMsg, const ShellItem* lParam, QObject* lpData);

    struct BrowseInfo {
        // The window the dialog belongs to: it stays above it. May be null.
        QWidget* owner = nullptr;
        ShellItem root;
        // The text above the tree.
        QString title;
        unsigned flags = 0;
        Callback callback = nullptr;
        QObject* data = nullptr;
    };

    // Runs the dialog modally: the item chosen with OK, nothing when cancelled.
    static std::optional<ShellItem> browse(const BrowseInfo& info);

    explicit FolderDialog(const BrowseInfo& info);
    ~FolderDialog() override;

    // What a callback (or anyone holding the dialog) may ask of it. Selecting an item
    // that is not in the tree changes nothing.
    void setSelection(const ShellItem& item);
    void setStatusText(const QString& text);
    void enableOK(bool enable);

    std::optional<ShellItem> selectedItem() const;
    QString statusText() const;

    QLabel* lblTitle = nullptr;
    QLabel* lblStatus = nullptr;
    QTreeView* TreeView = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // Tests answer the dialog instead of a user: the hook gets the live, shown dialog
    // and may select, press OK or キャンセル; a dialog still open afterwards counts as
    // cancelled. An empty function restores the modal run.
    using RunHook = std::function<void(FolderDialog&)>;
    static void setRunHook(RunHook hook);

    // The work area of the primary screen; tests may put another in its place.
    static QRect workArea();
    static void setWorkArea(std::optional<QRect> area);

    // Puts the corner of the window manager's frame at `corner`, in screen coordinates,
    // also before the dialog is shown, when the frame's size is not known yet.
    void moveFrameTo(const QPoint& corner);

private:
    void createControls();
    // Tells the callback the dialog is ready, then reports the selection it leaves.
    void initialise();
    int run();
    void selectionChanged();
    void reportSelection();
    void notify(unsigned message, const ShellItem* item);

    BrowseInfo info_;
    FolderTreeModel* model_ = nullptr;
    bool inCallback_ = false;
    bool selectionPending_ = false;
};

#pragma once
// TSHBrowseForFolderEx: lets the user pick a folder in the folder-browsing dialog.
// A non-visual component owned by the window that uses it: set its properties, call
// Execute, read FolderPath.
//
//   TSHBrowseForFolderEx picker(this);
//   picker.Caption = QStringLiteral("...");
//   if (picker.Execute()) folder = picker.FolderPath;

#include "options/FolderDialog.h"
#include "options/ShellNamespace.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <initializer_list>
#include <optional>

// Where the tree starts and what is selected when the dialog opens.
enum TRootFolder {
    rfDesktop, rfManual, rfDrives, rfDesktopDir, rfFavorites, rfPrograms,
    rfRecent, rfSendTo, rfStartMenu, rfStartup, rfTemplates
};
enum TSelectFolder {
    sfDesktop, sfManual, sfDrives, sfDesktopDir, sfFavorites, sfPrograms,
    sfRecent, sfSendTo, sfStartMenu, sfStartup, sfTemplates
};

enum TSHBrowseOption {
    sboDontGoBelowDomain,
    sboReturnFSAncestors,
    sboReturnOnlyFSDirs,
    // The status line, showing the selected folder's path.
    sboStatusTextAndShowPath,
    sboStatusText
};

// A set of TSHBrowseOption.
class TSHBrowseOptions {
public:
    TSHBrowseOptions() = default;
    TSHBrowseOptions(std::initializer_list<TSHBrowseOption> options) {
        for (TSHBrowseOption option : options) include(option);
    }
    bool contains(TSHBrowseOption option) const { return (bits_ & bit(option)) != 0; }
    void include(TSHBrowseOption option) { bits_ |= bit(option); }
    void exclude(TSHBrowseOption option) { bits_ &= ~bit(option); }
    bool operator==(const TSHBrowseOptions&) const = default;

private:
    static unsigned bit(TSHBrowseOption option) { return 1u << static_cast<unsigned>(option); }
    unsigned bits_ = 0;
};

enum TShowStyle {
    ssNone,          // where the dialog puts itself
    ssCenterScreen,  // centred across, a third of the free height down
    ssClient         // on the owner's client area, top left
};

// The answer an OnSelectionChanged handler gives about the OK button.
enum TOKButtonState { obsNoChange, obsEnable, obsDisable };

// Sender: the component; Wnd: the dialog; Path: the selected folder's path, empty when
// it has none; ShowText: the status text to show (preset to empty); OKButtonState:
// preset to obsNoChange.
using TSHBrowseEvent = std::function<void(QObject* Sender, FolderDialog* Wnd, const QString& Path,
                                          QString& ShowText, TOKButtonState& OKButtonState)>;

class TSHBrowseForFolderEx : public QObject {
    Q_OBJECT

    QString folderPath_;
    QString folderDisplayName_;

public:
    explicit TSHBrowseForFolderEx(QObject* owner = nullptr);
    ~TSHBrowseForFolderEx() override;

    TSelectFolder SelectFolder = sfDrives;
    // The folder selected when SelectFolder is sfManual.
    QString SelectFolderName;
    // The text above the folder tree.
    QString Caption;
    TSHBrowseOptions Options{sboReturnOnlyFSDirs};
    TSHBrowseEvent OnSelectionChanged;
    TRootFolder RootFolder = rfDesktop;
    // The top of the tree when RootFolder is rfManual.
    QString RootFolderName;
    TShowStyle ShowStyle = ssClient;

    // The results of the last run: the chosen folder's path (empty when cancelled or
    // when the item has no path) and its display name (at most 259 characters).
    const QString& FolderPath = folderPath_;
    const QString& FolderDisplayName = folderDisplayName_;

    // Runs the dialog modally; true when the user chose an item with OK. The window the
    // component belongs to is disabled meanwhile, and enabled again however the run ends.
    virtual bool Execute();
    // Raises OnSelectionChanged when one is assigned.
    virtual void DoSelectionChanged(FolderDialog* Wnd, const QString& Path, QString& ShowText,
                                    TOKButtonState& OKButtonState);

    // The dialog's callback; lpData is the component.
    static int BrowseCallback(FolderDialog* Wnd, unsigned uMsg, const ShellItem* lParam, QObject* lpData);

    // The dialog flags for a set of options, and whether the status line shows the path.
    struct BrowseFlags {
        unsigned flags = 0;
        bool showPath = false;
    };
    static BrowseFlags browseFlags(const TSHBrowseOptions& options);
    static int csidlOf(TRootFolder folder);
    static int csidlOf(TSelectFolder folder);
    // Where ssCenterScreen puts a dialog: by the work area's size, from the screen origin.
    static QPoint centredPosition(QSize dialog, const QRect& workArea);

private:
    // The window that belongs to the component and owns the dialog.
    QWidget* applicationWindow() const;
    void place(FolderDialog* dialog) const;

    // During a run.
    std::optional<ShellItem> initialSelection_;
    bool showPath_ = false;
};

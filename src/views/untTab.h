#pragma once
// The tab strip: TabControl1 with one tab per view window, each tab carrying its
// window's id, the strip's own drawing in the configured colours, and its context menu
// (close a tab, add its address to the popup list, bookmark it).
//
// The strip alone keeps tabs and windows in step: the frame hands it each new window,
// and from then on the strip follows that window's title and takes its tab away when
// the window closes or goes.

#include "settings/Colours.h"

#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

class QAction;
class QMdiArea;
class QMenu;
class QPainter;
class QPoint;
class QRect;
class TTabControl;
class TViewWindow;

class TTabStrip : public QObject {
    Q_OBJECT
public:
    // appPath: the program folder ending in "/"; the windows live in `area`.
    TTabStrip(const QString& appPath, QMdiArea* area, QWidget* parent);

    TTabControl* TabControl1 = nullptr;
    QMenu* TabPopup = nullptr;
    QAction* popAdd = nullptr;
    QAction* popAddClose = nullptr;
    QAction* popAddBookMark = nullptr;
    QAction* popTabClose = nullptr;
    QAction* popOtherEngine = nullptr;
    QAction* popSiteEngine = nullptr;

    // The tab the context menu was opened on; none when it opened beside the tabs.
    std::optional<int> PopupTab = 0;
    // Set while the strip itself closes a window, whose close then leaves the tab alone.
    std::uint8_t ClosingFromTab = 0;

    struct TabColours {
        TColor activeText, activeBackground, inactiveText, inactiveBackground;
    };

    // The view window of tab p, or none.
    TViewWindow* ViewOfTab(int p) const;
    // The tab of a view window, or none.
    std::optional<int> TabOf(const TViewWindow* view) const;
    // The window ids, in tab order.
    QList<int> WindowIDs() const;
    // Appends the tab "loading" for a new view window, as the program's own change, and
    // keeps it in step with the window from then on.
    void AddWindow(TViewWindow* view);

    std::optional<int> TabPositionOf(int id) const;
    void HitTestPopupTab(const QPoint& globalPos);
    void CloseTab(int p);
    void AddTabToCloseList(int p);
    void ShowTab(int p);
    TabColours ReadTabColours() const;
    // Selects a tab as the program does, without running the change handler.
    void SelectTab(int index);
    void TabControl1DrawTab(QPainter& painter, int index, const QRect& rect, bool selected);
    void TabControl1Change();
    void popTabCloseClick();
    void popAddCloseClick();

signals:
    // "ブックマークに追加(&A)" was chosen.
    void AddBookmarkRequested();
    // "もう一方のエンジンで開く(&O)" was chosen on this tab's window.
    void OpenInOtherEngineRequested(TViewWindow* view);
    // "このサイトを常にこのエンジンで開く" was chosen on this tab's window.
    void SiteEngineRequested(TViewWindow* view);

private:
    // The window is closing or gone: its tab goes, the selection stays on the tab it was on.
    void removeWindow(const TViewWindow* view);
    void dropTab(int p);
    TabColours PaintTabColours();
    void drawTabFace(QPainter& painter, int index, const QRect& rect, bool selected, const TabColours& colours);

    QString appPath_;
    QMdiArea* area_;
    // The window of each tab, in tab order.
    QList<TViewWindow*> views_;
    QString lastTabColourError_;
    TabColours paintColours_{clWindowText, clBtnFace, clWindowText, clBtnFace};
};

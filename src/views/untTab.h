#pragma once
// The tab strip: TabControl1 with one tab per view window, each tab carrying its
// window's id, the strip's own drawing in the configured colours, and its context menu
// (close a tab, add its address to the popup list, bookmark it).

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

    // The tab the context menu was opened on; none when it opened beside the tabs.
    std::optional<int> PopupTab = 0;
    // Set while the strip itself closes a window, whose close then leaves the tab alone.
    std::uint8_t ClosingFromTab = 0;

    struct TabColours {
        TColor activeText, activeBackground, inactiveText, inactiveBackground;
    };

    // The view window of tab p, or none.
    TViewWindow* ViewOfTab(int p) const;
    // The window ids, in tab order.
    QList<int> WindowIDs() const;
    // Appends the tab "loading" for a window id, as the program's own change.
    void AddTab(int id);
    // Takes back the last tab, for a window that never came into being.
    void RemoveLastTab(int selectAfter);
    void SetTabText(int id, const QString& text);

    std::optional<int> TabPositionOf(int id) const;
    void RemoveTabOf(int id);
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

private:
    TViewWindow* viewWindowOf(int id) const;
    TabColours PaintTabColours();
    void drawTabFace(QPainter& painter, int index, const QRect& rect, bool selected, const TabColours& colours);

    QString appPath_;
    QMdiArea* area_;
    QString lastTabColourError_;
    TabColours paintColours_{clWindowText, clBtnFace, clWindowText, clBtnFace};
};

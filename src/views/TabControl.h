#pragma once
// TabControl1: the strip of tabs, one per view window. The program draws every tab's
// face itself; the drawing and the tab operations belong to the tab strip, which installs
// them here.
//
// A web list opens hundreds of windows in a moment, each adding a tab and retitling it
// twice, so no change here walks the other tabs: a tab's width is measured once, where
// the tabs begin is kept in a TabRow, and a change repaints only what it moved.

#include "views/TabRow.h"

#include <QHash>
#include <QList>
#include <QTabBar>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <utility>

class QToolButton;
class QStyleOptionTab;

class TTabControl : public QWidget {
    Q_OBJECT
public:
    explicit TTabControl(QWidget* parent = nullptr);

    int count() const { return static_cast<int>(tabs_.size()); }
    int addTab(const QString& text) { return insertTab(count(), text); }
    int insertTab(int index, const QString& text);
    void removeTab(int index);
    QString tabText(int index) const;
    void setTabText(int index, const QString& text);
    QVariant tabData(int index) const;
    void setTabData(int index, const QVariant& data);
    int currentIndex() const { return current_; }

    // Where the tab is drawn, in the strip's coordinates (scrolled), or an empty rect.
    QRect tabRect(int index) const;
    // The tab under `pos`, or -1.
    int tabAt(const QPoint& pos) const;
    // The first and last tab that lie in `area` (widget coordinates), or {0, -1} when
    // none does.
    std::pair<int, int> tabsWithin(const QRect& area) const;

    // 0: every tab as wide as its text; otherwise the fixed width in pixels. Tabs that do
    // not fit scroll; they are never shrunk to fit, which would resize every tab at each
    // tab added or retitled.
    void setTabWidth(int width);
    int tabWidth() const { return tabWidth_; }

    // Button style puts the row of tabs at the top and draws them as buttons; tab style
    // draws tabs along the bottom edge.
    void setButtonStyle(bool buttons);
    bool buttonStyle() const { return buttons_; }
    // What the platform style is told it draws and measures.
    QTabBar::Shape shape() const { return buttons_ ? QTabBar::RoundedNorth : QTabBar::RoundedSouth; }

    using DrawTab = std::function<void(QPainter&, int index, const QRect& rect, bool selected)>;
    void setDrawTab(DrawTab draw) { drawTab_ = std::move(draw); update(); }
    // Runs once at the start of every paint that draws tabs, before the first DrawTab:
    // what every tab of one paint shares (its colours) is read there, once.
    void setBeforeDrawTabs(std::function<void()> before) { beforeDrawTabs_ = std::move(before); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void setCurrentIndex(int index);

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Tab {
        QString text;
        QVariant data;
    };
    bool valid(int index) const { return index >= 0 && index < count(); }
    bool fixedWidth() const { return tabWidth_ > 0; }
    int measure(const QString& text);
    void measureAll();
    // The row in its own coordinates: unscrolled, left to right.
    int rowWidth() const { return fixedWidth() ? count() * tabWidth_ : row_.total(); }
    int tabLeft(int index) const { return fixedWidth() ? index * tabWidth_ : row_.left(index); }
    int tabSpan(int index) const { return fixedWidth() ? tabWidth_ : row_.width(index); }
    int tabAtX(int x) const;
    QRect fromRow(int left, int width) const;
    bool currentInView() const;
    // After the row changed from tab `from` on: the scroll buttons and offset, and the
    // part of the strip that moved repainted. `follow` keeps the selected tab in view.
    void rowChanged(int from, bool follow);
    bool layoutRow();
    bool scrollTo(int offset);
    bool makeVisible(int index);
    void scrollBack();
    void scrollOn();
    void updateTabs(int first, int last);
    void initTabOption(QStyleOptionTab& option, int index) const;

    QList<Tab> tabs_;
    TabRow row_;   // the measured widths, kept while the tabs are as wide as their text
    int tabWidth_ = 0;
    bool buttons_ = false;
    int current_ = -1;
    int tabHeight_ = 0;
    int offset_ = 0;      // how far the row is scrolled to the left
    int viewWidth_ = 0;   // how much of the row shows: the strip less the scroll buttons
    bool scrolls_ = false;
    int laidOutWidth_ = -1;
    int wheelRest_ = 0;
    QToolButton* scrollBack_;
    QToolButton* scrollOn_;
    DrawTab drawTab_;
    std::function<void()> beforeDrawTabs_;
    // A tab's width is measured once per text and font: most tabs start as "loading".
    QHash<QString, int> widthOfText_;
};

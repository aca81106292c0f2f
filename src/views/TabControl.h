#pragma once
// TabControl1: the strip of tabs, one per view window. The program draws every tab
// itself; the drawing and the tab operations belong to the tab strip, which installs
// them here.

#include <QHash>
#include <QTabBar>
#include <functional>
#include <utility>

class TTabControl : public QTabBar {
    Q_OBJECT
public:
    explicit TTabControl(QWidget* parent = nullptr);

    // 0: every tab as wide as its text; otherwise the fixed width in pixels.
    void setTabWidth(int width);
    int tabWidth() const { return tabWidth_; }

    // Button style puts the row of tabs at the top and draws them as buttons; tab style
    // draws tabs along the bottom edge.
    void setButtonStyle(bool buttons);
    bool buttonStyle() const { return buttons_; }

    using DrawTab = std::function<void(QPainter&, int index, const QRect& rect, bool selected)>;
    void setDrawTab(DrawTab draw) { drawTab_ = std::move(draw); update(); }
    // Runs once at the start of every paint that draws tabs, before the first DrawTab:
    // what every tab of one paint shares (its colours) is read there, once.
    void setBeforeDrawTabs(std::function<void()> before) { beforeDrawTabs_ = std::move(before); }

    // The first and last tab that lie in `area` (widget coordinates), or {0, -1} when
    // none does. The tabs run left to right, so a strip of hundreds of tabs, most of
    // them scrolled away, is searched, not walked.
    std::pair<int, int> tabsWithin(const QRect& area) const;

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int tabWidth_ = 0;
    bool buttons_ = false;
    DrawTab drawTab_;
    std::function<void()> beforeDrawTabs_;
    // The strip lays every tab out again at each tab added and each title changed; a
    // tab's size is measured once per text and font, not at every layout.
    struct Sizes {
        QSize natural, minimum;
    };
    QSize measured(int index, bool minimum) const;
    mutable QHash<QString, Sizes> sizes_;
};

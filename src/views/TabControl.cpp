#include "views/TabControl.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStylePainter>

namespace {

bool verticalTabs(QTabBar::Shape shape) {
    return shape == QTabBar::RoundedWest || shape == QTabBar::RoundedEast || shape == QTabBar::TriangularWest ||
           shape == QTabBar::TriangularEast;
}

}  // namespace

TTabControl::TTabControl(QWidget* parent) : QTabBar(parent) {
    setObjectName(QStringLiteral("TabControl1"));
    setShape(QTabBar::RoundedSouth);
    setExpanding(false);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideRight);
    setDocumentMode(true);
}

void TTabControl::setTabWidth(int width) {
    tabWidth_ = width < 0 ? 0 : width;
    updateGeometry();
    // QTabBar caches tab sizes; a no-op text change makes it lay out again.
    if (count() > 0) setTabText(0, tabText(0));
    update();
}

void TTabControl::setButtonStyle(bool buttons) {
    buttons_ = buttons;
    sizes_.clear();   // the shape is measured with
    setShape(buttons ? QTabBar::RoundedNorth : QTabBar::RoundedSouth);
    update();
}

QSize TTabControl::measured(int index, bool minimum) const {
    const QString text = tabText(index);
    // Titles come and go over a long session: the sizes of texts no tab shows any more
    // are dropped now and then.
    if (sizes_.size() > 2 * count() + 64) sizes_.clear();
    Sizes& sizes = sizes_[text];
    QSize& size = minimum ? sizes.minimum : sizes.natural;
    // The minimum is the natural size of the shortened text, which QTabBar asks this
    // strip for under the tab's index: measured apart, and not held while it asks.
    if (!size.isValid()) {
        const QSize found = minimum ? QTabBar::minimumTabSizeHint(index) : QTabBar::tabSizeHint(index);
        sizes_[text].*(minimum ? &Sizes::minimum : &Sizes::natural) = found;
        return found;
    }
    return size;
}

QSize TTabControl::tabSizeHint(int index) const {
    QSize size = measured(index, false);
    if (tabWidth_ > 0) size.setWidth(tabWidth_);
    return size;
}

QSize TTabControl::minimumTabSizeHint(int index) const {
    QSize size = measured(index, true);
    if (tabWidth_ > 0) size.setWidth(tabWidth_);
    return size;
}

void TTabControl::changeEvent(QEvent* event) {
    // What a tab's size is measured with.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) sizes_.clear();
    QTabBar::changeEvent(event);
}

std::pair<int, int> TTabControl::tabsWithin(const QRect& area) const {
    if (layoutDirection() == Qt::RightToLeft || verticalTabs(shape())) {
        // Not a left-to-right row: walk them all.
        int first = -1, last = -1;
        for (int i = 0; i < count(); ++i)
            if (tabRect(i).intersects(area)) {
                if (first < 0) first = i;
                last = i;
            }
        return first < 0 ? std::pair{0, -1} : std::pair{first, last};
    }
    int low = 0, high = count();
    // The first tab whose right edge reaches the area...
    while (low < high) {
        const int mid = (low + high) / 2;
        if (tabRect(mid).right() < area.left()) low = mid + 1;
        else high = mid;
    }
    const int first = low;
    // ...and the last whose left edge does not pass it.
    high = count();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (tabRect(mid).left() <= area.right()) low = mid + 1;
        else high = mid;
    }
    const int last = low - 1;
    if (first > last || !tabRect(first).intersects(area)) return {0, -1};
    return {first, last};
}

void TTabControl::paintEvent(QPaintEvent* event) {
    if (!drawTab_) {
        QTabBar::paintEvent(event);
        return;
    }
    // Only the tabs in the painted area: the rest are scrolled away or not asked for.
    const auto [first, last] = tabsWithin(event->rect());
    if (first > last) return;
    if (beforeDrawTabs_) beforeDrawTabs_();
    QStylePainter painter(this);
    for (int i = first; i <= last; ++i) {
        const QRect r = tabRect(i);
        if (!r.intersects(event->rect())) continue;
        if (!buttons_) {
            // Tab style: the platform's tab shape, then the program's own face inside it.
            QStyleOptionTab option;
            initStyleOption(&option, i);
            option.text.clear();
            painter.drawControl(QStyle::CE_TabBarTabShape, option);
        } else {
            QStyleOptionButton option;
            option.initFrom(this);
            option.rect = r;
            option.state |= i == currentIndex() ? QStyle::State_Sunken : QStyle::State_Raised;
            painter.drawControl(QStyle::CE_PushButtonBevel, option);
        }
        drawTab_(painter, i, r.adjusted(2, 2, -2, -2), i == currentIndex());
    }
}

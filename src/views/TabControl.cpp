#include "views/TabControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QStyleOptionButton>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>

TTabControl::TTabControl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabControl1"));
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    const auto scrollButton = [this](const char* name, Qt::ArrowType arrow) {
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(name));
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->hide();
        return button;
    };
    scrollBack_ = scrollButton("ScrollLeftButton", Qt::LeftArrow);
    scrollOn_ = scrollButton("ScrollRightButton", Qt::RightArrow);
    connect(scrollBack_, &QToolButton::clicked, this, &TTabControl::scrollBack);
    connect(scrollOn_, &QToolButton::clicked, this, &TTabControl::scrollOn);
    measureAll();
    layoutRow();
}

int TTabControl::insertTab(int index, const QString& text) {
    index = std::clamp(index, 0, count());
    const bool follow = currentInView();
    tabs_.insert(index, Tab{text, {}});
    if (!fixedWidth()) row_.insert(index, measure(text));
    if (count() > 1 && index <= current_) ++current_;
    // The tab before it may draw differently once it is no longer the last.
    rowChanged(std::max(index - 1, 0), follow);
    if (count() == 1) setCurrentIndex(index);
    return index;
}

void TTabControl::removeTab(int index) {
    if (!valid(index)) return;
    const bool follow = currentInView();
    tabs_.removeAt(index);
    if (!fixedWidth()) row_.remove(index);
    if (index == current_) {
        // The tab that takes the removed one's place is selected.
        current_ = -1;
        rowChanged(std::max(index - 1, 0), false);
        if (count() > 0) setCurrentIndex(std::min(index, count() - 1));
        else emit currentChanged(-1);
        return;
    }
    const bool shifted = index < current_;
    if (shifted) --current_;
    rowChanged(std::max(index - 1, 0), follow);
    if (shifted) emit currentChanged(current_);
}

QString TTabControl::tabText(int index) const { return valid(index) ? tabs_[index].text : QString(); }

void TTabControl::setTabText(int index, const QString& text) {
    if (!valid(index) || tabs_[index].text == text) return;
    tabs_[index].text = text;
    const int width = fixedWidth() ? tabWidth_ : measure(text);
    if (fixedWidth() || row_.width(index) == width) {
        updateTabs(index, index);
        return;
    }
    const bool follow = currentInView();
    row_.setWidth(index, width);
    rowChanged(index, follow);
}

QVariant TTabControl::tabData(int index) const { return valid(index) ? tabs_[index].data : QVariant(); }

void TTabControl::setTabData(int index, const QVariant& data) {
    if (valid(index)) tabs_[index].data = data;
}

void TTabControl::setCurrentIndex(int index) {
    if (index == current_ || !valid(index)) return;
    const int old = current_;
    current_ = index;
    // Neighbours too: a tab's shape may depend on whether the one beside it is selected.
    if (old >= 0) updateTabs(old - 1, old + 1);
    updateTabs(index - 1, index + 1);
    makeVisible(index);
    emit currentChanged(index);
}

void TTabControl::setTabWidth(int width) {
    width = std::max(width, 0);
    if (width == tabWidth_) return;
    const bool follow = currentInView();
    tabWidth_ = width;
    measureAll();
    rowChanged(0, follow);
}

void TTabControl::setButtonStyle(bool buttons) {
    if (buttons == buttons_) return;
    const bool follow = currentInView();
    buttons_ = buttons;
    measureAll();   // the shape is measured with
    rowChanged(0, follow);
}

QSize TTabControl::sizeHint() const { return count() > 0 ? QSize(rowWidth(), tabHeight_) : QSize(0, 0); }

QSize TTabControl::minimumSizeHint() const {
    return {scrollOn_->sizeHint().width() * 2 + 75, sizeHint().height()};
}

// Measuring ---------------------------------------------------------------------------

int TTabControl::measure(const QString& text) {
    if (const auto known = widthOfText_.constFind(text); known != widthOfText_.cend()) return *known;
    // Titles come and go over a long session: the widths of texts no tab shows any more
    // are dropped now and then.
    if (widthOfText_.size() > 2 * count() + 64) widthOfText_.clear();
    QStyleOptionTab option;
    option.initFrom(this);
    option.shape = shape();
    option.documentMode = true;
    option.text = text;
    const QFontMetrics metrics = fontMetrics();
    const QSize contents(metrics.size(Qt::TextShowMnemonic, text).width() +
                             style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this),
                         metrics.height() + style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this));
    const QSize size = style()->sizeFromContents(QStyle::CT_TabBarTab, &option, contents, this);
    if (text.isEmpty()) tabHeight_ = size.height();
    widthOfText_.insert(text, size.width());
    return size.width();
}

void TTabControl::measureAll() {
    widthOfText_.clear();
    measure(QString());   // the height every tab shares
    if (fixedWidth()) {
        // Fixed widths need no measuring: the row is counted, not summed.
        row_.clear();
        return;
    }
    std::vector<int> widths;
    widths.reserve(static_cast<std::size_t>(count()));
    for (const Tab& tab : tabs_) widths.push_back(measure(tab.text));
    row_.assign(std::move(widths));
}

// Geometry ----------------------------------------------------------------------------

int TTabControl::tabAtX(int x) const {
    if (!fixedWidth()) return row_.indexAt(x);
    return x >= 0 && x < rowWidth() ? x / tabWidth_ : -1;
}

QRect TTabControl::fromRow(int left, int width) const {
    return QStyle::visualRect(layoutDirection(), rect(), QRect(left - offset_, 0, width, tabHeight_));
}

QRect TTabControl::tabRect(int index) const {
    return valid(index) ? fromRow(tabLeft(index), tabSpan(index)) : QRect();
}

int TTabControl::tabAt(const QPoint& pos) const {
    if (pos.y() < 0 || pos.y() >= tabHeight_) return -1;
    const int x = layoutDirection() == Qt::RightToLeft ? width() - 1 - pos.x() : pos.x();
    return tabAtX(x + offset_);
}

std::pair<int, int> TTabControl::tabsWithin(const QRect& area) const {
    const QRect inRow = QStyle::visualRect(layoutDirection(), rect(), area);
    if (inRow.isEmpty() || inRow.bottom() < 0 || inRow.top() >= tabHeight_) return {0, -1};
    const int from = std::max(inRow.left() + offset_, 0);
    const int to = std::min(inRow.right() + offset_, rowWidth() - 1);
    if (from > to) return {0, -1};
    return {tabAtX(from), tabAtX(to)};
}

bool TTabControl::currentInView() const {
    if (!valid(current_)) return false;
    const int left = tabLeft(current_) - offset_;
    return left >= 0 && left + tabSpan(current_) <= viewWidth_;
}

void TTabControl::rowChanged(int from, bool follow) {
    updateGeometry();
    bool moved = layoutRow();
    if (follow) moved = makeVisible(current_) || moved;
    if (moved) return;   // all repainted already
    // Everything right of `from` may have moved; nothing left of it did.
    const int left = valid(from) ? tabLeft(from) : rowWidth();
    update(fromRow(left, std::max(width() + offset_ - left, 0)).adjusted(0, 0, 0, height()));
}

// Shows the scroll buttons when the row is wider than the strip and keeps the offset
// within the row. True when the whole strip was repainted.
bool TTabControl::layoutRow() {
    laidOutWidth_ = width();
    const bool overflow = rowWidth() > width();
    const bool toggled = overflow != scrolls_;
    scrolls_ = overflow;
    if (overflow) {
        QStyleOptionTab option;
        option.initFrom(this);
        option.rect = rect();
        option.shape = shape();
        const QRect back = style()->subElementRect(QStyle::SE_TabBarScrollLeftButton, &option, this);
        const QRect on = style()->subElementRect(QStyle::SE_TabBarScrollRightButton, &option, this);
        scrollBack_->setGeometry(back);
        scrollOn_->setGeometry(on);
        const bool rtl = layoutDirection() == Qt::RightToLeft;
        scrollBack_->setArrowType(rtl ? Qt::RightArrow : Qt::LeftArrow);
        scrollOn_->setArrowType(rtl ? Qt::LeftArrow : Qt::RightArrow);
        viewWidth_ = std::min(QStyle::visualRect(layoutDirection(), rect(), back).left(),
                              QStyle::visualRect(layoutDirection(), rect(), on).left());
    } else {
        viewWidth_ = width();
    }
    if (toggled) {
        scrollBack_->setVisible(overflow);
        scrollOn_->setVisible(overflow);
    }
    const int before = offset_;
    offset_ = overflow ? std::clamp(offset_, 0, std::max(rowWidth() - viewWidth_, 0)) : 0;
    scrollBack_->setEnabled(offset_ > 0);
    scrollOn_->setEnabled(offset_ < rowWidth() - viewWidth_);
    if (!toggled && before == offset_) return false;
    update();
    return true;
}

bool TTabControl::scrollTo(int offset) {
    offset = std::clamp(offset, 0, std::max(rowWidth() - viewWidth_, 0));
    if (offset == offset_) return false;
    offset_ = offset;
    scrollBack_->setEnabled(offset_ > 0);
    scrollOn_->setEnabled(offset_ < rowWidth() - viewWidth_);
    update();
    return true;
}

bool TTabControl::makeVisible(int index) {
    // A hidden strip is told of a resize only when it shows.
    if (width() != laidOutWidth_) layoutRow();
    if (!valid(index)) return false;
    const int left = tabLeft(index), right = left + tabSpan(index);
    if (left < offset_) return scrollTo(left);
    // A tab wider than the view shows its beginning.
    if (right > offset_ + viewWidth_) return scrollTo(std::min(left, right - viewWidth_));
    return false;
}

// The scroll buttons move by whole tabs: back to the start of the tab cut at the left
// edge, on to the end of the tab cut at (or just past) the right edge.
void TTabControl::scrollBack() {
    const int cut = tabAtX(offset_ - 1);
    if (cut >= 0) scrollTo(tabLeft(cut));
}

void TTabControl::scrollOn() {
    const int edge = offset_ + viewWidth_;
    int cut = tabAtX(edge - 1);
    if (cut < 0) return;
    if (tabLeft(cut) + tabSpan(cut) <= edge) ++cut;
    if (valid(cut)) scrollTo(tabLeft(cut) + tabSpan(cut) - viewWidth_);
}

void TTabControl::updateTabs(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, count() - 1);
    if (first > last) return;
    update(tabRect(first).united(tabRect(last)));
}

// Events ------------------------------------------------------------------------------

void TTabControl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // What a tab's size is measured with.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::LayoutDirectionChange) {
        const bool follow = currentInView();
        measureAll();
        rowChanged(0, follow);
        update();
    }
}

void TTabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutRow();
    makeVisible(current_);
}

void TTabControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // A tab is selected as the button goes down, not when it comes up.
    const int index = tabAt(event->position().toPoint());
    if (index >= 0) setCurrentIndex(index);
}

void TTabControl::wheelEvent(QWheelEvent* event) {
    if (!scrolls_) {
        event->ignore();
        return;
    }
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const QPoint pixels = event->pixelDelta();
    if (!pixels.isNull()) {
        const int delta = pixels.x() != 0 ? (rtl ? -pixels.x() : pixels.x()) : pixels.y();
        scrollTo(offset_ - delta);
        return;
    }
    // A notch of the wheel moves a tab, as a scroll button does; a smooth wheel adds up.
    const QPoint angle = event->angleDelta();
    wheelRest_ += angle.x() != 0 ? (rtl ? -angle.x() : angle.x()) : angle.y();
    for (; wheelRest_ >= 120; wheelRest_ -= 120) scrollBack();
    for (; wheelRest_ <= -120; wheelRest_ += 120) scrollOn();
}

void TTabControl::keyPressEvent(QKeyEvent* event) {
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        const bool back = (event->key() == Qt::Key_Left) != rtl;
        setCurrentIndex(current_ + (back ? -1 : 1));
        return;
    }
    QWidget::keyPressEvent(event);
}

// Painting ----------------------------------------------------------------------------

void TTabControl::initTabOption(QStyleOptionTab& option, int index) const {
    option.initFrom(this);
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    option.rect = tabRect(index);
    option.row = 0;
    if (index == current_) {
        option.state |= QStyle::State_Selected;
        if (hasFocus()) option.state |= QStyle::State_HasFocus;
    }
    option.shape = shape();
    option.text = tabs_[index].text;
    option.documentMode = true;
    option.tabIndex = index;
    if (index > 0 && index - 1 == current_) option.selectedPosition = QStyleOptionTab::PreviousIsSelected;
    else if (index + 1 < count() && index + 1 == current_) option.selectedPosition = QStyleOptionTab::NextIsSelected;
    else option.selectedPosition = QStyleOptionTab::NotAdjacent;
    const bool first = index == 0, last = index == count() - 1;
    option.position = first && last ? QStyleOptionTab::OnlyOneTab
                      : first       ? QStyleOptionTab::Beginning
                      : last        ? QStyleOptionTab::End
                                    : QStyleOptionTab::Middle;
}

void TTabControl::paintEvent(QPaintEvent* event) {
    // Only the tabs in the painted area: the rest are scrolled away or not asked for.
    const auto [first, last] = tabsWithin(event->rect());
    if (first > last) return;
    if (drawTab_ && beforeDrawTabs_) beforeDrawTabs_();
    QStylePainter painter(this);
    for (int i = first; i <= last; ++i) {
        const QRect r = tabRect(i);
        const bool selected = i == current_;
        if (!buttons_) {
            // Tab style: the platform's tab shape, then the face inside it.
            QStyleOptionTab option;
            initTabOption(option, i);
            painter.drawControl(QStyle::CE_TabBarTabShape, option);
            if (!drawTab_) {
                const QRect textRect = style()->subElementRect(QStyle::SE_TabBarTabText, &option, this);
                option.text = fontMetrics().elidedText(option.text, Qt::ElideRight, textRect.width(),
                                                       Qt::TextShowMnemonic);
                painter.drawControl(QStyle::CE_TabBarTabLabel, option);
            }
        } else {
            QStyleOptionButton option;
            option.initFrom(this);
            option.rect = r;
            option.state |= selected ? QStyle::State_Sunken : QStyle::State_Raised;
            painter.drawControl(QStyle::CE_PushButtonBevel, option);
            if (!drawTab_) {
                const QRect textRect = r.adjusted(6, 0, -6, 0);
                painter.drawItemText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                                     fontMetrics().elidedText(tabs_[i].text, Qt::ElideRight, textRect.width(),
                                                              Qt::TextShowMnemonic));
            }
        }
        if (drawTab_) drawTab_(painter, i, r.adjusted(2, 2, -2, -2), selected);
    }
}

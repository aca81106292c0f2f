#include "views/TabControl.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStylePainter>

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
    setShape(buttons ? QTabBar::RoundedNorth : QTabBar::RoundedSouth);
    update();
}

QSize TTabControl::tabSizeHint(int index) const {
    QSize size = QTabBar::tabSizeHint(index);
    if (tabWidth_ > 0) size.setWidth(tabWidth_);
    return size;
}

QSize TTabControl::minimumTabSizeHint(int index) const {
    QSize size = QTabBar::minimumTabSizeHint(index);
    if (tabWidth_ > 0) size.setWidth(tabWidth_);
    return size;
}

void TTabControl::paintEvent(QPaintEvent* event) {
    if (!drawTab_) {
        QTabBar::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i) {
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

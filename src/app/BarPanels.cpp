#include "app/BarPanels.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

TBand::TBand(int id, const QString& name, QWidget* parent) : QToolBar(parent), id_(id) {
    setObjectName(name);
    setAllowedAreas(Qt::TopToolBarArea);
    setFloatable(false);
    setMovable(true);
}

void TBand::setPreferredWidth(int width) {
    preferredWidth_ = width;
    updateGeometry();
}

QSize TBand::sizeHint() const {
    QSize hint = QToolBar::sizeHint();
    if (preferredWidth_ > 0) hint.setWidth(std::max(preferredWidth_, minimumSizeHint().width()));
    return hint;
}

void TBand::mouseReleaseEvent(QMouseEvent* event) {
    QToolBar::mouseReleaseEvent(event);
    emit mouseReleased();
}

TAddressPanel::TAddressPanel(QLabel* label, QLineEdit* address, QPushButton* move, QWidget* parent)
    : QWidget(parent), label_(label), address_(address), move_(move) {
    label_->setParent(this);
    address_->setParent(this);
    move_->setParent(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fit();
}

void TAddressPanel::fit() {
    const int h = height();
    label_->setGeometry(0, 0, label_->width(), h);
    move_->setGeometry(width() - move_->width(), 0, move_->width(), h);
    address_->setGeometry(label_->width(), (h - address_->sizeHint().height()) / 2,
                          std::max(0, width() - move_->width() - label_->width()), address_->sizeHint().height());
}

QSize TAddressPanel::sizeHint() const { return {label_->width() + 120 + move_->width(), 20}; }

TStatusPanel::TStatusPanel(QLabel* status, QProgressBar* progress, QWidget* parent)
    : QWidget(parent), status_(status), progress_(progress) {
    status_->setParent(this);
    progress_->setParent(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TStatusPanel::fit() {
    if (width() > 260) {
        progress_->resize(130, progress_->height());
        status_->resize(width() - 130, status_->height());
    }
    const int h = height();
    status_->setGeometry(0, 0, status_->width(), h);
    progress_->setGeometry(status_->width(), 2, progress_->width(), std::max(0, h - 4));
}

QSize TStatusPanel::sizeHint() const { return {status_->width() + progress_->width(), 20}; }

TJBarPanel::TJBarPanel(QTreeWidget* tree, QPushButton* button, QWidget* parent)
    : QWidget(parent), tree_(tree), button_(button) {
    tree_->setParent(this);
    button_->setParent(this);
    setCursor(Qt::SizeHorCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void TJBarPanel::fit() {
    // The tree takes the J bar's width less 10 pixels; the collapse button stands in
    // the strip that remains and stays reachable however narrow the bar gets.
    const int w = width();
    tree_->setGeometry(0, 0, std::max(0, w - 10), height());
    tree_->setVisible(w > 10);
    button_->setGeometry(std::max(0, w - 9), 0, 8, height());
}

void TJBarPanel::mousePressEvent(QMouseEvent* event) {
    pressed_ = true;
    event->accept();
}

void TJBarPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_) return;
    pressed_ = false;
    if (onMouseUp) onMouseUp(static_cast<int>(event->position().x()));
}

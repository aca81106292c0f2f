#include "engines/EmbeddedPage.h"

#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>

EmbeddedPage::EmbeddedPage() {
    container_ = new QStackedWidget;
    holder_ = new QWidget(container_);
    auto* layout = new QVBoxLayout(holder_);
    layout->setContentsMargins(0, 0, 0, 0);
    goneLabel_ = new QLabel(container_);
    goneLabel_->setAlignment(Qt::AlignCenter);
    goneLabel_->setWordWrap(true);
    container_->addWidget(holder_);
    container_->addWidget(goneLabel_);
    container_->setCurrentWidget(holder_);
}

EmbeddedPage::~EmbeddedPage() {
    release();
    delete container_.data();
}

QWidget* EmbeddedPage::widget() const { return container_; }

QWidget* EmbeddedPage::embed(WId window) {
    release();
    foreign_ = QWindow::fromWinId(window);
    if (!foreign_ || !holder_) return nullptr;
    pageWidget_ = QWidget::createWindowContainer(foreign_, holder_);
    pageWidget_->setFocusPolicy(Qt::StrongFocus);
    holder_->layout()->addWidget(pageWidget_);
    container_->setFocusProxy(pageWidget_);
    showPage();
    return pageWidget_;
}

void EmbeddedPage::release() {
    if (foreign_) {
        foreign_->hide();
        foreign_->setParent(nullptr);
        delete foreign_.data();
    }
    drop();
}

void EmbeddedPage::drop() {
    if (container_) container_->setFocusProxy(nullptr);
    delete pageWidget_.data();
}

void EmbeddedPage::place(QWidget* widget) {
    if (!holder_) return;
    holder_->layout()->addWidget(widget);
    container_->setFocusProxy(widget);
    showPage();
}

void EmbeddedPage::showGone(const QString& message) {
    if (!container_) return;
    goneLabel_->setText(message);
    container_->setCurrentWidget(goneLabel_);
}

void EmbeddedPage::showPage() {
    if (container_ && holder_) container_->setCurrentWidget(holder_);
}

bool EmbeddedPage::showsGone() const { return container_ && container_->currentWidget() == goneLabel_; }

#include "views/FindBar.h"

#include "engines/WebBrowser2.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

TFindBar::TFindBar(WebBrowser2& engine, QWidget* page, QWidget* parent)
    : QWidget(parent), engine_(engine), page_(page) {
    setObjectName(QStringLiteral("FindBar"));
    layout_ = new QBoxLayout(QBoxLayout::LeftToRight, this);
    layout_->setContentsMargins(4, 2, 4, 2);
    auto* searchRow = new QHBoxLayout;
    auto* options = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("検索:"), this);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("FindText"));
    text_->setClearButtonEnabled(true);
    text_->setMinimumWidth(100);
    caption->setBuddy(text_);
    next_ = new QToolButton(this);
    next_->setText(QStringLiteral("次へ"));
    next_->setToolTip(QStringLiteral("次を検索 (Enter, F3)"));
    previous_ = new QToolButton(this);
    previous_->setText(QStringLiteral("前へ"));
    previous_->setToolTip(QStringLiteral("前を検索 (Shift+Enter, Shift+F3)"));
    matchCase_ = new QCheckBox(QStringLiteral("大文字と小文字を区別する"), this);
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("FindResult"));
    auto* closer = new QToolButton(this);
    closer->setText(QStringLiteral("×"));
    closer->setToolTip(QStringLiteral("検索バーを閉じる (Esc)"));
    closer->setAutoRaise(true);
    // Clicking a button leaves the keyboard in the box, where the user goes on typing.
    for (QWidget* w : std::initializer_list<QWidget*>{next_, previous_, matchCase_, closer}) w->setFocusPolicy(Qt::NoFocus);
    searchRow->addWidget(caption);
    searchRow->addWidget(text_, 1);
    searchRow->addWidget(next_);
    searchRow->addWidget(previous_);
    options->addWidget(matchCase_);
    options->addWidget(result_, 1);
    options->addWidget(closer);
    layout_->addLayout(searchRow, 1);
    layout_->addLayout(options);
    text_->installEventFilter(this);

    connect(text_, &QLineEdit::textChanged, this, [this] { search(true); });
    connect(next_, &QToolButton::clicked, this, [this] { findNext(); });
    connect(previous_, &QToolButton::clicked, this, [this] { findPrevious(); });
    // Another letter case is another search, from the match shown.
    connect(matchCase_, &QCheckBox::toggled, this, [this] { search(true); });
    connect(closer, &QToolButton::clicked, this, [this] { dismiss(); });
    hide();
}

void TFindBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitWidth();
}

void TFindBar::fitWidth() {
    // One line where the window is wide enough, the options below the text box where not.
    // Measured against the window around the bar: the bar's own width follows the
    // minimum of the layout it has.
    const QWidget* around = parentWidget() ? parentWidget() : this;
    int oneLine = layout_->contentsMargins().left() + layout_->contentsMargins().right() + layout_->spacing();
    for (int i = 0; i < layout_->count(); ++i) oneLine += layout_->itemAt(i)->sizeHint().width();
    const auto direction = around->width() >= oneLine ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (layout_->direction() != direction) layout_->setDirection(direction);
}

void TFindBar::open() {
    const bool wasHidden = isHidden();
    // A window of its own, from its first use on: the keyboard can then be given to the
    // bar alone, and not to a window that also holds a page of another process, which X
    // would hand the keys to whenever the pointer rests on that page.
    if (!testAttribute(Qt::WA_NativeWindow)) setAttribute(Qt::WA_NativeWindow);
    show();
    fitWidth();
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
    // What the page holds may have changed since the bar was last open; an open bar
    // stays on the match it shows.
    if (wasHidden && !text_->text().isEmpty()) search(true);
}

void TFindBar::dismiss() {
    hide();
    if (searching_) (void)engine_.StopFinding();
    searching_ = false;
    if (page_) page_->setFocus(Qt::OtherFocusReason);
}

void TFindBar::findNext() {
    if (isHidden() || text_->text().isEmpty()) {
        open();
        return;
    }
    search(true);
}

void TFindBar::findPrevious() {
    if (isHidden() || text_->text().isEmpty()) {
        open();
        return;
    }
    search(false);
}

void TFindBar::search(bool forward) {
    const QString text = text_->text();
    if (text.isEmpty()) {
        if (searching_) (void)engine_.StopFinding();
        searching_ = false;
        result_->clear();
        return;
    }
    searching_ = true;
    const HRESULT result = engine_.Find(text, forward, matchCase_->isChecked());
    if (FAILED(result)) result_->setText(QStringLiteral("このページは検索できません"));
}

void TFindBar::showResult(int current, int total) {
    // A result that comes after the box was emptied belongs to no search.
    if (text_->text().isEmpty()) return;
    result_->setText(resultText(current, total));
}

QString TFindBar::resultText(int current, int total) {
    if (total <= 0) return QStringLiteral("見つかりません");
    if (current <= 0) return QStringLiteral("%1 件").arg(total);
    return QStringLiteral("%1 / %2 件").arg(current).arg(total);
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (mods == Qt::ShiftModifier) findPrevious();
            else findNext();
            return true;
        case Qt::Key_Escape:
            dismiss();
            return true;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

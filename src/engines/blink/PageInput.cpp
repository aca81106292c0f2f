#include "engines/blink/PageInput.h"

#include <QChildEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QWebEngineView>

namespace Blink {

namespace {

// The one action of an effect the source allows, Copy before Move before Link.
Qt::DropAction chosenAction(std::uint32_t effect, Qt::DropActions allowed) {
    for (Qt::DropAction action : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction})
        if ((effect & action) && allowed.testFlag(action)) return action;
    return Qt::IgnoreAction;
}

// What the page did with a drag: the one action it took, or none.
std::uint32_t effectOf(const QDropEvent& event) {
    return event.isAccepted() ? chosenAction(event.dropAction(), event.possibleActions()) : 0;
}

}  // namespace

PageInput::PageInput(QWebEngineView* view, std::function<IDocHostUIHandler*()> host)
    : QObject(view), view_(view), host_(std::move(host)) {
    watch(view);
    // The widget Chromium takes its input through comes when the page first shows.
    for (QObject* child : view->children()) watch(child);
}

PageInput::~PageInput() = default;

void PageInput::watch(QObject* object) {
    if (object->isWidgetType()) object->installEventFilter(this);
}

bool PageInput::isEditingKey(const QKeyEvent* key) {
    for (QKeySequence::StandardKey k : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
                                        QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo})
        if (key->matches(k)) return true;
    return false;
}

bool PageInput::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (watched == view_) watch(static_cast<QChildEvent*>(event)->child());
        return false;
    case QEvent::ShortcutOverride:
        // Chromium claims these only inside a text field; outside one the frame's shortcut
        // of the same key would take it, and Ctrl+C on selected page text would copy nothing.
        if (isEditingKey(static_cast<QKeyEvent*>(event))) event->accept();
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop: return dragEvent(watched, event);
    default: return false;
    }
}

bool PageInput::dragEvent(QObject* dragWidget, QEvent* event) {
    if (event->type() == QEvent::DragEnter) {
        // The host is asked at every drag that comes in; an empty answer leaves the page
        // its own target.
        hostTarget_ = nullptr;
        if (IDocHostUIHandler* host = host_ ? host_() : nullptr) {
            IDropTarget* replacement = nullptr;
            if (host->GetDropTarget(this, &replacement) == S_OK) hostTarget_ = replacement;
        }
    }
    if (!hostTarget_) return false;

    IDropTarget* target = hostTarget_;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        buttons_ = drop->buttons();
        modifiers_ = drop->modifiers();
        auto effect = static_cast<std::uint32_t>(drop->possibleActions());
        const QPoint at = static_cast<QWidget*>(dragWidget)->mapToGlobal(drop->position().toPoint());
        HRESULT result = S_OK;
        if (event->type() == QEvent::DragEnter) result = target->DragEnter(drop->mimeData(), at, &effect);
        else if (event->type() == QEvent::DragMove) result = target->DragOver(at, &effect);
        else result = target->Drop(drop->mimeData(), at, &effect);
        const Qt::DropAction action = SUCCEEDED(result) ? chosenAction(effect, drop->possibleActions()) : Qt::IgnoreAction;
        if (action != Qt::IgnoreAction) {
            drop->setDropAction(action);
            drop->accept();
        } else {
            drop->ignore();
        }
        if (event->type() == QEvent::Drop) hostTarget_ = nullptr;
        return true;
    }
    default:   // DragLeave
        hostTarget_ = nullptr;
        (void)target->DragLeave();
        return true;
    }
}

QPoint PageInput::local(QPoint global) const { return view_ ? view_->mapFromGlobal(global) : global; }

bool PageInput::passToPage(QEvent& event) {
    if (!view_) return false;
    // Straight to the view, which hands drags to Chromium. Sent through the application
    // it would be routed to the widget the drag under way entered (the view's input
    // widget, which only the window system's own drag events reach the page through).
    static_cast<QObject*>(view_.data())->event(&event);
    return true;
}

HRESULT PageInput::DragEnter(const QMimeData* data, QPoint pt, std::uint32_t* effect) {
    if (!effect || !data) return E_POINTER;
    dragData_ = data;
    QDragEnterEvent enter(local(pt), Qt::DropActions(*effect), data,
                          buttons_, modifiers_);
    if (!passToPage(enter)) return E_FAIL;
    *effect = effectOf(enter);
    return S_OK;
}

HRESULT PageInput::DragOver(QPoint pt, std::uint32_t* effect) {
    if (!effect) return E_POINTER;
    if (!dragData_) return E_UNEXPECTED;   // no drag came in
    QDragMoveEvent move(local(pt), Qt::DropActions(*effect), dragData_,
                        buttons_, modifiers_);
    if (!passToPage(move)) return E_FAIL;
    *effect = effectOf(move);
    return S_OK;
}

HRESULT PageInput::DragLeave() {
    dragData_ = nullptr;
    QDragLeaveEvent leave;
    return passToPage(leave) ? S_OK : E_FAIL;
}

HRESULT PageInput::Drop(const QMimeData* data, QPoint pt, std::uint32_t* effect) {
    if (!effect || !data) return E_POINTER;
    dragData_ = nullptr;
    QDropEvent drop(QPointF(local(pt)), Qt::DropActions(*effect), data,
                    buttons_, modifiers_);
    if (!passToPage(drop)) return E_FAIL;
    *effect = effectOf(drop);
    return S_OK;
}

}  // namespace Blink

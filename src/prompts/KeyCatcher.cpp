#include "prompts/KeyCatcher.h"

#include "platform/ErrorBox.h"

#include <QKeyEvent>

KeyCatcher::KeyCatcher(int key, std::function<void()> caught) : key_(key), caught_(std::move(caught)) {}

bool KeyCatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* press = static_cast<QKeyEvent*>(event);
    if (press->key() != key_ || press->modifiers() != Qt::NoModifier) return false;
    ErrorBox::guard([this] { caught_(); });
    return true;
}

#include "app/AppMessageFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QPointer>

namespace {

QPointer<AppMessageFilter>& current() {
    static QPointer<AppMessageFilter> filter;
    return filter;
}

}  // namespace

void AppMessageFilter::install(QObject* frame) {
    if (current()) return;
    current() = new AppMessageFilter(frame);
    qApp->installEventFilter(current());
}

bool AppMessageFilter::HandleAppMessage(QObject* target, QEvent* event, bool handled) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && qobject_cast<QMdiArea*>(target)) return false;
    }
    return handled;
}

bool AppMessageFilter::eventFilter(QObject* watched, QEvent* event) {
    return HandleAppMessage(watched, event, false);
}

#include "engines/DocHost.h"

#include <QGuiApplication>
#include <QKeyEvent>

TMessage TMessage::of(QWidget* target, QEvent* event) {
    TMessage msg;
    msg.target = target;
    msg.event = event;
    if (!event) return msg;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        msg.wParam = virtualKeyOf(key->key());
        const bool system = key->modifiers().testFlag(Qt::AltModifier) || key->key() == Qt::Key_F10;
        msg.message = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
    } else if (event->type() == QEvent::Shortcut) {
        msg.message = WM_COMMAND;
    }
    return msg;
}

std::uint16_t virtualKeyOf(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<std::uint16_t>(qtKey);       // 'A'..'Z'
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<std::uint16_t>(qtKey);       // '0'..'9'
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return static_cast<std::uint16_t>(VK_F1 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Menu: return 0x5D;
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0xBB;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Minus: return 0xBD;
    case Qt::Key_Period: return 0xBE;
    case Qt::Key_Slash: return 0xBF;
    default: return 0;
    }
}

TShiftState currentShiftState() {
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    TShiftState state = 0;
    if (held.testFlag(Qt::ControlModifier)) state |= ssCtrl;
    if (held.testFlag(Qt::ShiftModifier)) state |= ssShift;
    if (held.testFlag(Qt::AltModifier)) state |= ssAlt;
    return state;
}

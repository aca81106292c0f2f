#include "platform/Beep.h"

#include <QApplication>

namespace Beep {
namespace {

std::function<void()>& sounder() {
    static std::function<void()> s;
    return s;
}

}  // namespace

void defaultBeep() {
    if (sounder())
        sounder()();
    else
        QApplication::beep();
}

void setSounder(std::function<void()> s) { sounder() = std::move(s); }

}  // namespace Beep

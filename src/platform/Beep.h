#pragma once
// The system's default beep (MessageBeep of the default kind).

#include <functional>

namespace Beep {

void defaultBeep();

// Tests count beeps instead of sounding them; an empty function restores the sound.
void setSounder(std::function<void()> sounder);

}  // namespace Beep

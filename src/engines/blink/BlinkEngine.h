#pragma once
// Chromium (through QtWebEngine) in the IE slot: registration and the choices the engine
// makes for every page. This header names no QtWebEngine type, so the entry point and
// the tests may include it.

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace Blink {

// The Chromium switches the program starts with when the user has not set
// QTWEBENGINE_CHROMIUM_FLAGS; read before the first page exists.
const char* defaultChromiumFlags();

// Registers the engine under the IE class id and its own.
void registerEngine();
// Registers it under its own class id only: the IE slot decides when it serves.
void registerBuiltIn();

// Every page shares one profile, set up at the first page: Japanese Accept-Language, a
// CJK default font, windows opened by script allowed (they arrive as NewWindow2). By
// default it keeps cookies and cache on disk; tests call this before the first page to
// keep nothing.
void useOffTheRecordProfile();

// The message a view shows when the process drawing its page has ended.
QString rendererGoneMessage();

}  // namespace Blink

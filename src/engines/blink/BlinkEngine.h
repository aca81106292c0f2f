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

// Registers the Chromium engine under the IE class id.
void registerEngine();

// Every page shares one profile, set up at the first page: Japanese Accept-Language, a
// CJK default font, windows opened by script allowed (they arrive as NewWindow2). By
// default it keeps cookies and cache on disk; tests call this before the first page to
// keep nothing.
void useOffTheRecordProfile();

// The Save As question: the path the page is saved to, empty when the user cancels.
// The default asks with a file dialog; tests put their own answer in place (an empty
// function restores the dialog).
using SaveFileChooser = std::function<QString(QWidget* parent, const QString& suggestedName)>;
void setSaveFileChooser(SaveFileChooser chooser);

// What the engine loads for an address as a user typed it: nothing → about:blank; an
// existing local file (absolute, or relative to the current folder) → its file URL; a
// name without a scheme → http://. Invalid addresses give an invalid URL.
QUrl addressToUrl(const QString& address);

// The text form of an address the engine reports (LocationURL, BeforeNavigate2's URL):
// one form for both, so that an address read from a page matches the address a later
// navigation to it announces.
QString urlText(const QUrl& url);

// The zoom factor of a text size 0 (smallest) to 4 (largest); 0 for any other size.
double zoomFactorForTextSize(int size);

// The message a view shows when the process drawing its page has ended.
QString rendererGoneMessage();

}  // namespace Blink

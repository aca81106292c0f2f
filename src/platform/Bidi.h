#pragma once
// Page text shown as the program's own (window captions, tab texts, the status bar, a
// bookmark name proposed from a title). A page chooses its title freely: with explicit
// bidirectional controls (an override such as U+202E, embeddings, isolates, marks) it
// could make a tab read as another site's name or reorder the caption around it, and
// with a line or paragraph separator it could push half a caption onto a second line
// that the caption bar cuts off.

#include <QString>

// The text without the bidirectional control characters U+202A..U+202E, U+2066..U+2069,
// U+200E, U+200F and U+061C. Every other character stays, in its order; right-to-left
// scripts still show right to left by their own nature.
QString neutralizeBidi(const QString& text);

// Whether the character is one of those controls.
bool isBidiControl(char16_t unit);

// The text on one line: every line end (CR LF, CR, LF, U+0085, U+2028, U+2029, and the
// vertical tab and form feed that text layout also breaks at) becomes one space.
QString onOneLine(const QString& text);

// Page text as the program shows it: without bidirectional controls, on one line.
QString shownPageText(const QString& text);

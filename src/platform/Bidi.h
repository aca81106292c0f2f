#pragma once
// Page text shown as the program's own (window captions, tab texts, the status bar, a
// bookmark name proposed from a title). A page chooses its title freely: with explicit
// bidirectional controls (an override such as U+202E, embeddings, isolates, marks) it
// could make a tab read as another site's name or reorder the caption around it.

#include <QString>

// The text without the bidirectional control characters U+202A..U+202E, U+2066..U+2069,
// U+200E, U+200F and U+061C. Every other character stays, in its order; right-to-left
// scripts still show right to left by their own nature.
QString neutralizeBidi(const QString& text);

// Whether the character is one of those controls.
bool isBidiControl(char16_t unit);

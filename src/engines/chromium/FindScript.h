#pragma once
// Find in page for the system's Chromium, whose DevTools protocol has no find of its own:
// a script in a world of the frame's own beside the page's scripts, which the page
// cannot see or change. It marks every match with a highlight of its own, scrolls the
// match shown into view and answers {current, total}.

#include <QString>

namespace FindScript {

// The name of the world the script runs in.
QString worldName();
// The expression that searches (or steps on, for the same text and case) and evaluates
// to {current, total}.
QString find(const QString& text, bool forward, bool matchCase);
// The expression that takes the marks away and leaves the match shown selected.
QString stop();

}  // namespace FindScript

#pragma once
// The words of a Chromium page's own commands (its context menu and its edit actions).
// QtWebEngine ships them in English only; every page gets them in Japanese, from one
// table, when it is made.

#include <QString>
#include <QWebEnginePage>

namespace Blink {

// The Japanese text of a page action; empty for an action the table does not know.
QString actionText(QWebEnginePage::WebAction action);

// Gives every action of the page its Japanese text.
void translateActions(QWebEnginePage* page);

}  // namespace Blink

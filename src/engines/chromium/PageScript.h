#pragma once
// The script every document of a Chromium page runs first. It reports to the frame what
// the frame cannot see in a window of another process (clicks, hovered links, title
// changes, the frame's keys), through a binding only it holds: it takes the binding off
// the page's global object before any script of the page runs.

#include <QJsonObject>
#include <QString>

namespace PageScript {

QString source(const QString& bindingName);
// Sets the zoom of the page's documents, from the next document on.
QString zoomSource(double factor);
// The same for the document shown now.
QString zoomNow(double factor);

// One report of the script, as the frame acts on it.
struct Report {
    enum class Kind { None, Click, Status, Title, Key, Menu, Ask } kind = Kind::None;
    QString text;   // status, title, the key's text, the menu's selected text, the feature asked for
    QString link;   // what a right-click was on
    QString image;
    bool editable = false;
    int key = 0;   // Qt key
    Qt::KeyboardModifiers modifiers;
};
// Reads a payload; Kind::None for anything the script does not send.
Report parse(const QString& payload);

// The Qt key of a DOM keyCode; 0 for keys the frame has no use for.
int qtKeyOfKeyCode(int keyCode);

}  // namespace PageScript

#pragma once
// The web list editor's file-open and file-save dialogs. Tests answer them through a
// hook so that no modal dialog waits for a user.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace WebListDialogs {

struct Request {
    enum Kind { Open, Save };
    Kind kind = Open;
    QString folder;        // the folder the dialog starts in
    QString fileName;      // the name it offers: a bare pattern such as "*.wlf", or a full path
    QString filter;        // "description|pattern|description|pattern..."
};

// Runs the dialog; returns the chosen file's full path, empty when cancelled.
QString run(QWidget* parent, const Request& request);

// Tests: answers every dialog instead of showing one; an empty function restores them.
using Hook = std::function<QString(QWidget* parent, const Request& request)>;
void setHook(Hook hook);

// "desc|pattern|desc|pattern" turned into Qt's name filters, "desc (patterns)". The
// pattern "*.*" means every file, with or without an extension; Qt's "*.*" would want a
// dot, so it becomes "*". A description that already ends in its Qt pattern is kept as
// it is.
QStringList nameFilters(const QString& filter);

}  // namespace WebListDialogs

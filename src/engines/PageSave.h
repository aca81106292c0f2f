#pragma once
// Save As for both engines: the question where to save, and the name it proposes.

#include <QList>
#include <QString>
#include <functional>

class QWidget;

namespace PageSave {

// One file type the page can be saved as: the dialog's filter and the extension a name
// typed without one gets.
struct Format {
    QString filter;
    QString extension;
};

// The path the page is saved to, empty when the user cancels. The first format is the
// one the dialog starts with.
QString chooseFile(QWidget* parent, const QString& suggestedName, const QList<Format>& formats);

// Tests answer the question instead of a dialog; an empty function restores the dialog.
using Chooser = std::function<QString(QWidget* parent, const QString& suggestedName)>;
void setChooser(Chooser chooser);

// A file name for a page: its title, else the last part of its address path, else
// "index"; characters no file name may hold on either system become "_".
QString suggestedFileName(const QString& title, const QString& urlPath, const QString& extension);

}  // namespace PageSave

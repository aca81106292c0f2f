#include "engines/PageSave.h"

#include <QFileDialog>
#include <QFileInfo>

namespace PageSave {

namespace {

Chooser& chooser() {
    static Chooser c;
    return c;
}

}  // namespace

void setChooser(Chooser c) { chooser() = std::move(c); }

QString chooseFile(QWidget* parent, const QString& suggestedName, const QList<Format>& formats) {
    if (chooser()) return chooser()(parent, suggestedName);
    QStringList filters;
    for (const Format& f : formats) filters << f.filter;
    QString selected = filters.value(0);
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("名前を付けて保存"), suggestedName,
                                                filters.join(QStringLiteral(";;")), &selected);
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
    for (const Format& f : formats)
        if (f.filter == selected) return path + QLatin1Char('.') + f.extension;
    return path;
}

QString suggestedFileName(const QString& title, const QString& urlPath, const QString& extension) {
    QString name = title.trimmed();
    if (name.isEmpty()) name = QFileInfo(urlPath).completeBaseName();
    if (name.isEmpty()) name = QStringLiteral("index");
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar& c : name)
        if (forbidden.contains(c) || c.unicode() < 0x20) c = QLatin1Char('_');
    return name + QLatin1Char('.') + extension;
}

}  // namespace PageSave

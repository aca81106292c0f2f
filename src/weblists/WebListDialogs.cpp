#include "weblists/WebListDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace WebListDialogs {
namespace {

Hook& hook() {
    static Hook h;
    return h;
}

bool hasWildcard(const QString& name) {
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

void setJapaneseLabels(QFileDialog& dialog, Request::Kind kind) {
    dialog.setWindowTitle(kind == Request::Open ? QStringLiteral("ファイルを開く") : QStringLiteral("名前を付けて保存"));
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("ファイルの場所："));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("ファイル名："));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("ファイルの種類："));
    dialog.setLabelText(QFileDialog::Accept, kind == Request::Open ? QStringLiteral("開く") : QStringLiteral("保存"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
}

}  // namespace

void setHook(Hook h) { hook() = std::move(h); }

QStringList nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        }
        const QString qtPatterns = patterns.join(QLatin1Char(' '));
        if (description.endsWith(QLatin1Char('(') + qtPatterns + QLatin1Char(')')))
            result << description;
        else
            result << description + QStringLiteral(" (") + qtPatterns + QLatin1Char(')');
    }
    return result;
}

QString run(QWidget* parent, const Request& request) {
    if (hook()) return hook()(parent, request);

    QFileDialog dialog(parent);
    // Qt's own dialog, so that its labels can be given in Japanese.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(nameFilters(request.filter));
    dialog.setFileMode(request.kind == Request::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setAcceptMode(request.kind == Request::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (request.kind == Request::Save) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // After the modes: changing them resets the button texts.
    setJapaneseLabels(dialog, request.kind);

    // A remembered full path opens its own folder; a bare name or pattern opens the
    // requested one.
    const QFileInfo offered(request.fileName);
    if (!request.fileName.isEmpty() && offered.isAbsolute()) {
        dialog.setDirectory(offered.absolutePath());
        dialog.selectFile(offered.fileName());
    } else {
        dialog.setDirectory(request.folder);
        if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    }

    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return {};
        const QString chosen = dialog.selectedFiles().value(0);
        const QString name = QFileInfo(chosen).fileName();
        if (chosen.isEmpty()) return {};
        // A name with wildcards is a filter to look through, not a file to write.
        if (hasWildcard(name)) {
            dialog.setDirectory(QFileInfo(chosen).absolutePath());
            dialog.setNameFilters(QStringList{name} + nameFilters(request.filter));
            dialog.selectFile(QString());
            continue;
        }
        return chosen;
    }
}

}  // namespace WebListDialogs

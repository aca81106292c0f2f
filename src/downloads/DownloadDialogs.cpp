#include "downloads/DownloadDialogs.h"

#include "engines/Download.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QLabel* plainLabel(const QString& text) {
    auto* label = new QLabel(text);
    // A site's words are shown, never interpreted.
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

DownloadConfirm::DownloadConfirm(const Download& download, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("ファイルのダウンロード"));
    auto* layout = new QVBoxLayout(this);
    auto* question = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    question->addWidget(icon, 0, Qt::AlignTop);
    question->addWidget(new QLabel(QStringLiteral("このファイルを保存しますか?")), 1);
    layout->addLayout(question);

    const QString name = DownloadDialogs::safeFileName(download.suggestedName());
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("名前:"), plainLabel(name));
    form->addRow(QStringLiteral("種類:"),
                 plainLabel(DownloadDialogs::typeText(download.mimeType(), name, download.totalBytes())));
    form->addRow(QStringLiteral("発信元:"), plainLabel(DownloadDialogs::siteText(download.url())));
    layout->addLayout(form);

    auto* warning = new QLabel(QStringLiteral("インターネット上のファイルは役に立ちますが、コンピュータに問題を起こすものもあります。"
                                              "発信元が信頼できない場合は、このファイルを保存しないでください。"));
    warning->setWordWrap(true);
    layout->addWidget(warning);

    auto* buttons = new QDialogButtonBox;
    save_ = buttons->addButton(QStringLiteral("保存(&S)"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    save_->setObjectName(QStringLiteral("saveButton"));
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    save_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

namespace DownloadDialogs {

QString downloadFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    QDir().mkpath(folder);
    return folder;
}

QString safeFileName(const QString& suggested) {
    // Only the last part of a path: a site must not choose the folder.
    QString name = suggested.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) c = QLatin1Char('_');
    name = name.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) name = QStringLiteral("download");
    return name;
}

QString typeText(const QString& mimeType, const QString& fileName, qint64 totalBytes) {
    // The system describes types in the user's language, which need not be the program's:
    // the extension and the MIME type say it in any.
    const QString suffix = QFileInfo(fileName).suffix();
    QString text = suffix.isEmpty() ? QStringLiteral("ファイル") : QStringLiteral("%1 ファイル").arg(suffix.toUpper());
    if (!mimeType.isEmpty() && mimeType != QLatin1String("application/octet-stream"))
        text += QStringLiteral(" (%1)").arg(mimeType);
    if (totalBytes >= 0) text += QStringLiteral("、") + sizeText(totalBytes);
    return text;
}

QString siteText(const QUrl& url) {
    const QString text =
        url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo).toString();
    return text.isEmpty() ? url.scheme() + QLatin1Char(':') : text;
}

QString sizeText(qint64 bytes) {
    if (bytes < 1024) return QStringLiteral("%1 バイト").arg(bytes);
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    const int decimals = value < 10 ? 2 : value < 100 ? 1 : 0;
    return QStringLiteral("%1 %2").arg(value, 0, 'f', decimals).arg(QLatin1String(units[unit]));
}

QString timeText(qint64 seconds) {
    if (seconds < 60) return QStringLiteral("約 %1 秒").arg(qMax<qint64>(seconds, 1));
    if (seconds < 3600) return QStringLiteral("約 %1 分 %2 秒").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("約 %1 時間 %2 分").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

QString chooseTarget(QWidget* parent, const QString& suggestedName) {
    // Qt's own dialog, not the desktop's: its words are the program's language.
    QFileDialog dialog(parent, QStringLiteral("名前を付けて保存"), downloadFolder());
    dialog.setObjectName(QStringLiteral("downloadSaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QStringLiteral("すべてのファイル (*)"));
    dialog.selectFile(safeFileName(suggestedName));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

}  // namespace DownloadDialogs

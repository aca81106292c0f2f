#include "weblists/EditWebList.h"

#include "platform/ErrorBox.h"
#include "resources/Fonts.h"
#include "weblists/WebListDialogs.h"
#include "weblists/WebListFile.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kFilter = QStringLiteral("WebListFile(*.wlf)|*.wlf|その他(*.*)|*.*");
const QString kSaveInitialName = QStringLiteral("*.wlf");

}  // namespace

Tfrm_WebList::Tfrm_WebList(const QString& appPath, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      appPath_(appPath),
      saveDialogFileName_(kSaveInitialName) {
    createControls();
    connectHandlers();
    ErrorBox::guard([this] { FormCreate(); });
}

void Tfrm_WebList::createControls() {
    setObjectName(QStringLiteral("frm_WebList"));
    setWindowTitle(QStringLiteral("WebListの編集"));
    setFont(Fonts::japaneseUi(12));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    // A fixed dialog border: the client area never changes size.
    move(342, 231);
    setFixedSize(403, 216);

    Label1 = new QLabel(QStringLiteral("名前："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 8);
    Label1->adjustSize();
    lblName = new QLabel(this);
    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setGeometry(40, 8, 355, Label1->height());

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 24, 297, 185);
    // Tab moves on to the buttons; an address list has no use for tab characters.
    Memo1->setTabChangesFocus(true);

    auto button = [this](const QString& name, const QString& text, QRect geometry) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(geometry);
        return b;
    };
    btnLoad = button(QStringLiteral("btnLoad"), QStringLiteral("読み込み"), {312, 120, 81, 17});
    btnSave = button(QStringLiteral("btnSave"), QStringLiteral("上書き保存"), {312, 144, 81, 17});
    btnSaveAs = button(QStringLiteral("btnSaveAs"), QStringLiteral("別名で保存"), {312, 168, 81, 17});
    btnClose = button(QStringLiteral("btnClose"), QStringLiteral("閉じる"), {312, 192, 81, 17});

    QWidget* order[] = {Memo1, btnLoad, btnSaveAs, btnClose, btnSave};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void Tfrm_WebList::connectHandlers() {
    using ErrorBox::guarded;
    connect(btnLoad, &QPushButton::clicked, this, guarded([this](bool) { btnLoadClick(); }));
    connect(btnSave, &QPushButton::clicked, this, guarded([this](bool) { btnSaveClick(); }));
    connect(btnSaveAs, &QPushButton::clicked, this, guarded([this](bool) { btnSaveAsClick(); }));
    connect(btnClose, &QPushButton::clicked, this, guarded([this](bool) { btnCloseClick(); }));
}

void Tfrm_WebList::FormCreate() {
    lblName->clear();
    webListFolder_ = appPath_ + QStringLiteral("WebList");
}

QStringList Tfrm_WebList::memoLines() const { return TextLines::editorLines(Memo1->toPlainText()); }

void Tfrm_WebList::setMemoLines(const QStringList& lines) {
    Memo1->setPlainText(lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void Tfrm_WebList::setCurrentFile(const QString& path) {
    currentFile_ = path;
    lblName->setText(QFileInfo(path).fileName());
}

void Tfrm_WebList::saveTo(const QString& path) {
    WriteWebList(path, {memoLines(), charset_});
    setCurrentFile(path);
}

void Tfrm_WebList::btnLoadClick() {
    const QString path =
        WebListDialogs::run(this, {WebListDialogs::Request::Open, webListFolder_, openDialogFileName_, kFilter});
    if (path.isEmpty()) return;
    openDialogFileName_ = path;
    // Read first: a file that cannot be read leaves the memo and the name as they were.
    const WebList list = ReadWebList(path);
    setMemoLines(list.lines);
    charset_ = list.charset;
    setCurrentFile(path);
    loaded_ = true;
}

void Tfrm_WebList::btnSaveAsClick() {
    const QString path =
        WebListDialogs::run(this, {WebListDialogs::Request::Save, webListFolder_, saveDialogFileName_, kFilter});
    if (path.isEmpty()) return;
    saveDialogFileName_ = path;
    saveTo(path);
}

void Tfrm_WebList::btnSaveClick() {
    // Once a list has been loaded, the file named above the memo is the one written:
    // the one loaded, or the one last saved under a new name.
    if (loaded_) saveTo(currentFile_);
    else btnSaveAsClick();
}

void Tfrm_WebList::btnCloseClick() {
    emit EnumFilesRequested(webListFolder_);
    hide();
}

void Tfrm_WebList::closeEvent(QCloseEvent* event) {
    // Closing only hides: the text and the current file wait for the next showing.
    event->accept();
}

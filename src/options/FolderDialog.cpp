#include "options/FolderDialog.h"

#include "platform/ErrorBox.h"
#include "resources/Fonts.h"
#include "options/FolderTreeModel.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>

namespace {

FolderDialog::RunHook& runHook() {
    static FolderDialog::RunHook hook;
    return hook;
}

std::optional<QRect>& workAreaOverride() {
    static std::optional<QRect> area;
    return area;
}

// The size of the dialog as it opens, frame excluded.
constexpr QSize kSize(330, 400);

}  // namespace

void FolderDialog::setRunHook(RunHook hook) { runHook() = std::move(hook); }

QRect FolderDialog::workArea() {
    if (workAreaOverride()) return *workAreaOverride();
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void FolderDialog::setWorkArea(std::optional<QRect> area) { workAreaOverride() = area; }

std::optional<ShellItem> FolderDialog::browse(const BrowseInfo& info) {
    FolderDialog dialog(info);
    dialog.initialise();
    if (dialog.run() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedItem();
}

FolderDialog::FolderDialog(const BrowseInfo& info) : QDialog(nullptr), info_(info) {
    createControls();
    // The dialog is not the owner's child: the owner is disabled while the dialog runs,
    // and a disabled parent would disable it too. It still stays above the owner.
    if (info_.owner) {
        if (QWindow* ownerWindow = info_.owner->window()->windowHandle()) {
            winId();
            windowHandle()->setTransientParent(ownerWindow);
        }
    }
    model_ = new FolderTreeModel(info_.root, this);
    TreeView->setModel(model_);
    // Long names scroll sideways instead of being cut off.
    TreeView->header()->setStretchLastSection(false);
    TreeView->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    const QModelIndex root = model_->rootIndex();
    TreeView->setCurrentIndex(root);
    TreeView->expand(root);
    connect(TreeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            ErrorBox::guarded([this](const QModelIndex&, const QModelIndex&) { selectionChanged(); }));
}

FolderDialog::~FolderDialog() = default;

void FolderDialog::createControls() {
    setObjectName(QStringLiteral("FolderDialog"));
    setWindowTitle(QStringLiteral("フォルダの参照"));
    setFont(Fonts::japaneseUi(12));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    resize(kSize);

    lblTitle = new QLabel(info_.title, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setWordWrap(true);
    lblTitle->setTextFormat(Qt::PlainText);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setVisible((info_.flags & BIF_STATUSTEXT) != 0);

    TreeView = new QTreeView(this);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setUniformRowHeights(true);
    TreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setIndentation(19);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(lblTitle);
    layout->addWidget(lblStatus);
    layout->addWidget(TreeView, 1);
    layout->addLayout(buttons);
}

void FolderDialog::moveFrameTo(const QPoint& corner) {
    // Once the native window exists (it does from the constructor on, to stay above the
    // owner), move() places the client area, offset by the frame Qt knows of. On X11 that
    // is none until the window manager has framed the window, so the frame would cover
    // what lies above and left of the corner. The window is given the frame's position,
    // which reaches the window manager as such; the move before it keeps the widget's
    // geometry equal to the window's, so that showing the dialog does not place it again.
    move(corner);
    if (QWindow* window = windowHandle()) window->setFramePosition(corner);
}

void FolderDialog::initialise() {
    // The first report covers the root, or whatever the callback selects while it hears
    // that the dialog is ready.
    selectionPending_ = true;
    notify(BFFM_INITIALIZED, nullptr);
    reportSelection();
}

int FolderDialog::run() {
    if (!runHook()) return exec();
    setResult(QDialog::Rejected);
    show();
    runHook()(*this);
    const int code = result();
    hide();
    return code;
}

void FolderDialog::setSelection(const ShellItem& item) {
    const QModelIndex index = model_->locate(item);
    if (!index.isValid()) return;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) TreeView->expand(up);
    TreeView->setCurrentIndex(index);
    TreeView->scrollTo(index);
}

void FolderDialog::setStatusText(const QString& text) {
    if (info_.flags & BIF_STATUSTEXT) lblStatus->setText(text);
}

void FolderDialog::enableOK(bool enable) { btnOK->setEnabled(enable); }

std::optional<ShellItem> FolderDialog::selectedItem() const {
    const ShellItem* item = model_->itemAt(TreeView->currentIndex());
    if (!item) return std::nullopt;
    return *item;
}

QString FolderDialog::statusText() const { return lblStatus->text(); }

void FolderDialog::selectionChanged() {
    selectionPending_ = true;
    if (!inCallback_) reportSelection();
}

void FolderDialog::reportSelection() {
    while (selectionPending_) {
        selectionPending_ = false;
        const std::optional<ShellItem> item = selectedItem();
        // OK follows the flags first; the callback may then override it.
        bool ok = item.has_value();
        if (ok && (info_.flags & BIF_RETURNONLYFSDIRS)) ok = ShellNamespace::isFileSystemFolder(*item);
        btnOK->setEnabled(ok);
        if (item) notify(BFFM_SELCHANGED, &*item);
    }
}

void FolderDialog::notify(unsigned message, const ShellItem* item) {
    if (!info_.callback) return;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{inCallback_};
    inCallback_ = true;
    info_.callback(this, message, item, info_.data);
}

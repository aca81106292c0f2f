#include "bookmarks/BookMark.h"

#include "resources/Fonts.h"

#include "bookmarks/BookmarkModel.h"
#include "bookmarks/untBMB.h"
#include "platform/Beep.h"
#include "platform/ErrorBox.h"
#include "resources/ImageList.h"

#include <QAction>
#include <QCloseEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <memory>

Tfrm_BMEdit* frm_BMEdit = nullptr;

namespace {

constexpr int FolderImage = 0;
constexpr int PageImage = 1;
const QString kPlaceholder = QStringLiteral("123");
const QString kNewFolder = QStringLiteral("新しいフォルダ");

Tfrm_BMEdit::InputBox& inputBox() {
    static Tfrm_BMEdit::InputBox box;
    return box;
}

QString askText(QWidget* parent, const QString& caption, const QString& prompt, const QString& initial) {
    if (inputBox()) return inputBox()(parent, caption, prompt, initial);
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, initial, &ok);
    return ok ? text : initial;
}

// The sibling list a node stands in, by index.
int indexInParent(const QTreeWidgetItem* node) {
    if (QTreeWidgetItem* parent = node->parent()) return parent->indexOfChild(const_cast<QTreeWidgetItem*>(node));
    return node->treeWidget() ? node->treeWidget()->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(node)) : -1;
}

int siblingCount(const QTreeWidgetItem* node) {
    if (QTreeWidgetItem* parent = node->parent()) return parent->childCount();
    return node->treeWidget()->topLevelItemCount();
}

QTreeWidgetItem* sibling(const QTreeWidgetItem* node, int index) {
    if (QTreeWidgetItem* parent = node->parent()) return parent->child(index);
    return node->treeWidget()->topLevelItem(index);
}

// The expanded nodes of a subtree, walked without recursion.
void collectExpanded(QTreeWidgetItem* top, QList<QTreeWidgetItem*>& out) {
    QList<QTreeWidgetItem*> pending{top};
    while (!pending.isEmpty()) {
        QTreeWidgetItem* node = pending.takeLast();
        if (node->isExpanded()) out << node;
        for (int i = node->childCount() - 1; i >= 0; --i) pending << node->child(i);
    }
}

// The writer's node for a tree node and its subtree, walked without recursion. A folder
// never opened takes its entries from the reading it points at.
BookmarkStore::Node toNode(const QTreeWidgetItem* top) {
    auto shallow = [](const QTreeWidgetItem* item) { return BookmarkStore::Node(item->text(0), Tfrm_BMEdit::value(item)); };
    BookmarkStore::Node result = shallow(top);
    std::vector<std::pair<const QTreeWidgetItem*, BookmarkStore::Node*>> work{{top, &result}};
    while (!work.empty()) {
        const auto [item, node] = work.back();
        work.pop_back();
        if (const BookmarkStore::Entry* pending = PendingEntry(item)) {
            node->children = BookmarkStore::nodeOf(*pending).children;
            continue;
        }
        node->children.reserve(static_cast<std::size_t>(item->childCount()));
        for (int i = 0; i < item->childCount(); ++i) node->children.push_back(shallow(item->child(i)));
        // Reserved up front, so these addresses hold while the lower levels are filled.
        for (int i = 0; i < item->childCount(); ++i)
            work.emplace_back(item->child(i), &node->children[static_cast<std::size_t>(i)]);
    }
    return result;
}

}  // namespace

Tfrm_BMEdit::Tfrm_BMEdit(BookmarkModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      model_(model) {
    frm_BMEdit = this;
    createControls();
    connectHandlers();
    if (model_.hasReading() && !model_.loading()) {
        ErrorBox::guard([this] { FormCreate(); });
    } else {
        // The model holds no reading of the file yet: the tree waits for the one coming.
        connect(&model_, &BookmarkModel::changed, this, ErrorBox::guarded([this] { FormCreate(); }));
    }
}

Tfrm_BMEdit::~Tfrm_BMEdit() {
    if (frm_BMEdit == this) frm_BMEdit = nullptr;
}

void Tfrm_BMEdit::setInputBox(InputBox box) { inputBox() = std::move(box); }

void Tfrm_BMEdit::createControls() {
    setObjectName(QStringLiteral("frm_BMEdit"));
    setWindowTitle(QStringLiteral("ブックマークの編集"));
    setFont(Fonts::japaneseUi(12));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    // 461 x 288 outside; the client area is what the controls are laid out in.
    move(254, 120);
    setFixedSize(453, 261);
    const QList<QIcon> images = ImageList::create();
    ImageList1 = {images.value(ImageList::Folder), images.value(ImageList::Bookmark)};

    auto label = [this](const QString& name, const QString& text, QRect geometry) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setGeometry(geometry);
        return l;
    };
    auto edit = [this](const QString& name, QRect geometry) {
        auto* e = new QLineEdit(name, this);
        e->setObjectName(name);
        e->setGeometry(geometry);
        return e;
    };
    auto button = [this](const QString& name, const QString& text, QRect geometry) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(geometry);
        return b;
    };
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("名前："), {16, 8, 30, 12});
    txtName = edit(QStringLiteral("txtName"), {48, 8, 153, 20});
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("URL："), {16, 32, 28, 12});
    txtURL = edit(QStringLiteral("txtURL"), {48, 32, 297, 20});

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setGeometry(48, 64, 297, 161);
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);

    btnAdd = button(QStringLiteral("btnAdd"), QStringLiteral("追   加"), {355, 16, 89, 17});
    btnDel = button(QStringLiteral("btnDel"), QStringLiteral("削　  除"), {355, 40, 89, 17});
    btnEdit = button(QStringLiteral("btnEdit"), QStringLiteral("編　集"), {355, 64, 89, 17});
    btnMD = button(QStringLiteral("btnMD"), QStringLiteral("フォルダの作成"), {355, 88, 89, 17});
    btnSubMD = button(QStringLiteral("btnSubMD"), QStringLiteral("サブフォルダ作成"), {355, 112, 89, 17});
    btnSubMD->setFont(Fonts::japaneseUi(11));
    btnOK = button(QStringLiteral("btnOK"), QStringLiteral("O   K"), {355, 192, 89, 25});
    btnCancel = button(QStringLiteral("btnCancel"), QStringLiteral("キャンセル"), {355, 224, 89, 25});

    QWidget* order[] = {txtURL, btnCancel, btnAdd, btnMD, TreeView1, txtName, btnOK, btnDel, btnSubMD, btnEdit};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    popEdit = PopupMenu1->addAction(QStringLiteral("編集(&E)"));
    popReName = PopupMenu1->addAction(QStringLiteral("名前の変更(&R)"));
    M1 = PopupMenu1->addAction(QStringLiteral("サブフォルダの作成(&M)"));
    popDel = PopupMenu1->addAction(QStringLiteral("削除(&D)"));
    N1 = PopupMenu1->addSeparator();
    popMoveUp = PopupMenu1->addAction(QStringLiteral("上に移動&"));
    popMoveDown = PopupMenu1->addAction(QStringLiteral("下に移動&"));
}

void Tfrm_BMEdit::connectHandlers() {
    using ErrorBox::guarded;
    connect(TreeView1, &QTreeWidget::itemExpanded, this, guarded([this](QTreeWidgetItem* node) { fillNode(node); }));
    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            guarded([this](QTreeWidgetItem* current, QTreeWidgetItem*) { TreeView1Change(TreeView1, current); }));
    connect(TreeView1, &QWidget::customContextMenuRequested, this, guarded([this](const QPoint& pos) {
                PopupMenu1Popup(pos);
                PopupMenu1->popup(TreeView1->viewport()->mapToGlobal(pos));
            }));
    connect(btnAdd, &QPushButton::clicked, this, guarded([this](bool) { btnAddClick(); }));
    connect(btnDel, &QPushButton::clicked, this, guarded([this](bool) { btnDelClick(); }));
    connect(btnEdit, &QPushButton::clicked, this, guarded([this](bool) { btnEditClick(); }));
    connect(btnMD, &QPushButton::clicked, this, guarded([this](bool) { btnMDClick(); }));
    connect(btnSubMD, &QPushButton::clicked, this, guarded([this](bool) { btnSubMDClick(); }));
    connect(btnOK, &QPushButton::clicked, this, guarded([this](bool) { btnOKClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, guarded([this](bool) { btnCancelClick(); }));
    connect(popEdit, &QAction::triggered, this, guarded([this](bool) { popEditClick(); }));
    connect(popReName, &QAction::triggered, this, guarded([this](bool) { popReNameClick(); }));
    connect(M1, &QAction::triggered, this, guarded([this](bool) { popMakeSubClick(); }));
    connect(popDel, &QAction::triggered, this, guarded([this](bool) { popDelClick(); }));
    connect(popMoveUp, &QAction::triggered, this, guarded([this](bool) { popMoveUpClick(); }));
    connect(popMoveDown, &QAction::triggered, this, guarded([this](bool) { popMoveDownClick(); }));
}

QString Tfrm_BMEdit::value(const QTreeWidgetItem* node) { return node->data(0, BookmarkData::ValueRole).toString(); }

int Tfrm_BMEdit::imageIndex(const QTreeWidgetItem* node) {
    return node->data(0, BookmarkData::ImageIndexRole).toInt();
}

QTreeWidgetItem* Tfrm_BMEdit::newNode(const QString& text, int image, const QString& value) const {
    return NewBookmarkNode(text, image, value, ImageList1);
}

void Tfrm_BMEdit::FormCreate() {
    if (reading_ || model_.loading() || !model_.hasReading()) return;
    reading_ = model_.reading();
    readFrom_ = reading_->source;
    const BookmarkImages images{ImageList1, FolderImage, PageImage};
    QList<QTreeWidgetItem*> top;
    top.reserve(static_cast<qsizetype>(reading_->entries.size()));
    for (const BookmarkStore::Entry& entry : reading_->entries) top << BookMarkSubTreeRead(entry, images);
    TreeView1->addTopLevelItems(top);
}

void Tfrm_BMEdit::ensureTree() {
    if (reading_) return;
    if (!model_.loading() && !model_.hasReading()) model_.load();
    model_.waitForLoad();
    FormCreate();
}

void Tfrm_BMEdit::fillNode(QTreeWidgetItem* node) const {
    if (node) FillBookmarkNode(node, {ImageList1, FolderImage, PageImage});
}

void Tfrm_BMEdit::TreeView1Change(QObject*, QTreeWidgetItem* node) {
    if (placing_) return;
    CurrentNode = node;
}

void Tfrm_BMEdit::PopupMenu1Popup(const QPoint& pos) {
    if (QTreeWidgetItem* node = TreeView1->itemAt(pos)) TreeView1->setCurrentItem(node);
}

QTreeWidgetItem* Tfrm_BMEdit::takeCurrentNode() {
    if (!CurrentNode) {
        CurrentNode = TreeView1->itemAt(0, 0);
        if (!CurrentNode) CurrentNode = TreeView1->topLevelItem(0);
    }
    return CurrentNode;
}

QTreeWidgetItem* Tfrm_BMEdit::addPlaceholder(QTreeWidgetItem* folder) {
    fillNode(folder);
    if (folder->childCount() > 0) return nullptr;
    QTreeWidgetItem* placeholder = newNode(kPlaceholder, PageImage, QString());
    folder->insertChild(0, placeholder);
    return placeholder;
}

void Tfrm_BMEdit::placeBefore(QTreeWidgetItem* node, QTreeWidgetItem* target) {
    placing_ = true;
    QTreeWidgetItem* current = TreeView1->currentItem();
    const bool currentSelected = current && current->isSelected();
    QList<QTreeWidgetItem*> expanded;
    if (node->treeWidget()) {
        collectExpanded(node, expanded);
        if (QTreeWidgetItem* oldParent = node->parent()) oldParent->takeChild(oldParent->indexOfChild(node));
        else TreeView1->takeTopLevelItem(TreeView1->indexOfTopLevelItem(node));
    }
    QTreeWidgetItem* parent = target->parent();
    if (parent) parent->insertChild(parent->indexOfChild(target), node);
    else TreeView1->insertTopLevelItem(TreeView1->indexOfTopLevelItem(target), node);
    for (QTreeWidgetItem* item : expanded) item->setExpanded(true);
    if (current)
        TreeView1->setCurrentItem(current, 0,
                                  currentSelected ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate);
    placing_ = false;
    if (parent) parent->setExpanded(true);
}

void Tfrm_BMEdit::placeAtTop(QTreeWidgetItem* node) {
    placing_ = true;
    TreeView1->addTopLevelItem(node);
    placing_ = false;
}

void Tfrm_BMEdit::startRename(QTreeWidgetItem* node) {
    TreeView1->scrollToItem(node);
    TreeView1->editItem(node, 0);
}

void Tfrm_BMEdit::btnAddClick() {
    QTreeWidgetItem* current = takeCurrentNode();
    QTreeWidgetItem* node = newNode(txtName->text(), PageImage, txtURL->text());
    if (!current) {
        // An empty tree: the new bookmark starts it.
        placeAtTop(node);
        return;
    }
    std::unique_ptr<QTreeWidgetItem> placeholder;
    QTreeWidgetItem* target = current;
    if (imageIndex(current) == FolderImage) {
        placeholder.reset(addPlaceholder(current));
        target = current->child(0);
    }
    placeBefore(node, target);
}

void Tfrm_BMEdit::btnMDClick() {
    QTreeWidgetItem* current = takeCurrentNode();
    QTreeWidgetItem* node = newNode(kNewFolder, FolderImage, txtURL->text());
    if (current) placeBefore(node, current);
    else placeAtTop(node);
    startRename(node);
}

void Tfrm_BMEdit::btnSubMDClick() {
    QTreeWidgetItem* current = takeCurrentNode();
    if (!current || imageIndex(current) != FolderImage) return;
    QTreeWidgetItem* node = newNode(kNewFolder, FolderImage, BookmarkStore::folderMarker());
    {
        const std::unique_ptr<QTreeWidgetItem> placeholder(addPlaceholder(current));
        placeBefore(node, current->child(0));
    }
    startRename(node);
}

void Tfrm_BMEdit::btnDelClick() {
    if (!CurrentNode) return;
    delete CurrentNode;  // the tree reports its new current node on the way
    // The node taken from the top of the view was never the tree's current one, so no
    // report came: the tree's current node is the one that still exists.
    CurrentNode = TreeView1->currentItem();
    if (CurrentNode) CurrentNode->setSelected(true);
}

void Tfrm_BMEdit::btnEditClick() {
    QTreeWidgetItem* current = takeCurrentNode();
    if (!current || imageIndex(current) != PageImage) return;
    const QString text = askText(this, QStringLiteral("編集"), current->text(0), value(current));
    current->setData(0, BookmarkData::ValueRole, text);
}

void Tfrm_BMEdit::popReNameClick() {
    if (CurrentNode) startRename(CurrentNode);
}

void Tfrm_BMEdit::popMoveUpClick() {
    QTreeWidgetItem* selected = TreeView1->selectedItems().value(0);
    if (!selected) return;
    const int index = indexInParent(selected);
    if (index <= 0) {
        Beep::defaultBeep();
        return;
    }
    placeBefore(selected, sibling(selected, index - 1));
}

void Tfrm_BMEdit::popMoveDownClick() {
    QTreeWidgetItem* selected = TreeView1->selectedItems().value(0);
    if (!selected) return;
    const int index = indexInParent(selected);
    if (index < 0 || index >= siblingCount(selected) - 1) {
        Beep::defaultBeep();
        return;
    }
    placeBefore(sibling(selected, index + 1), selected);
}

std::vector<BookmarkStore::Node> Tfrm_BMEdit::nodes() const {
    std::vector<BookmarkStore::Node> result;
    result.reserve(static_cast<std::size_t>(TreeView1->topLevelItemCount()));
    for (int i = 0; i < TreeView1->topLevelItemCount(); ++i) result.push_back(toNode(TreeView1->topLevelItem(i)));
    return result;
}

void Tfrm_BMEdit::btnOKClick() {
    ensureTree();
    // A failed save throws: nothing is rebuilt and the editor stays as it is.
    readFrom_ = model_.save(nodes(), &readFrom_).written;
    hide();
}

void Tfrm_BMEdit::btnCancelClick() { hide(); }

void Tfrm_BMEdit::closeEvent(QCloseEvent* event) {
    // Closing only hides: the window and its tree live until the program ends.
    event->accept();
}

void Tfrm_BMEdit::ShowWith(const QString& address, const QString& name) {
    ensureTree();
    if (isMinimized()) showNormal();
    else show();
    raise();
    activateWindow();
    txtURL->setText(address);
    txtName->setText(name);
}

#pragma once
// Tfrm_BMEdit: the bookmark editor. A non-modal window created once at start-up and then
// only shown and hidden. Its tree is loaded from the store once: from the model's reading
// when it is created, or, when the model is still reading the store then, from that
// reading once it arrives. It is never built from anything but the file's content, so an
// OK never writes a store without the bookmarks it held: showing the editor (or an OK)
// before the reading has arrived waits for it. Every change made in the tree stays there
// until an OK writes the whole tree back.
//
// A folder's nodes are made when the folder is first expanded or a command needs them;
// OK writes never-opened folders straight from the reading the tree was built from.
// OK also tells the store what the file held when the tree was read, so a file another
// program changed meanwhile is kept aside, not silently overwritten.

#include "bookmarks/BookmarkModel.h"
#include "bookmarks/BookmarkStore.h"

#include <QIcon>
#include <QList>
#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QObject;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class Tfrm_BMEdit : public QWidget {
    Q_OBJECT
public:
    // The tree is read from the model once: here, or when the pending load arrives.
    explicit Tfrm_BMEdit(BookmarkModel& model, QWidget* parent = nullptr);
    ~Tfrm_BMEdit() override;

    QLabel* Label2 = nullptr;
    QLineEdit* txtName = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtURL = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnDel = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnMD = nullptr;
    QPushButton* btnSubMD = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* popEdit = nullptr;
    QAction* popReName = nullptr;
    QAction* M1 = nullptr;
    QAction* popDel = nullptr;
    QAction* N1 = nullptr;
    QAction* popMoveUp = nullptr;
    QAction* popMoveDown = nullptr;
    // 0: folder, 1: page.
    QList<QIcon> ImageList1;

    // The node the tree last reported as selected; empty until the first report.
    QTreeWidgetItem* CurrentNode = nullptr;

    // Builds the tree from the model's reading; once, and only from a finished reading.
    void FormCreate();
    // Whether the tree has been built from a reading of the store.
    bool treeBuilt() const { return reading_ != nullptr; }
    // Shows the editor with a page's address and title in its boxes.
    void ShowWith(const QString& address, const QString& name);

    void TreeView1Change(QObject* sender, QTreeWidgetItem* node);
    // Makes the node at `pos` (viewport coordinates) the selected node.
    void PopupMenu1Popup(const QPoint& pos);
    void btnAddClick();
    void btnDelClick();
    void btnEditClick();
    void btnMDClick();
    void btnSubMDClick();
    void btnOKClick();
    void btnCancelClick();
    void popEditClick() { btnEditClick(); }
    void popReNameClick();
    void popMakeSubClick() { btnSubMDClick(); }
    void popDelClick() { btnDelClick(); }
    void popMoveUpClick();
    void popMoveDownClick();

    // Node data: the value (address or folder marker) and the image index.
    static QString value(const QTreeWidgetItem* node);
    static int imageIndex(const QTreeWidgetItem* node);
    // The tree as the writer takes it, never-opened folders included.
    std::vector<BookmarkStore::Node> nodes() const;
    // Gives a folder node its children if it has not got them yet (see untBMB.h).
    void fillNode(QTreeWidgetItem* node) const;
    // What the store's file held when the tree was read, or last saved from it.
    const BookmarkStore::Fingerprint& readFrom() const { return readFrom_; }

    // The modal input box; tests answer it instead. Returns the text, or the initial
    // text when cancelled.
    using InputBox = std::function<QString(QWidget* parent, const QString& caption, const QString& prompt,
                                           const QString& initial)>;
    static void setInputBox(InputBox box);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    QTreeWidgetItem* newNode(const QString& text, int image, const QString& value) const;
    // The current node, taking the node at the top of the view when there is none.
    QTreeWidgetItem* takeCurrentNode();
    // Adds the placeholder "123" to an empty folder; returns it, or null when the
    // folder already has children.
    QTreeWidgetItem* addPlaceholder(QTreeWidgetItem* folder);
    // Places `node` immediately before `target`, in target's sibling list.
    void placeBefore(QTreeWidgetItem* node, QTreeWidgetItem* target);
    // Appends `node` at the end of the top level (for an empty tree).
    void placeAtTop(QTreeWidgetItem* node);
    void startRename(QTreeWidgetItem* node);
    // Builds the tree now, waiting for the model's pending load if need be.
    void ensureTree();

    BookmarkModel& model_;
    // The reading the tree was built from: folders not yet opened point into it. Null
    // until the tree is built.
    BookmarkModel::Reading reading_;
    BookmarkStore::Fingerprint readFrom_;
    bool placing_ = false;
};

// The one bookmark editor; null until created at start-up.
extern Tfrm_BMEdit* frm_BMEdit;

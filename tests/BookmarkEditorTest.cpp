// The bookmark editor: building its tree, every command, the placeholder that never
// stays, the beeps at the ends, OK and Cancel.

#include "TestSupport.h"
#include "app/Main.h"
#include "views/untTab.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkModel.h"
#include "bookmarks/untBMB.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

using BookmarkStore::Entry;

namespace {

// Top level: A, folder F {B, folder G {C}}, empty folder E, H.
const std::string kStore =
    "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>"
    "<file><name>A</name><url>U1</url></file>"
    "<directory><name>F</name><file><name>B</name><url>U2</url></file>"
    "<directory><name>G</name><file><name>C</name><url>U3</url></file></directory></directory>"
    "<directory><name>E</name></directory>"
    "<file><name>H</name><url>U4</url></file>"
    "</bookmark>";

QStringList describe(const QTreeWidgetItem* node, const QString& indent) {
    QStringList lines{indent + node->text(0) + QStringLiteral(" ") + QString::number(Tfrm_BMEdit::imageIndex(node)) +
                      QStringLiteral(" ") + Tfrm_BMEdit::value(node)};
    for (int i = 0; i < node->childCount(); ++i) lines << describe(node->child(i), indent + QStringLiteral("  "));
    return lines;
}

QStringList describe(const std::vector<Entry>& entries, const QString& indent = {}) {
    QStringList lines;
    for (const Entry& e : entries) {
        lines << indent + (e.folder ? QStringLiteral("[") + e.name + QStringLiteral("]") : e.name + QStringLiteral(" = ") + e.address);
        lines << describe(e.entries, indent + QStringLiteral("  "));
    }
    return lines;
}

// Gives every folder of the editor's tree its nodes, as opening each would, without
// expanding any.
void fillAll(Tfrm_BMEdit& editor) {
    QList<QTreeWidgetItem*> pending;
    for (int i = 0; i < editor.TreeView1->topLevelItemCount(); ++i) pending << editor.TreeView1->topLevelItem(i);
    while (!pending.isEmpty()) {
        QTreeWidgetItem* node = pending.takeLast();
        editor.fillNode(node);
        for (int i = 0; i < node->childCount(); ++i) pending << node->child(i);
    }
}

struct BookmarkEditorTest : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    BeepCounter beeps;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<Tfrm_BMEdit> editor;

    void SetUp() override {
        // Never a real modal box in a test: it would wait for a user.
        Tfrm_BMEdit::setInputBox([](QWidget*, const QString&, const QString&, const QString& initial) { return initial; });
    }
    void TearDown() override {
        editor.reset();
        form.reset();
        Tfrm_BMEdit::setInputBox({});
    }
    // The commands are tested on a tree whose folders have all been opened once.
    void start(const std::string& store = kStore, bool filled = true) {
        if (!store.empty()) dir.write("bookmark.xml", store);
        form = std::make_unique<TMainForm>(dir.path());
        editor = std::make_unique<Tfrm_BMEdit>(*form->BookMarks);
        if (filled) fillAll(*editor);
    }
    QTreeWidget* tree() const { return editor->TreeView1; }
    QTreeWidgetItem* top(int i) const { return tree()->topLevelItem(i); }
    void select(QTreeWidgetItem* node) { tree()->setCurrentItem(node); }
    QStringList picture() const {
        QStringList lines;
        for (int i = 0; i < tree()->topLevelItemCount(); ++i) lines << describe(top(i), {});
        return lines;
    }
    std::vector<Entry> stored() const { return BookmarkStore::read(dir.path()).entries; }
    bool hasPlaceholder(const QTreeWidgetItem* node = nullptr) const {
        if (!node) {
            for (int i = 0; i < tree()->topLevelItemCount(); ++i)
                if (hasPlaceholder(top(i))) return true;
            return false;
        }
        if (node->text(0) == QStringLiteral("123")) return true;
        for (int i = 0; i < node->childCount(); ++i)
            if (hasPlaceholder(node->child(i))) return true;
        return false;
    }
};

}  // namespace

TEST_F(BookmarkEditorTest, WindowAndControls) {
    start();
    EXPECT_EQ(editor->objectName(), QStringLiteral("frm_BMEdit"));
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("ブックマークの編集"));
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(editor->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(editor->txtName->text(), QStringLiteral("txtName"));
    EXPECT_EQ(editor->txtURL->text(), QStringLiteral("txtURL"));
    EXPECT_EQ(editor->btnDel->text(), QStringLiteral("削　  除"));
    EXPECT_EQ(editor->btnOK->text(), QStringLiteral("O   K"));
    EXPECT_EQ(editor->btnSubMD->font().pixelSize(), 11);
    EXPECT_EQ(editor->btnMD->geometry(), QRect(355, 88, 89, 17));
    EXPECT_EQ(editor->TreeView1->indentation(), 19);
    QStringList pop;
    for (QAction* a : editor->PopupMenu1->actions()) pop << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(pop, (QStringList{"編集(&E)", "名前の変更(&R)", "サブフォルダの作成(&M)", "削除(&D)", "-", "上に移動&", "下に移動&"}));
    // Tab order: txtURL, Cancel, Add, Make folder, tree, txtName, OK, Delete, Sub-folder, Edit.
    const QList<QWidget*> controls{editor->txtURL, editor->btnCancel, editor->btnAdd, editor->btnMD, editor->TreeView1,
                                   editor->txtName, editor->btnOK, editor->btnDel, editor->btnSubMD, editor->btnEdit};
    QList<QWidget*> order{editor->txtURL};
    for (QWidget* w = editor->txtURL->nextInFocusChain(); w != editor->txtURL && order.size() < 10; w = w->nextInFocusChain())
        if (controls.contains(w)) order << w;
    EXPECT_EQ(order, (QList<QWidget*>{editor->txtURL, editor->btnCancel, editor->btnAdd, editor->btnMD, editor->TreeView1,
                                      editor->txtName, editor->btnOK, editor->btnDel, editor->btnSubMD, editor->btnEdit}));
}

TEST_F(BookmarkEditorTest, TreeIsBuiltFromTheStoreCollapsed) {
    start();
    EXPECT_EQ(picture(), (QStringList{"A 1 U1", QStringLiteral("F 0 フォルダ"), "  B 1 U2", QStringLiteral("  G 0 フォルダ"),
                                      "    C 1 U3", QStringLiteral("E 0 フォルダ"), "H 1 U4"}));
    EXPECT_FALSE(top(1)->isExpanded());
    EXPECT_EQ(editor->CurrentNode, nullptr);
}

TEST_F(BookmarkEditorTest, OpeningFillsTheBoxesFromTheCurrentPage) {
    start();
    frm_BMEdit = editor.get();
    select(top(3));
    form->controls().txtAddress->setText(QStringLiteral("http://page/"));
    QMdiSubWindow* sub = form->controls().MDIClient->addSubWindow(new QWidget);
    sub->setWindowTitle(QStringLiteral("Page title"));
    sub->show();
    form->controls().MDIClient->setActiveSubWindow(sub);
    form->controls().mnuBMEdit->trigger();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->txtURL->text(), QStringLiteral("http://page/"));
    EXPECT_EQ(editor->txtName->text(), QStringLiteral("Page title"));
    // Again, from the tab strip: both boxes are replaced, the tree is left alone.
    editor->txtName->setText(QStringLiteral("typed"));
    form->controls().txtAddress->setText(QStringLiteral("http://other/"));
    sub->setWindowTitle(QStringLiteral("Other"));
    form->Tabs->popAddBookMark->trigger();
    EXPECT_EQ(editor->txtURL->text(), QStringLiteral("http://other/"));
    EXPECT_EQ(editor->txtName->text(), QStringLiteral("Other"));
    EXPECT_EQ(editor->CurrentNode, top(3));
    EXPECT_EQ(tree()->topLevelItemCount(), 4);
    // No page at all: no title to take.
    delete sub;
    form->controls().mnuBMEdit->trigger();
    EXPECT_TRUE(editor->txtName->text().isEmpty());
}

TEST_F(BookmarkEditorTest, AddIntoAnEmptyFolderLeavesNoPlaceholder) {
    start();
    select(top(2));  // E, empty
    editor->txtName->setText(QStringLiteral("new"));
    editor->txtURL->setText(QStringLiteral("http://new/"));
    editor->btnAdd->click();
    ASSERT_EQ(top(2)->childCount(), 1);
    EXPECT_EQ(describe(top(2)->child(0), {}), QStringList{"new 1 http://new/"});
    EXPECT_TRUE(top(2)->isExpanded());
    EXPECT_FALSE(hasPlaceholder());
    EXPECT_EQ(editor->CurrentNode, top(2));
    EXPECT_EQ(editor->txtName->text(), QStringLiteral("new"));  // the boxes keep their texts
}

TEST_F(BookmarkEditorTest, AddBeforeABookmarkOrAtTheFolderStart) {
    start();
    select(top(1)->child(1)->child(0));  // C inside G
    editor->txtName->setText(QStringLiteral("x"));
    editor->txtURL->clear();
    editor->btnAdd->click();
    EXPECT_EQ(top(1)->child(1)->child(0)->text(0), QStringLiteral("x"));
    EXPECT_EQ(top(1)->child(1)->child(1)->text(0), QStringLiteral("C"));

    select(top(1));  // F, with entries: the new one goes first
    editor->txtName->setText(QStringLiteral("y"));
    editor->btnAdd->click();
    EXPECT_EQ(top(1)->child(0)->text(0), QStringLiteral("y"));
    EXPECT_EQ(top(1)->childCount(), 3);
    EXPECT_FALSE(hasPlaceholder());
}

TEST_F(BookmarkEditorTest, CommandsWithoutCurrentNodeTakeTheTopNode) {
    start();
    editor->show();
    editor->txtName->setText(QStringLiteral("first"));
    editor->btnAdd->click();
    EXPECT_EQ(top(0)->text(0), QStringLiteral("first"));
    EXPECT_EQ(top(1)->text(0), QStringLiteral("A"));
    EXPECT_EQ(editor->CurrentNode, top(1));
}

TEST_F(BookmarkEditorTest, EmptyTreeStillTakesNewEntries) {
    start("");
    editor->btnDel->click();
    editor->btnEdit->click();
    editor->btnSubMD->click();
    editor->popMoveUpClick();
    editor->popMoveDownClick();
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_EQ(beeps.count, 0);
    editor->txtName->setText(QStringLiteral("n"));
    editor->txtURL->setText(QStringLiteral("u"));
    editor->btnAdd->click();
    editor->btnMD->click();
    // Make folder takes the node at the top as its current node and goes before it.
    EXPECT_EQ(picture(), (QStringList{QStringLiteral("新しいフォルダ 0 u"), "n 1 u"}));
}

TEST_F(BookmarkEditorTest, MakeFolderGoesBeforeTheCurrentNodeNeverInside) {
    start();
    editor->show();
    editor->txtURL->setText(QStringLiteral("http://typed/"));
    select(top(1));  // folder F
    editor->btnMD->click();
    EXPECT_EQ(describe(top(1), {}), QStringList{QStringLiteral("新しいフォルダ 0 http://typed/")});
    EXPECT_EQ(top(2)->text(0), QStringLiteral("F"));
    EXPECT_EQ(top(2)->childCount(), 2);
    EXPECT_EQ(tree()->findChildren<QLineEdit*>().size(), 1);  // the new name is being edited
    EXPECT_EQ(editor->CurrentNode, top(2));

    select(top(2)->child(0));  // bookmark B in F
    editor->btnMD->click();
    EXPECT_EQ(top(2)->child(0)->text(0), QStringLiteral("新しいフォルダ"));
    EXPECT_EQ(top(2)->child(1)->text(0), QStringLiteral("B"));
}

TEST_F(BookmarkEditorTest, MakeSubFolderOnlyInsideFolders) {
    start();
    editor->show();
    select(top(0));  // bookmark
    editor->btnSubMD->click();
    EXPECT_EQ(tree()->topLevelItemCount(), 4);
    select(top(2));  // empty folder E
    editor->M1->trigger();
    ASSERT_EQ(top(2)->childCount(), 1);
    EXPECT_EQ(describe(top(2)->child(0), {}), QStringList{QStringLiteral("新しいフォルダ 0 フォルダ")});
    EXPECT_TRUE(top(2)->isExpanded());
    EXPECT_FALSE(hasPlaceholder());
}

TEST_F(BookmarkEditorTest, EmptyFoldersAreStoredAsBookmarks) {
    start("");
    editor->txtURL->setText(QStringLiteral("http://typed/"));
    editor->btnMD->click();  // value: the URL box
    select(top(0));
    editor->btnSubMD->click();  // inside it: value "フォルダ"
    editor->btnOK->click();
    EXPECT_EQ(describe(stored()),
              (QStringList{QStringLiteral("[新しいフォルダ]"), QStringLiteral("  新しいフォルダ = フォルダ")}));
    // The editor's tree keeps them as folders.
    EXPECT_EQ(Tfrm_BMEdit::imageIndex(top(0)->child(0)), 0);
}

TEST_F(BookmarkEditorTest, DeleteTakesTheSubtreeAndFollowsTheNewSelection) {
    start();
    select(top(1));
    editor->popDel->trigger();
    EXPECT_EQ(tree()->topLevelItemCount(), 3);
    EXPECT_EQ(top(1)->text(0), QStringLiteral("E"));
    ASSERT_NE(editor->CurrentNode, nullptr);
    EXPECT_EQ(editor->CurrentNode, tree()->currentItem());
    while (editor->CurrentNode) editor->btnDel->click();
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
}

TEST_F(BookmarkEditorTest, DeleteOfTheTopNodeTakenWithoutSelectionLeavesNoDanglingNode) {
    start();
    editor->show();
    editor->btnEdit->click();  // takes A from the top of the view, no selection report
    ASSERT_EQ(editor->CurrentNode, top(0));
    editor->btnDel->click();
    EXPECT_EQ(top(0)->text(0), QStringLiteral("F"));
    EXPECT_EQ(editor->CurrentNode, tree()->currentItem());
    editor->btnEdit->click();  // would crash on a dangling node
}

TEST_F(BookmarkEditorTest, EditAddressOnlyForBookmarks) {
    start();
    QStringList asked;
    QString answer;
    Tfrm_BMEdit::setInputBox([&](QWidget*, const QString& caption, const QString& prompt, const QString& initial) {
        asked << caption + QStringLiteral("|") + prompt + QStringLiteral("|") + initial;
        return answer.isNull() ? initial : answer;
    });
    select(top(1));  // folder
    editor->btnEdit->click();
    EXPECT_TRUE(asked.isEmpty());
    select(top(0));
    editor->popEdit->trigger();  // cancelled: the initial text comes back
    EXPECT_EQ(Tfrm_BMEdit::value(top(0)), QStringLiteral("U1"));
    answer = QStringLiteral("http://edited/");
    editor->btnEdit->click();
    EXPECT_EQ(Tfrm_BMEdit::value(top(0)), QStringLiteral("http://edited/"));
    EXPECT_EQ(top(0)->text(0), QStringLiteral("A"));
    EXPECT_EQ(asked, (QStringList{QStringLiteral("編集|A|U1"), QStringLiteral("編集|A|U1")}));
}

TEST_F(BookmarkEditorTest, MovesStayInTheirListAndBeepAtTheEnds) {
    start();
    select(top(0));
    editor->popMoveUp->trigger();  // first top-level node
    EXPECT_EQ(beeps.count, 1);
    select(top(3));
    editor->popMoveDown->trigger();  // last top-level node
    EXPECT_EQ(beeps.count, 2);
    select(top(1)->child(0));
    editor->popMoveUp->trigger();  // first entry of a folder
    EXPECT_EQ(beeps.count, 3);
    select(top(1)->child(1));
    editor->popMoveDown->trigger();  // last entry of a folder
    EXPECT_EQ(beeps.count, 4);
    EXPECT_EQ(top(1)->childCount(), 2);

    // Folder F, expanded, moves down past E; it keeps its subtree, its expansion and the
    // selection, and CurrentNode does not change while it moves.
    QTreeWidgetItem* f = top(1);
    f->setExpanded(true);
    f->child(1)->setExpanded(true);
    select(f);
    editor->popMoveDown->trigger();
    EXPECT_EQ(top(2), f);
    EXPECT_EQ(top(1)->text(0), QStringLiteral("E"));
    EXPECT_TRUE(f->isExpanded());
    EXPECT_TRUE(f->child(1)->isExpanded());
    EXPECT_EQ(tree()->selectedItems(), QList<QTreeWidgetItem*>{f});
    EXPECT_EQ(editor->CurrentNode, f);
    editor->popMoveUp->trigger();
    editor->popMoveUp->trigger();
    EXPECT_EQ(top(0), f);
    EXPECT_EQ(beeps.count, 4);
}

TEST_F(BookmarkEditorTest, ContextMenuSelectsTheNodeUnderTheMouse) {
    start();
    editor->show();
    const QRect rect = tree()->visualItemRect(top(3));
    editor->PopupMenu1Popup(rect.center());
    EXPECT_EQ(editor->CurrentNode, top(3));
    EXPECT_EQ(tree()->selectedItems(), QList<QTreeWidgetItem*>{top(3)});
}

TEST_F(BookmarkEditorTest, OkSavesThenRebuildsMenuAndTree) {
    start();
    editor->show();
    select(top(0));
    editor->txtName->setText(QStringLiteral("新しい & <ページ>"));
    editor->txtURL->setText(QStringLiteral("http://n/?a=1&b=2"));
    editor->btnAdd->click();
    editor->btnOK->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(describe(stored()).first(), QStringLiteral("新しい & <ページ> = http://n/?a=1&b=2"));
    // The pictures follow once the store has been read back in the background.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->BookMarks->loading(); }, 5000));
    const QList<QAction*> items = form->controls().mnuBookMark->actions().mid(2);
    ASSERT_EQ(items.size(), 5);  // four and the new one
    EXPECT_EQ(items[0]->text(), QStringLiteral("&新しい & <ページ>"));
    EXPECT_EQ(form->controls().TreeView1->topLevelItemCount(), 5);
    EXPECT_EQ(form->controls().TreeView1->topLevelItem(0)->text(0), QStringLiteral("新しい & <ページ>"));
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(BookmarkEditorTest, FailedSaveChangesNothingAndSaysWhy) {
    start();
    editor->show();
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("bookmark.xml")).constData(), 0444), 0);
    select(top(0));
    editor->btnDel->click();
    editor->btnOK->click();
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].contains(dir.file("bookmark.xml")));
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(tree()->topLevelItemCount(), 3);
    EXPECT_EQ(form->controls().mnuBookMark->actions().size(), 2 + 4);
    EXPECT_EQ(dir.read("bookmark.xml"), kStore);
}

TEST_F(BookmarkEditorTest, CancelKeepsChangesForTheNextOk) {
    start();
    editor->show();
    select(top(3));
    editor->btnDel->click();
    editor->btnCancel->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(dir.read("bookmark.xml"), kStore);
    editor->close();  // the title bar's close only hides too
    frm_BMEdit = editor.get();
    form->controls().mnuBMEdit->trigger();
    EXPECT_EQ(tree()->topLevelItemCount(), 3);
    editor->btnOK->click();
    EXPECT_EQ(stored().size(), 3u);
}

TEST_F(BookmarkEditorTest, DeepTreeComesBackAfterARestart) {
    start();
    select(top(1)->child(1)->child(0));
    editor->txtName->setText(QStringLiteral("深い"));
    editor->txtURL->setText(QString::fromUtf8("http://e/\xF0\x9F\x98\x80"));
    editor->btnAdd->click();
    select(top(1)->child(1));
    editor->btnSubMD->click();
    const QStringList before = picture();
    editor->btnOK->click();
    BookmarkModel fresh(dir.path());
    fresh.load();
    fresh.waitForLoad();
    Tfrm_BMEdit again(fresh);
    fillAll(again);
    QStringList after;
    for (int i = 0; i < again.TreeView1->topLevelItemCount(); ++i) after << describe(again.TreeView1->topLevelItem(i), {});
    // Folders that were empty (E from the store, the new sub-folder) come back as
    // bookmarks whose address is the folder marker.
    QStringList expected = before;
    expected.replaceInStrings(QStringLiteral("    新しいフォルダ 0 フォルダ"), QStringLiteral("    新しいフォルダ 1 フォルダ"));
    expected.replaceInStrings(QStringLiteral("E 0 フォルダ"), QStringLiteral("E 1 フォルダ"));
    EXPECT_EQ(after, expected);
}

TEST_F(BookmarkEditorTest, SavingOverABrokenStoreKeepsItAside) {
    const std::string broken = "<bookmark><file><name>only copy</name><url>u</url>";
    start(broken);
    EXPECT_EQ(errors.messages.size(), 1);
    editor->txtName->setText(QStringLiteral("n"));
    editor->btnAdd->click();
    editor->btnOK->click();
    EXPECT_EQ(dir.read("bookmark.xml.broken"), broken);
    EXPECT_EQ(describe(stored()), QStringList{"n = txtURL"});
}

// Another program adds a bookmark while the editor holds its tree: OK keeps that file
// aside, says where, and stores the editor's tree; the next OK needs no copy.
TEST_F(BookmarkEditorTest, FileChangedBehindTheEditorIsKeptAsideOnOk) {
    start();
    const std::string theirs =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark><file><name>theirs</name><url>T</url></file>" +
        kStore.substr(kStore.find("<bookmark>") + 10);
    dir.write("bookmark.xml", theirs);
    select(top(0));
    editor->txtName->setText(QStringLiteral("mine"));
    editor->btnAdd->click();
    editor->btnOK->click();
    EXPECT_EQ(dir.read("bookmark.xml.changed"), theirs);
    EXPECT_EQ(describe(stored()).first(), QStringLiteral("mine = txtURL"));
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].contains(dir.file("bookmark.xml.changed"))) << errors.messages[0].toStdString();

    editor->btnDel->click();
    editor->btnOK->click();
    EXPECT_FALSE(QFileInfo::exists(dir.file("bookmark.xml.changed.2")));
    EXPECT_EQ(errors.messages.size(), 1);
}

// A broken store repaired while the program runs: the repaired file is valid at save
// time, yet it is not what the (empty) tree was read from, so it is kept.
TEST_F(BookmarkEditorTest, StoreRepairedWhileRunningIsKeptAsideOnOk) {
    start("<bookmark><file><name>half");
    ASSERT_EQ(errors.messages.size(), 1);
    std::vector<BookmarkStore::Node> twenty;
    for (int i = 0; i < 20; ++i) twenty.emplace_back(QStringLiteral("good %1").arg(i), QStringLiteral("http://g/%1").arg(i));
    BookmarkStore::WriteBookMarkFile(dir.path(), twenty);
    const std::string repaired = dir.read("bookmark.xml");
    editor->txtName->setText(QStringLiteral("one"));
    editor->btnAdd->click();
    editor->btnOK->click();
    EXPECT_EQ(describe(stored()), QStringList{"one = txtURL"});
    EXPECT_EQ(dir.read("bookmark.xml.changed"), repaired);
    EXPECT_EQ(errors.messages.size(), 2);
}

// Folders never opened in the editor are written whole: an OK without changes gives the
// store back byte for byte.
TEST_F(BookmarkEditorTest, OkWritesFoldersThatWereNeverOpened) {
    ProgramFolder source;
    BookmarkStore::WriteBookMarkFile(source.path(), {BookmarkStore::Node(QStringLiteral("F"), BookmarkStore::folderMarker(),
                                                                         {BookmarkStore::Node(QStringLiteral("B"), QStringLiteral("U")),
                                                                          BookmarkStore::Node(QStringLiteral("G"), QStringLiteral("x"),
                                                                                              {BookmarkStore::Node(QStringLiteral("C"), QStringLiteral("V"))})}),
                                                     BookmarkStore::Node(QStringLiteral("H"), QStringLiteral("W"))});
    const std::string bytes = source.read("bookmark.xml");
    start(bytes, false);
    EXPECT_EQ(top(0)->childCount(), 0);  // not opened yet
    EXPECT_EQ(top(0)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    editor->btnOK->click();
    EXPECT_EQ(dir.read("bookmark.xml"), bytes);
    // Opening a folder shows its entries, each folder again waiting to be opened.
    top(0)->setExpanded(true);
    ASSERT_EQ(top(0)->childCount(), 2);
    EXPECT_EQ(describe(top(0)->child(1), {}), QStringList{QStringLiteral("G 0 フォルダ")});
    top(0)->child(1)->setExpanded(true);
    EXPECT_EQ(describe(top(0)->child(1), {}), (QStringList{QStringLiteral("G 0 フォルダ"), "  C 1 V"}));
}

// A store nested 20,000 folders deep: the editor opens, goes a few levels down, and OK
// writes every level back.
TEST_F(BookmarkEditorTest, DeepStoreOpensAndSavesWhole) {
    std::string store = "<bookmark>";
    for (int i = 0; i < 20000; ++i) store += "<directory><name>" + std::to_string(i) + "</name>";
    store += "<file><name>bottom</name><url>u</url></file>";
    for (int i = 0; i < 20000; ++i) store += "</directory>";
    start(store + "</bookmark>", false);
    QTreeWidgetItem* node = top(0);
    for (int i = 0; i < 3; ++i) {
        node->setExpanded(true);
        ASSERT_EQ(node->childCount(), 1);
        node = node->child(0);
    }
    select(node);
    editor->txtName->setText(QStringLiteral("added"));
    editor->btnAdd->click();  // into folder 3, which is filled first
    editor->btnOK->click();
    const std::vector<Entry> back = stored();
    const Entry* e = &back.at(0);
    int depth = 1;
    while (!e->entries.empty()) {
        if (depth == 4) {
            EXPECT_EQ(e->entries.front().name, QStringLiteral("added"));
        }
        e = &e->entries.back();
        ++depth;
    }
    EXPECT_EQ(depth, 20001);
    EXPECT_EQ(e->name, QStringLiteral("bottom"));
    EXPECT_TRUE(errors.messages.isEmpty());
}

// The Bookmarks menu and the J bar tree: what they show, rebuilds, and opening the
// chosen bookmark in a new or the active view window.

#include "FakeEngine.h"
#include "TestSupport.h"
#include "views/MenuItems.h"
#include "app/Main.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkModel.h"
#include "bookmarks/untBMB.h"
#include "settings/Settings.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

const std::string kStore =
    "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>\n"
    "  <file>\n    <name>A</name>\n    <url>U1</url>\n  </file>\n"
    "  <directory>\n    <name>F</name>\n      <file>\n        <name>B</name>\n        <url>U2</url>\n      </file>\n"
    "    <directory>\n        <name>G</name>\n        <file>\n          <name>C</name>\n          <url>U3</url>\n"
    "        </file></directory></directory>\n"
    "  <directory>\n    <name>E</name></directory>\n"
    "  <file>\n    <name>a&amp;b</name>\n    <url></url>\n  </file>\n"
    "  <file>\n    <name>old folder</name>\n    <url>\x83\x74\x83\x48\x83\x8B\x83\x5F</url>\n  </file>\n"
    "</bookmark>";

struct Opened {
    bool newWindow;
    QString caption;
    QString address;
};

// Records every choice after the frame has acted on it: whether a new view window came
// of it (with its caption) or the address went to the window in front.
struct BookmarkMenuTest : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    FakeEngines fakes;
    std::unique_ptr<TMainForm> form;
    QList<Opened> opened;
    qsizetype windows = 0;

    void TearDown() override {
        if (form)
            for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        form.reset();
    }
    void start(const std::string& store = kStore) {
        if (!store.empty()) dir.write("bookmark.xml", store);
        form = std::make_unique<TMainForm>(dir.path());
        windows = 0;
        QObject::connect(form->BookmarkViews, &TBookmarkViews::BookmarkChosen, form.get(), [this](const QString& address) {
            const QList<QMdiSubWindow*> children = form->MDIChildren();
            const bool fresh = children.size() > windows;
            opened << Opened{fresh, fresh ? children.back()->windowTitle() : QString(), address};
            windows = children.size();
        });
    }
    void closeViewWindows() {
        for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        windows = 0;
    }
    QList<QAction*> bookmarkItems() const { return form->controls().mnuBookMark->actions().mid(2); }
    QAction* item(const QList<QAction*>& items, const QString& caption) const {
        for (QAction* a : items)
            if (a->text() == caption) return a;
        return nullptr;
    }
    QTreeWidget* tree() const { return form->controls().TreeView1; }
    void openViewWindow() {
        QMdiSubWindow* sub = form->controls().MDIClient->addSubWindow(new QWidget);
        sub->setWindowTitle(QStringLiteral("Page"));
        sub->show();
        form->controls().MDIClient->setActiveSubWindow(sub);
        windows = form->MDIChildren().size();
    }
    void setBookMarkOption(int value) { Settings(form->configPath()).WriteInteger("Option_Window", "BookMark", value); }
};

QStringList captions(const QList<QAction*>& items) {
    QStringList list;
    for (QAction* a : items) list << a->text();
    return list;
}

}  // namespace

TEST_F(BookmarkMenuTest, MenuMirrorsTheStore) {
    start();
    const QList<QAction*> all = form->controls().mnuBookMark->actions();
    ASSERT_GE(all.size(), 2);
    EXPECT_EQ(all[0], form->controls().mnuBMEdit);
    EXPECT_TRUE(all[1]->isSeparator());
    const QList<QAction*> items = bookmarkItems();
    EXPECT_EQ(captions(items), (QStringList{"&A", "&F", "&E", "&a&b", "&old folder"}));

    QAction* a = items[0];
    EXPECT_EQ(MenuItemHint(a), QStringLiteral("U1"));
    EXPECT_EQ(a->property(MenuItemImageProperty).toInt(), 12);
    EXPECT_TRUE(a->isVisible());
    EXPECT_TRUE(a->isEnabled());
    EXPECT_EQ(a->menu(), nullptr);

    QAction* f = items[1];
    EXPECT_TRUE(MenuItemHint(f).isEmpty());
    EXPECT_EQ(f->property(MenuItemImageProperty).toInt(), 11);
    ASSERT_NE(f->menu(), nullptr);
    // A submenu gets its items as it is about to show, once.
    EXPECT_TRUE(f->menu()->actions().isEmpty());
    emit f->menu()->aboutToShow();
    emit f->menu()->aboutToShow();
    EXPECT_EQ(captions(f->menu()->actions()), (QStringList{"&B", "&G"}));
    QAction* g = f->menu()->actions()[1];
    ASSERT_NE(g->menu(), nullptr);
    emit g->menu()->aboutToShow();
    EXPECT_EQ(captions(g->menu()->actions()), QStringList{"&C"});
    EXPECT_EQ(MenuItemHint(g->menu()->actions()[0]), QStringLiteral("U3"));

    // A folder without entries: folder picture, no submenu.
    QAction* e = items[2];
    EXPECT_EQ(e->property(MenuItemImageProperty).toInt(), 11);
    EXPECT_EQ(e->menu(), nullptr);
    EXPECT_EQ(MenuItemHint(items[4]), QStringLiteral("フォルダ"));
}

TEST_F(BookmarkMenuTest, RebuildsLeaveNothingOld) {
    start();
    tree()->topLevelItem(1)->setExpanded(true);
    tree()->setCurrentItem(tree()->topLevelItem(1)->child(0));
    opened.clear();
    dir.write("bookmark.xml", "<bookmark><file><name>only</name><url>u</url></file></bookmark>");
    form->BookMarks->load();
    form->BookMarks->waitForLoad();
    EXPECT_EQ(captions(bookmarkItems()), QStringList{"&only"});
    EXPECT_EQ(form->controls().mnuBookMark->actions().size(), 3);
    ASSERT_EQ(tree()->topLevelItemCount(), 1);
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), QStringLiteral("only"));
    EXPECT_TRUE(opened.isEmpty());  // losing the selection opens nothing
    EXPECT_TRUE(tree()->selectedItems().isEmpty());
}

TEST_F(BookmarkMenuTest, TreeMirrorsTheStoreCollapsed) {
    start();
    ASSERT_EQ(tree()->topLevelItemCount(), 5);
    QTreeWidgetItem* a = tree()->topLevelItem(0);
    EXPECT_EQ(a->text(0), QStringLiteral("A"));
    EXPECT_EQ(a->data(0, BookmarkData::ValueRole).toString(), QStringLiteral("U1"));
    EXPECT_EQ(a->data(0, BookmarkData::ImageIndexRole).toInt(), 12);
    QTreeWidgetItem* f = tree()->topLevelItem(1);
    EXPECT_EQ(f->data(0, BookmarkData::ValueRole).toString(), QStringLiteral("フォルダ"));
    EXPECT_EQ(f->data(0, BookmarkData::ImageIndexRole).toInt(), 11);
    EXPECT_FALSE(f->isExpanded());
    // A folder's nodes are made when it is first opened; until then it shows the mark.
    EXPECT_EQ(f->childCount(), 0);
    EXPECT_EQ(f->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    f->setExpanded(true);
    ASSERT_EQ(f->childCount(), 2);
    EXPECT_FALSE(f->child(1)->isExpanded());
    f->child(1)->setExpanded(true);
    EXPECT_EQ(f->child(1)->child(0)->text(0), QStringLiteral("C"));
    EXPECT_EQ(f->child(1)->child(0)->data(0, BookmarkData::ValueRole).toString(), QStringLiteral("U3"));
    f->setExpanded(false);
    f->setExpanded(true);
    EXPECT_EQ(f->childCount(), 2);
    EXPECT_EQ(tree()->topLevelItem(2)->childCount(), 0);
    EXPECT_EQ(tree()->topLevelItem(2)->data(0, BookmarkData::ImageIndexRole).toInt(), 11);
}

TEST_F(BookmarkMenuTest, InPlaceRenameInTheJBarIsNeverStored) {
    start();
    QTreeWidgetItem* a = tree()->topLevelItem(0);
    EXPECT_TRUE(a->flags() & Qt::ItemIsEditable);
    a->setText(0, QStringLiteral("renamed"));
    form->BookMarkTreeRead();
    EXPECT_EQ(tree()->topLevelItem(0)->text(0), QStringLiteral("A"));
    EXPECT_EQ(dir.read("bookmark.xml"), kStore);
}

TEST_F(BookmarkMenuTest, WithoutViewWindowEveryChoiceOpensANewOne) {
    start();
    for (int option : {0, 1, 2}) {
        closeViewWindows();
        setBookMarkOption(option);
        opened.clear();
        bookmarkItems()[0]->trigger();
        ASSERT_EQ(opened.size(), 1);
        EXPECT_TRUE(opened[0].newWindow);
        EXPECT_TRUE(opened[0].caption.isEmpty());
        EXPECT_EQ(opened[0].address, QStringLiteral("U1"));
        EXPECT_EQ(fakes.last()->callsOf("Navigate").back().args.at(0).toString(), QStringLiteral("U1"));
    }
}

TEST_F(BookmarkMenuTest, OptionLowByteDecidesWithAViewWindow) {
    start();
    openViewWindow();
    ASSERT_FALSE(form->MDIChildren().isEmpty());
    for (auto [option, expectNew] : {std::pair{1, true}, {257, true}, {0, false}, {2, false}, {256, false}, {-1, false}}) {
        setBookMarkOption(option);
        opened.clear();
        // Through the menu and through the J bar alike.
        bookmarkItems()[0]->trigger();
        tree()->clearSelection();
        tree()->topLevelItem(0)->setSelected(true);
        ASSERT_EQ(opened.size(), 2) << option;
        for (const Opened& o : opened) {
            EXPECT_EQ(o.newWindow, expectNew) << option;
            EXPECT_EQ(o.address, QStringLiteral("U1"));
        }
        // After a choice the address box shows the bookmark's address.
        if (!expectNew) {
            EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("U1"));
        }
    }
    // The key missing altogether reads as 0.
    QFile::remove(form->configPath());
    opened.clear();
    bookmarkItems()[0]->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_FALSE(opened[0].newWindow);
}

TEST_F(BookmarkMenuTest, FoldersAndEmptyAddressesInTheMenu) {
    start();
    form->controls().txtAddress->setText(QStringLiteral("unchanged"));
    bookmarkItems()[1]->trigger();  // folder
    bookmarkItems()[2]->trigger();  // empty folder
    bookmarkItems()[3]->trigger();  // bookmark with an empty address: empty hint
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("unchanged"));
    bookmarkItems()[4]->trigger();  // an empty folder saved earlier: opened as an address
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].address, QStringLiteral("フォルダ"));
}

TEST_F(BookmarkMenuTest, JBarSelectionOpensBookmarksAndSkipsFolders) {
    start();
    tree()->show();
    form->controls().txtAddress->setText(QStringLiteral("before"));
    tree()->setCurrentItem(tree()->topLevelItem(1));  // folder
    tree()->setCurrentItem(tree()->topLevelItem(4));  // value "フォルダ": treated as a folder
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("before"));

    tree()->setCurrentItem(tree()->topLevelItem(3));  // empty address
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].address.isEmpty());
    EXPECT_TRUE(form->controls().txtAddress->text().isEmpty());

    // Clicking the node that is already selected does nothing.
    opened.clear();
    tree()->setCurrentItem(tree()->topLevelItem(0));
    const QRect rect = tree()->visualItemRect(tree()->topLevelItem(0));
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(opened.size(), 1);

    // Arrow keys open each bookmark the selection lands on.
    opened.clear();
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_Down);  // F: folder
    QTest::keyClick(tree(), Qt::Key_Down);  // E: empty folder
    QTest::keyClick(tree(), Qt::Key_Down);  // a&b
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(tree()->currentItem(), tree()->topLevelItem(3));
}

TEST_F(BookmarkMenuTest, MissingStoreShowsNothingAndSaysNothing) {
    start("");
    EXPECT_TRUE(bookmarkItems().isEmpty());
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(BookmarkMenuTest, BrokenStoreIsReportedOnceAtStartUp) {
    start("<bookmark><file><name>x</name></bookmark>");
    Tfrm_BMEdit editor(*form->BookMarks);
    EXPECT_TRUE(bookmarkItems().isEmpty());
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_EQ(editor.TreeView1->topLevelItemCount(), 0);
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].contains(dir.file("bookmark.xml")));
    EXPECT_TRUE(errors.messages[0].contains(QStringLiteral("1 行")));
}

TEST_F(BookmarkMenuTest, CapacityAndBeyondReachTheMenu) {
    for (int top : {253, 300}) {
        std::string store = "<bookmark>";
        for (int i = 0; i < top - 1; ++i) store += "<file><name>n" + std::to_string(i) + "</name><url>u</url></file>";
        store += "<directory><name>big</name>";
        for (int i = 0; i < top + 2; ++i) store += "<file><name>m" + std::to_string(i) + "</name><url>v</url></file>";
        store += "</directory></bookmark>";
        ProgramFolder d;
        d.write("bookmark.xml", store);
        form = std::make_unique<TMainForm>(d.path());
        const QList<QAction*> items = bookmarkItems();
        ASSERT_EQ(items.size(), top);
        EXPECT_EQ(items.last()->text(), QStringLiteral("&big"));
        ASSERT_NE(items.last()->menu(), nullptr);
        emit items.last()->menu()->aboutToShow();
        EXPECT_EQ(items.last()->menu()->actions().size(), top + 2);
        EXPECT_EQ(tree()->topLevelItemCount(), top);
        tree()->topLevelItem(top - 1)->setExpanded(true);
        EXPECT_EQ(tree()->topLevelItem(top - 1)->childCount(), top + 2);
        form.reset();
    }
}

// The real opening path, with recording engines: a new view window through
// OpenViewWindow, or Navigate on the active one's engine.
TEST_F(BookmarkMenuTest, ChoosingOpensThroughTheViewWindows) {
    dir.write("config.ini", "[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nBookMark=0\r\n");
    start();
    bookmarkItems()[0]->trigger();  // no view window: a new one
    ASSERT_EQ(form->MDIChildren().size(), 1);
    FakeEngine* engine = fakes.last();
    ASSERT_NE(engine, nullptr);
    ASSERT_EQ(engine->callsOf("Navigate").size(), 1);
    EXPECT_EQ(engine->callsOf("Navigate").back().args.at(0).toString(), QStringLiteral("U1"));

    form->controls().MDIClient->setActiveSubWindow(form->MDIChildren().front());
    tree()->topLevelItem(1)->setExpanded(true);
    tree()->setCurrentItem(tree()->topLevelItem(1)->child(0));  // B: into the active window
    EXPECT_EQ(form->MDIChildren().size(), 1);
    ASSERT_EQ(engine->callsOf("Navigate").size(), 2);
    EXPECT_EQ(engine->callsOf("Navigate").back().args.at(0).toString(), QStringLiteral("U2"));

    setBookMarkOption(1);
    bookmarkItems()[0]->trigger();
    EXPECT_EQ(form->MDIChildren().size(), 2);
    EXPECT_EQ(fakes.last()->callsOf("Navigate").back().args.at(0).toString(), QStringLiteral("U1"));
    for (QMdiSubWindow* w : form->MDIChildren()) delete w;
    EXPECT_TRUE(errors.messages.isEmpty());
}

// A store nested 100,000 folders deep: the frame starts, and the menu and the tree go
// down level by level as they are opened.
TEST_F(BookmarkMenuTest, DeepStoreStartsAndOpensLevelByLevel) {
    std::string store = "<bookmark>";
    for (int i = 0; i < 100000; ++i)
        store += "<directory><name>" + std::to_string(i) + "</name><file><name>b" + std::to_string(i) + "</name><url>u" +
                 std::to_string(i) + "</url></file>";
    for (int i = 0; i < 100000; ++i) store += "</directory>";
    start(store + "</bookmark>");
    ASSERT_EQ(bookmarkItems().size(), 1);
    QAction* folder = bookmarkItems()[0];
    QTreeWidgetItem* node = tree()->topLevelItem(0);
    for (int level = 0; level < 30; ++level) {
        ASSERT_NE(folder->menu(), nullptr);
        emit folder->menu()->aboutToShow();
        const QList<QAction*> items = folder->menu()->actions();
        ASSERT_EQ(captions(items), (QStringList{QStringLiteral("&b%1").arg(level), QStringLiteral("&%1").arg(level + 1)}));
        EXPECT_EQ(MenuItemHint(items[0]), QStringLiteral("u%1").arg(level));
        folder = items[1];
        node->setExpanded(true);
        ASSERT_EQ(node->childCount(), 2);
        node = node->child(1);
        EXPECT_EQ(node->text(0), QString::number(level + 1));
    }
    tree()->setCurrentItem(node->parent()->child(0));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].address, QStringLiteral("u29"));
    EXPECT_TRUE(errors.messages.isEmpty());
}

// Reading the store in the background: which reading wins, the editor and the menu while
// a load is pending, one message per broken store, and going away mid-load.

#include "TestSupport.h"
#include "app/Main.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkModel.h"
#include "bookmarks/untBMB.h"

#include <QAction>
#include <QDir>
#include <QDeadlineTimer>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>

namespace {

// `folders` folders of `perFolder` bookmarks, named so every entry can be told apart.
std::string storeOf(int folders, int perFolder, const std::string& tag = "f") {
    std::string s = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>";
    for (int f = 0; f < folders; ++f) {
        s += "<directory><name>" + tag + std::to_string(f) + "</name>";
        for (int b = 0; b < perFolder; ++b)
            s += "<file><name>p" + std::to_string(b) + "</name><url>http://x/" + std::to_string(f) + "/" +
                 std::to_string(b) + "</url></file>";
        s += "</directory>";
    }
    return s + "</bookmark>";
}

std::size_t countEntries(const std::vector<BookmarkStore::Entry>& entries) {
    std::size_t n = 0;
    for (const BookmarkStore::Entry& e : entries) n += 1 + countEntries(e.entries);
    return n;
}

QStringList topNames(const BookmarkModel& model) {
    QStringList names;
    for (const BookmarkStore::Entry& e : model.entries()) names << e.name;
    return names;
}

// The store's readers among this process's threads.
int readerThreads() {
    int readers = 0;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "bookmark read") ++readers;
    }
    return readers;
}

// Holds the store's reader where a parse looks whether it has been cancelled, the third
// time it looks (well into the parse), until the parse is cancelled, or until a long
// while has passed should it never be. Lives longer than the reader it holds.
class HeldParse {
public:
    HeldParse() {
        BookmarkStore::setCancelCheckHook([this](const std::atomic<bool>& cancelled) { look(cancelled); });
    }
    ~HeldParse() { BookmarkStore::setCancelCheckHook({}); }
    HeldParse(const HeldParse&) = delete;
    HeldParse& operator=(const HeldParse&) = delete;

    // The reader is being held.
    bool reached() const { return reached_; }
    // The hold ended because the parse was cancelled.
    bool cancelled() const { return cancelled_; }
    // How often the parse looked again once cancelled: 0 when it stopped at once.
    int looksAfterCancel() const { return looksAfterCancel_; }

private:
    void look(const std::atomic<bool>& cancelled) {
        if (cancelled_) {
            ++looksAfterCancel_;
            return;
        }
        if (++looks_ != 3) return;
        reached_ = true;
        QDeadlineTimer patience(10000);
        while (!cancelled.load() && !patience.hasExpired()) QThread::usleep(200);
        cancelled_ = cancelled.load();
    }

    std::atomic<int> looks_{0};
    std::atomic<bool> reached_{false};
    std::atomic<bool> cancelled_{false};
    std::atomic<int> looksAfterCancel_{0};
};

// Waits for `ready` without running the event loop, so that nothing posted meanwhile
// is delivered.
template <typename Ready>
bool waitWithoutEvents(Ready ready, int timeoutMs = 10000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!ready()) {
        if (deadline.hasExpired()) return false;
        QThread::usleep(200);
    }
    return true;
}

struct BookmarkLoadTest : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;

    void SetUp() override {
        Tfrm_BMEdit::setInputBox([](QWidget*, const QString&, const QString&, const QString& initial) { return initial; });
    }
    void TearDown() override { Tfrm_BMEdit::setInputBox({}); }
};

}  // namespace

TEST_F(BookmarkLoadTest, TheNewestReadingWins) {
    BookmarkModel model(dir.path());
    QList<QStringList> seen;
    QObject::connect(&model, &BookmarkModel::changed, [&] { seen << topNames(model); });

    // Superseded while it is still parsing a large store.
    dir.write("bookmark.xml", storeOf(200, 255, "old"));
    model.load();
    dir.write("bookmark.xml", storeOf(2, 1, "new"));
    model.load();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.loading(); }, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, QList<QStringList>{(QStringList{"new0", "new1"})});

    // Superseded after its worker has finished, with its report still on the way.
    seen.clear();
    dir.write("bookmark.xml", storeOf(1, 1, "older"));
    model.load();
    // The worker is done, but nothing has been delivered.
    ASSERT_TRUE(waitWithoutEvents([&] { return model.loadDone(); }));
    EXPECT_TRUE(model.loading());
    dir.write("bookmark.xml", storeOf(1, 1, "newer"));
    model.load();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.loading(); }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(seen, QList<QStringList>{QStringList{"newer0"}});

    // Taken over by waiting: the worker's own report that follows changes nothing.
    seen.clear();
    model.load();
    model.waitForLoad();
    EXPECT_FALSE(model.loading());
    EXPECT_EQ(seen.size(), 1);
    QTest::qWait(50);
    EXPECT_EQ(seen.size(), 1);
    model.waitForLoad();  // nothing pending: nothing happens
    EXPECT_EQ(seen.size(), 1);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(BookmarkLoadTest, EditorMadeDuringTheLoadShowsAndSavesTheFile) {
    const std::string store = storeOf(40, 50);
    dir.write("bookmark.xml", store);
    BookmarkModel model(dir.path());
    model.load();
    // Made as the program makes it at start-up, right after the load has started.
    Tfrm_BMEdit editor(model);
    EXPECT_FALSE(editor.treeBuilt());
    EXPECT_EQ(editor.TreeView1->topLevelItemCount(), 0);
    editor.ShowWith(QStringLiteral("http://page/"), QStringLiteral("page"));
    ASSERT_TRUE(editor.treeBuilt());
    EXPECT_EQ(editor.TreeView1->topLevelItemCount(), 40);
    EXPECT_EQ(editor.readFrom(), BookmarkStore::fingerprintOf(&store));

    editor.TreeView1->setCurrentItem(editor.TreeView1->topLevelItem(0));
    editor.btnAdd->click();
    editor.btnOK->click();
    const auto back = BookmarkStore::read(dir.path());
    EXPECT_EQ(back.entries.size(), 40u);
    EXPECT_EQ(countEntries(back.entries), 40u * 51u + 1u);
    // Nothing was kept aside (and said so): the tree was the file's.
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join('\n').toStdString();
}

TEST_F(BookmarkLoadTest, EditorFollowsTheReadingThatArrivesAndNoOther) {
    dir.write("bookmark.xml", storeOf(3, 2));
    BookmarkModel model(dir.path());
    // A model that never read the store is no picture of it either.
    Tfrm_BMEdit early(model);
    EXPECT_FALSE(early.treeBuilt());
    model.load();
    ASSERT_TRUE(QTest::qWaitFor([&] { return early.treeBuilt(); }, 10000));
    EXPECT_EQ(early.TreeView1->topLevelItemCount(), 3);
    // Later readings (after a save, say) leave a built tree as it is.
    dir.write("bookmark.xml", storeOf(1, 1));
    model.load();
    model.waitForLoad();
    EXPECT_EQ(early.TreeView1->topLevelItemCount(), 3);

    // Shown with no load ever started: it reads the store itself.
    BookmarkModel unread(dir.path());
    Tfrm_BMEdit editor(unread);
    editor.ShowWith(QString(), QString());
    EXPECT_EQ(editor.TreeView1->topLevelItemCount(), 1);
    editor.btnOK->click();
    EXPECT_EQ(countEntries(BookmarkStore::read(dir.path()).entries), 2u);
}

TEST_F(BookmarkLoadTest, MenuOpenedDuringTheLoadShowsTheStore) {
    dir.write("bookmark.xml", storeOf(30, 100));
    TMainForm form(dir.path());  // read at once
    dir.write("bookmark.xml", storeOf(5, 100, "g"));
    form.BookMarks->load();
    emit form.controls().mnuBookMark->aboutToShow();
    const QList<QAction*> items = form.controls().mnuBookMark->actions().mid(2);
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), QStringLiteral("&g0"));
    EXPECT_EQ(form.controls().TreeView1->topLevelItemCount(), 5);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(BookmarkLoadTest, ABrokenStoreIsReportedOnce) {
    dir.write("bookmark.xml", "<bookmark><file><name>a</name>");
    auto form = std::make_unique<TMainForm>(dir.path(), nullptr, TStartup::AfterFirstPaint);
    std::unique_ptr<Tfrm_BMEdit> editor;
    QObject::connect(form.get(), &TMainForm::StartupFinished, form.get(), [&] {
        // Everything that could take the reading over at once, while it is pending.
        editor = std::make_unique<Tfrm_BMEdit>(*form->BookMarks);
        emit form->controls().mnuBookMark->aboutToShow();
        form->controls().mnuBMEdit->trigger();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor && !form->BookMarks->loading(); }, 10000));
    QTest::qWait(50);
    ASSERT_EQ(errors.messages.size(), 1) << errors.messages.join('\n').toStdString();
    EXPECT_TRUE(errors.messages[0].contains(dir.file("bookmark.xml")));
    EXPECT_TRUE(editor->treeBuilt());
    editor.reset();
    form.reset();
}

TEST_F(BookmarkLoadTest, StartupEditorFromTheTabMenuKeepsEveryEntry) {
    const std::string store = storeOf(60, 255);
    dir.write("bookmark.xml", store);
    dir.write("config.ini", "[Option_Main]\r\nMozilla=0\r\n");
    TMainForm form(dir.path(), nullptr, TStartup::AfterFirstPaint);
    std::unique_ptr<Tfrm_BMEdit> editor;
    bool pendingWhenAsked = false;
    QObject::connect(&form, &TMainForm::StartupFinished, &form, [&] {
        editor = std::make_unique<Tfrm_BMEdit>(*form.BookMarks);
        pendingWhenAsked = form.BookMarks->loading();
        // "ブックマークに追加(&A)" in the tab strip, before the store has arrived.
        form.mnuBMEditClick();
        editor->btnOK->click();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor != nullptr; }, 10000));
    EXPECT_TRUE(pendingWhenAsked);
    EXPECT_EQ(countEntries(BookmarkStore::read(dir.path()).entries), 60u * 256u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.BookMarks->loading(); }, 10000));
    EXPECT_EQ(form.controls().TreeView1->topLevelItemCount(), 60);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join('\n').toStdString();
    editor.reset();
}

TEST_F(BookmarkLoadTest, GoingAwayMidLoadStopsTheWorker) {
    dir.write("bookmark.xml", storeOf(100, 100));
    for (int round = 0; round < 3; ++round) {
        HeldParse held;
        auto model = std::make_unique<BookmarkModel>(dir.path());
        int changes = 0;
        QObject::connect(model.get(), &BookmarkModel::changed, [&] { ++changes; });
        model->load();
        ASSERT_TRUE(waitUntil([&] { return held.reached(); }, 10000));
        EXPECT_EQ(readerThreads(), 1);
        model.reset();
        // Stopped, not waited out: the model's end cancelled the parse, which went no
        // further.
        ASSERT_TRUE(held.cancelled());
        EXPECT_EQ(held.looksAfterCancel(), 0);
        EXPECT_EQ(changes, 0);
    }
    // A joined thread may take a moment to leave the process's list.
    EXPECT_TRUE(QTest::qWaitFor([] { return readerThreads() == 0; }, 2000));

    // A frame closed while its store is being read.
    HeldParse held;
    auto form = std::make_unique<TMainForm>(dir.path(), nullptr, TStartup::AfterFirstPaint);
    ASSERT_TRUE(waitUntil([&] { return held.reached(); }, 10000));
    EXPECT_TRUE(form->BookMarks->loading());
    form.reset();
    EXPECT_TRUE(held.cancelled());
    EXPECT_EQ(held.looksAfterCancel(), 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return readerThreads() == 0; }, 2000));
    EXPECT_TRUE(errors.messages.isEmpty());
}

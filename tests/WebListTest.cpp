// Web lists: the menu built from the folder, reading a list, and the editor's load and
// save commands with their failures.

#include "TestSupport.h"
#include "views/MenuItems.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "resources/ImageList.h"
#include "weblists/EditWebList.h"
#include "weblists/WebListDialogs.h"
#include "weblists/WebListFile.h"
#include "weblists/WebListMenu.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

using WebListDialogs::Request;

namespace {

TEST(WebListNames, DisplayNameDropsTheLastFourCharacters) {
    EXPECT_EQ(WebListDisplayName(QStringLiteral("news.wlf")), QStringLiteral("news"));
    EXPECT_EQ(WebListDisplayName(QStringLiteral("日本のニュース.wlf")), QStringLiteral("日本のニュース"));
    EXPECT_EQ(WebListDisplayName(QStringLiteral("a.txt")), QStringLiteral("a"));
    EXPECT_EQ(WebListDisplayName(QStringLiteral("list")), QString());
    EXPECT_EQ(WebListDisplayName(QStringLiteral(".wl")), QString());
    // A character outside the basic plane counts once and is never cut in half.
    EXPECT_EQ(WebListDisplayName(QStringLiteral("x") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("abc")),
              QStringLiteral("x"));
    EXPECT_EQ(WebListDisplayName(QStringLiteral("ab") + QString::fromUcs4(U"\U0001F600")), QString());
}

TEST(WebListNames, DialogFiltersBecomeQtFilters) {
    EXPECT_EQ(WebListDialogs::nameFilters(QStringLiteral("WebListFile(*.wlf)|*.wlf|その他(*.*)|*.*")),
              (QStringList{QStringLiteral("WebListFile(*.wlf)"), QStringLiteral("その他(*.*) (*)")}));
    EXPECT_EQ(WebListDialogs::nameFilters(QStringLiteral("Text|*.txt;*.log")),
              (QStringList{QStringLiteral("Text (*.txt *.log)")}));
}

struct WebListMenuTest : ::testing::Test {
    ProgramFolder dir;
    QMenu menu;
    QAction* edit = nullptr;
    std::unique_ptr<TWebListMenu> webLists;

    void SetUp() override {
        edit = menu.addAction(QStringLiteral("Webリストを編集(&E)"));
        menu.addSeparator();
        webLists = std::make_unique<TWebListMenu>(&menu, ImageList::create());
        QDir().mkpath(folder());
    }
    QString folder() const { return dir.path() + QStringLiteral("WebList"); }
    void writeList(const QString& name, const std::string& bytes = "http://example.jp/\r\n") const {
        dir.write(QStringLiteral("WebList/") + name, bytes);
    }
    QStringList captions() const {
        QStringList out;
        for (QAction* item : webLists->items()) out << item->text();
        return out;
    }
    QAction* itemWithHint(const QString& hint) const {
        for (QAction* item : webLists->items())
            if (item->statusTip() == hint) return item;
        return nullptr;
    }
};

TEST_F(WebListMenuTest, ListsEveryFileWithCaptionHintImageAfterTheFixedItems) {
    writeList(QStringLiteral("news.wlf"));
    writeList(QStringLiteral("abcd"));
    writeList(QStringLiteral(".hidden.wlf"));
    writeList(QStringLiteral("noext"));
    QDir().mkpath(folder() + QStringLiteral("/sub.wlf"));
    dir.write(QStringLiteral("WebList/sub.wlf/inner.wlf"), "x\r\n");

    webLists->EnumFiles(folder());

    const QList<QAction*> all = menu.actions();
    ASSERT_EQ(all.size(), 6);
    EXPECT_EQ(all[0], edit);
    EXPECT_TRUE(all[1]->isSeparator());
    QStringList sorted = captions();
    sorted.sort();
    EXPECT_EQ(sorted, (QStringList{QStringLiteral("&"), QStringLiteral("&.hidden"), QStringLiteral("&n"),
                                   QStringLiteral("&news")}));
    QAction* news = itemWithHint(QStringLiteral("news.wlf"));
    ASSERT_NE(news, nullptr);
    EXPECT_EQ(news->text(), QStringLiteral("&news"));
    EXPECT_EQ(itemWithHint(QStringLiteral("abcd"))->text(), QStringLiteral("&"));
    EXPECT_EQ(news->property("imageIndex").toInt(), ImageList::WebList);
    EXPECT_FALSE(news->icon().isNull());
    EXPECT_TRUE(news->isVisible());
    EXPECT_TRUE(news->isEnabled());
    EXPECT_EQ(itemWithHint(QStringLiteral("sub.wlf")), nullptr);
    EXPECT_EQ(itemWithHint(QStringLiteral("inner.wlf")), nullptr);
}

TEST_F(WebListMenuTest, ChoosingAnItemAsksForItsFullPath) {
    writeList(QStringLiteral("news.wlf"));
    QSignalSpy opened(webLists.get(), &TWebListMenu::OpenWebList);
    // With or without the trailing delimiter.
    for (const QString& f : {folder(), folder() + QStringLiteral("/")}) {
        webLists->EnumFiles(f);
        ASSERT_EQ(webLists->items().size(), 1);
        webLists->items().first()->trigger();
    }
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0][0].toString(), folder() + QStringLiteral("/news.wlf"));
    EXPECT_EQ(opened[1][0].toString(), folder() + QStringLiteral("/news.wlf"));
}

TEST_F(WebListMenuTest, ANameThatIsNotUtf8IsListedShownAndOpensItsOwnFile) {
    // The name's bytes as the file system holds them: not UTF-8.
    const std::string name = "f\xFF\xFE.txt";
    const std::string path = QFile::encodeName(folder()).toStdString() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("http://odd.example/\r\n", f);
    std::fclose(f);
    writeList(QStringLiteral("f.txt"), "http://plain.example/\r\n");
    // A pipe is no list; a link to a list is one.
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder() + QStringLiteral("/pipe.wlf")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(folder() + QStringLiteral("/f.txt"), folder() + QStringLiteral("/link.wlf")));

    webLists->EnumFiles(folder());
    QStringList sorted = captions();
    sorted.sort();
    EXPECT_EQ(sorted, (QStringList{QStringLiteral("&f"), QStringLiteral("&f%FF%FE"), QStringLiteral("&link")}));
    QAction* odd = itemWithHint(QStringLiteral("f%FF%FE.txt"));
    ASSERT_NE(odd, nullptr);
    QSignalSpy opened(webLists.get(), &TWebListMenu::OpenWebList);
    odd->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(ReadWebList(opened[0][0].toString()).lines, QStringList{QStringLiteral("http://odd.example/")});
}

TEST_F(WebListMenuTest, ThreeHundredFilesAreListedAndAllGoAtTheNextRebuild) {
    for (int i = 0; i < 300; ++i) writeList(QStringLiteral("list%1.wlf").arg(i, 3, 10, QLatin1Char('0')));
    webLists->EnumFiles(folder());
    const QList<QAction*> items = webLists->items();
    ASSERT_EQ(items.size(), 300);
    QStringList hints;
    for (QAction* item : items) hints << item->statusTip();
    EXPECT_EQ(QSet<QString>(hints.begin(), hints.end()).size(), 300);
    // Enumeration order, each at k + 2: the menu holds them as they were listed.
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden, QDir::Unsorted), hints);

    QList<QPointer<QAction>> old(items.begin(), items.end());
    for (int i = 0; i < 300; ++i) QFile::remove(folder() + QStringLiteral("/list%1.wlf").arg(i, 3, 10, QLatin1Char('0')));
    writeList(QStringLiteral("only.wlf"));
    webLists->EnumFiles(folder());
    EXPECT_EQ(captions(), QStringList{QStringLiteral("&only")});
    EXPECT_EQ(menu.actions().size(), 3);
    for (const QPointer<QAction>& item : old) EXPECT_TRUE(item.isNull());
}

TEST_F(WebListMenuTest, MissingFolderLeavesOnlyTheFixedItems) {
    writeList(QStringLiteral("news.wlf"));
    webLists->EnumFiles(folder());
    ASSERT_EQ(webLists->items().size(), 1);
    QDir(folder()).removeRecursively();
    webLists->EnumFiles(folder());
    EXPECT_TRUE(webLists->items().isEmpty());
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(menu.actions()[0], edit);
}

TEST(WebListRead, LinesInFileOrderWhateverTheLineEnds) {
    ProgramFolder dir;
    dir.write(QStringLiteral("mixed.wlf"), "http://a.example/\r\nhttp://b.example/\nhttp://c.example/\r");
    EXPECT_EQ(ReadWebList(dir.file(QStringLiteral("mixed.wlf"))).lines,
              (QStringList{QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/"),
                           QStringLiteral("http://c.example/")}));
    dir.write(QStringLiteral("gap.wlf"), "http://a.example/\r\n\r\nhttp://c.example/");
    EXPECT_EQ(ReadWebList(dir.file(QStringLiteral("gap.wlf"))).lines.size(), 3);
    dir.write(QStringLiteral("empty.wlf"), "");
    EXPECT_TRUE(ReadWebList(dir.file(QStringLiteral("empty.wlf"))).lines.isEmpty());
}

TEST(WebListRead, UnreadableFilesThrowTheFileError) {
    ProgramFolder dir;
    EXPECT_THROW(ReadWebList(dir.file(QStringLiteral("missing.wlf"))), EFOpenError);
    QDir().mkpath(dir.file(QStringLiteral("folder.wlf")));
    EXPECT_THROW(ReadWebList(dir.file(QStringLiteral("folder.wlf"))), EFOpenError);
    // A pipe would block the reader for ever.
    const QByteArray fifo = QFile::encodeName(dir.file(QStringLiteral("pipe.wlf")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
    EXPECT_THROW(ReadWebList(dir.file(QStringLiteral("pipe.wlf"))), EFOpenError);

    // A folder is refused for what the system says of reading it; only what is neither
    // a file nor a folder is refused as no plain file.
    const auto reasonOf = [&](const QString& name) {
        try {
            ReadWebList(dir.file(name));
        } catch (const EFOpenError& e) {
            return e.message().toStdString();
        }
        return std::string();
    };
    EXPECT_EQ(reasonOf(QStringLiteral("folder.wlf")),
              QStringLiteral("ファイル %1 を開けません。%2")
                  .arg(dir.file(QStringLiteral("folder.wlf")), QString::fromLocal8Bit(std::strerror(EISDIR)))
                  .toStdString());
    EXPECT_EQ(reasonOf(QStringLiteral("pipe.wlf")),
              QStringLiteral("ファイル %1 を開けません。通常のファイルではありません")
                  .arg(dir.file(QStringLiteral("pipe.wlf")))
                  .toStdString());
}

struct WebListEditorTest : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    std::unique_ptr<Tfrm_WebList> editor;
    QList<Request> asked;
    QStringList answers;  // popped front per dialog; empty answer = cancelled

    void SetUp() override {
        QDir().mkpath(dir.path() + QStringLiteral("WebList"));
        WebListDialogs::setHook([this](QWidget*, const Request& r) {
            asked << r;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
        editor = std::make_unique<Tfrm_WebList>(dir.path());
    }
    void TearDown() override {
        editor.reset();
        WebListDialogs::setHook({});
        CodePage::overrideAnsiName("");
    }
    QString list(const QString& name) const { return dir.path() + QStringLiteral("WebList/") + name; }
    std::string bytes(const QString& name) const { return dir.read(QStringLiteral("WebList/") + name); }
    void write(const QString& name, const std::string& content) const {
        dir.write(QStringLiteral("WebList/") + name, content);
    }
    void load(const QString& name) {
        answers << list(name);
        editor->btnLoad->click();
    }
};

TEST_F(WebListEditorTest, StartsEmptyWithItsFolder) {
    EXPECT_EQ(editor->objectName(), QStringLiteral("frm_WebList"));
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("WebListの編集"));
    EXPECT_TRUE(editor->lblName->text().isEmpty());
    EXPECT_EQ(editor->webListFolder(), dir.path() + QStringLiteral("WebList"));
    EXPECT_TRUE(editor->isHidden());
}

TEST_F(WebListEditorTest, LoadFillsMemoAndNameAndOffersTheWebListFolder) {
    write(QStringLiteral("news.wlf"), "http://a/\r\n\r\nhttp://c/\n");
    load(QStringLiteral("news.wlf"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].kind, Request::Open);
    EXPECT_EQ(asked[0].folder, editor->webListFolder());
    EXPECT_EQ(asked[0].filter, QStringLiteral("WebListFile(*.wlf)|*.wlf|その他(*.*)|*.*"));
    EXPECT_EQ(editor->memoLines(), (QStringList{QStringLiteral("http://a/"), QString(), QStringLiteral("http://c/")}));
    EXPECT_EQ(editor->lblName->text(), QStringLiteral("news.wlf"));
    EXPECT_EQ(editor->currentFile(), list(QStringLiteral("news.wlf")));

    // The empty entry survives a save, and every line ends in CR LF.
    editor->btnSave->click();
    EXPECT_EQ(bytes(QStringLiteral("news.wlf")), "http://a/\r\n\r\nhttp://c/\r\n");
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(WebListEditorTest, AShiftJisListIsShownInJapaneseAndSavedBackByteForByte) {
    const std::string sjis = "\x93\xfa\x96\x7b\x8c\xea";  // "日本語"
    // A Shift_JIS list with a byte it cannot hold (0xFF): that one stays an escape in the
    // memo, and must not keep the memo from splitting into lines.
    write(QStringLiteral("jp.wlf"), "x.html\n" + sjis + "\xFF\ny.html\r\n");
    load(QStringLiteral("jp.wlf"));
    ASSERT_EQ(editor->memoLines().size(), 3);
    EXPECT_TRUE(editor->memoLines()[1].startsWith(QStringLiteral("日本語")));
    editor->Memo1->moveCursor(QTextCursor::End);
    editor->Memo1->insertPlainText(QStringLiteral("http://日本/\n"));
    editor->btnSave->click();
    EXPECT_EQ(bytes(QStringLiteral("jp.wlf")), "x.html\r\n" + sjis + "\xFF\r\ny.html\r\nhttp://\x93\xfa\x96\x7b/\r\n");
    EXPECT_TRUE(errors.messages.isEmpty());

    // A UTF-8 list stays UTF-8, under a Shift_JIS locale too; so does its copy under a
    // new name.
    CodePage::overrideAnsiName("CP932");
    write(QStringLiteral("utf.wlf"), "http://\xE6\x97\xA5/\r\n");
    load(QStringLiteral("utf.wlf"));
    EXPECT_EQ(editor->memoLines(), QStringList{QStringLiteral("http://日/")});
    editor->Memo1->moveCursor(QTextCursor::End);
    editor->Memo1->insertPlainText(QStringLiteral("語"));
    answers << list(QStringLiteral("copy.wlf"));
    editor->btnSaveAs->click();
    EXPECT_EQ(bytes(QStringLiteral("copy.wlf")), "http://\xE6\x97\xA5/\r\n\xE8\xAA\x9E\r\n");
}

TEST_F(WebListEditorTest, LoadCancelledOrUnreadableChangesNothing) {
    write(QStringLiteral("news.wlf"), "http://a/\r\n");
    load(QStringLiteral("news.wlf"));
    editor->btnLoad->click();  // cancelled
    EXPECT_EQ(editor->lblName->text(), QStringLiteral("news.wlf"));
    load(QStringLiteral("missing.wlf"));
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].contains(QStringLiteral("missing.wlf")));
    EXPECT_EQ(editor->memoLines(), QStringList{QStringLiteral("http://a/")});
    EXPECT_EQ(editor->lblName->text(), QStringLiteral("news.wlf"));
    EXPECT_EQ(editor->currentFile(), list(QStringLiteral("news.wlf")));
    // The next open dialog starts at the name last chosen.
    answers << QString();
    editor->btnLoad->click();
    EXPECT_EQ(asked.last().fileName, list(QStringLiteral("missing.wlf")));
}

TEST_F(WebListEditorTest, SaveWithNothingLoadedAsksLikeSaveAs) {
    editor->Memo1->setPlainText(QStringLiteral("http://a/\nhttp://b/"));
    answers << list(QStringLiteral("new.wlf"));
    editor->btnSave->click();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].kind, Request::Save);
    EXPECT_EQ(asked[0].fileName, QStringLiteral("*.wlf"));
    EXPECT_EQ(asked[0].folder, editor->webListFolder());
    EXPECT_EQ(bytes(QStringLiteral("new.wlf")), "http://a/\r\nhttp://b/\r\n");
    EXPECT_EQ(editor->lblName->text(), QStringLiteral("new.wlf"));

    // After only a save under a new name, it still asks; the dialog remembers the name.
    answers << QString();
    editor->Memo1->setPlainText(QStringLiteral("changed"));
    editor->btnSave->click();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[1].kind, Request::Save);
    EXPECT_EQ(asked[1].fileName, list(QStringLiteral("new.wlf")));
    EXPECT_EQ(bytes(QStringLiteral("new.wlf")), "http://a/\r\nhttp://b/\r\n");
}

TEST_F(WebListEditorTest, SaveAfterLoadWritesWithoutAsking) {
    write(QStringLiteral("news.wlf"), "http://a/\r\n");
    load(QStringLiteral("news.wlf"));
    editor->Memo1->setPlainText(QStringLiteral("http://a/\nhttp://b/\n"));
    editor->btnSave->click();
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(bytes(QStringLiteral("news.wlf")), "http://a/\r\nhttp://b/\r\n");
}

TEST_F(WebListEditorTest, SaveAfterLoadAndSaveAsWritesTheFileShownByName) {
    write(QStringLiteral("a.wlf"), "http://a/\r\n");
    load(QStringLiteral("a.wlf"));
    answers << list(QStringLiteral("b.wlf"));
    editor->btnSaveAs->click();
    editor->Memo1->setPlainText(QStringLiteral("http://b/"));
    editor->btnSave->click();
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(bytes(QStringLiteral("a.wlf")), "http://a/\r\n");
    EXPECT_EQ(bytes(QStringLiteral("b.wlf")), "http://b/\r\n");
    EXPECT_EQ(editor->lblName->text(), QStringLiteral("b.wlf"));
}

TEST_F(WebListEditorTest, FailedWriteKeepsFileCurrentNameAndLabel) {
    write(QStringLiteral("a.wlf"), "http://a/\r\n");
    load(QStringLiteral("a.wlf"));
    write(QStringLiteral("locked.wlf"), "keep me\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(list(QStringLiteral("locked.wlf"))).constData(), 0444), 0);
    editor->Memo1->setPlainText(QStringLiteral("http://new/"));

    answers << list(QStringLiteral("locked.wlf"));
    editor->btnSaveAs->click();
    answers << dir.path() + QStringLiteral("no/such/folder/x.wlf");
    editor->btnSaveAs->click();

    ASSERT_EQ(errors.messages.size(), 2);
    EXPECT_EQ(bytes(QStringLiteral("locked.wlf")), "keep me\r\n");
    EXPECT_EQ(editor->currentFile(), list(QStringLiteral("a.wlf")));
    EXPECT_EQ(editor->lblName->text(), QStringLiteral("a.wlf"));
    EXPECT_EQ(bytes(QStringLiteral("a.wlf")), "http://a/\r\n");
    // "上書き保存" still goes to the loaded file.
    editor->btnSave->click();
    EXPECT_EQ(bytes(QStringLiteral("a.wlf")), "http://new/\r\n");
}

TEST_F(WebListEditorTest, ShiftJisListRoundTripsByteForByte) {
    CodePage::overrideAnsiName("CP932");
    // "http://例.jp/" with 例 in Shift-JIS (0x97 0xE1).
    const std::string sjis = "http://\x97\xe1.jp/\r\nhttp://b/\r\n";
    write(QStringLiteral("sjis.wlf"), sjis);
    load(QStringLiteral("sjis.wlf"));
    EXPECT_EQ(editor->memoLines().value(0), QStringLiteral("http://例.jp/"));
    editor->btnSave->click();
    EXPECT_EQ(bytes(QStringLiteral("sjis.wlf")), sjis);
}

TEST_F(WebListEditorTest, CloseButtonAsksForRebuildCloseBoxDoesNot) {
    QSignalSpy rebuild(editor.get(), &Tfrm_WebList::EnumFilesRequested);
    editor->show();
    editor->Memo1->setPlainText(QStringLiteral("kept"));
    editor->close();
    EXPECT_TRUE(editor->isHidden());
    EXPECT_EQ(rebuild.size(), 0);

    editor->show();
    EXPECT_EQ(editor->Memo1->toPlainText(), QStringLiteral("kept"));
    editor->btnClose->click();
    EXPECT_TRUE(editor->isHidden());
    ASSERT_EQ(rebuild.size(), 1);
    EXPECT_EQ(rebuild[0][0].toString(), editor->webListFolder());
}

TEST_F(WebListEditorTest, SavedListAppearsInTheMenuOnlyAfterClose) {
    QMenu menu;
    menu.addAction(QStringLiteral("Webリストを編集(&E)"));
    menu.addSeparator();
    TWebListMenu webLists(&menu, ImageList::create());
    QObject::connect(editor.get(), &Tfrm_WebList::EnumFilesRequested, &webLists, &TWebListMenu::EnumFiles);
    webLists.EnumFiles(editor->webListFolder());
    editor->Memo1->setPlainText(QStringLiteral("http://a/"));
    answers << list(QStringLiteral("fresh.wlf"));
    editor->btnSaveAs->click();
    EXPECT_TRUE(webLists.items().isEmpty());
    editor->btnClose->click();
    ASSERT_EQ(webLists.items().size(), 1);
    EXPECT_EQ(webLists.items()[0]->text(), QStringLiteral("&fresh"));
}

TEST_F(WebListEditorTest, TabOrderRunsMemoLoadSaveAsCloseSave) {
    editor->show();
    QApplication::setActiveWindow(editor.get());
    editor->Memo1->setFocus();
    QWidget* expected[] = {editor->btnLoad, editor->btnSaveAs, editor->btnClose, editor->btnSave, editor->Memo1};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

}  // namespace

// The folder picker: flags, well-known folders, the callback's status line and OK
// state, placement, results, and the owner window around a run.

#include "TestSupport.h"
#include "options/FolderTreeModel.h"
#include "options/SHBFFEX.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// A home folder of its own, with XDG's folders inside it, for as long as it lives.
class UserHome {
public:
    UserHome() {
        for (const char* name : kVariables) saved_.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        root_ = QDir::cleanPath(dir_.path());
        qputenv("HOME", root_.toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (root_ + "/.config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (root_ + "/.local/share").toLocal8Bit());
    }
    ~UserHome() {
        for (const Saved& s : saved_) s.set ? qputenv(s.name, s.value) : qunsetenv(s.name);
    }
    QString path(const QString& relative = {}) const { return relative.isEmpty() ? root_ : root_ + "/" + relative; }
    QString mkdir(const QString& relative) const {
        QDir().mkpath(path(relative));
        return path(relative);
    }
    void userDirs(const QByteArray& text) const {
        mkdir(".config");
        QFile f(path(".config/user-dirs.dirs"));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }

private:
    static constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
    struct Saved {
        const char* name;
        QByteArray value;
        bool set;
    };
    QTemporaryDir dir_;
    QString root_;
    std::vector<Saved> saved_;
};

QString pathOf(const std::optional<ShellItem>& item) { return item ? ShellNamespace::pathOf(*item) : "<none>"; }

struct PickerTest : ::testing::Test {
    UserHome home;
    ErrorRecorder errors;
    QWidget owner;
    int runs = 0;

    void SetUp() override {
        owner.setGeometry(200, 150, 500, 400);
        owner.show();
    }
    void TearDown() override {
        FolderDialog::setRunHook({});
        FolderDialog::setWorkArea(std::nullopt);
    }
    // Each run of the dialog is answered by `answer`.
    void answer(std::function<void(FolderDialog&)> answer) {
        FolderDialog::setRunHook([this, answer](FolderDialog& dialog) {
            ++runs;
            answer(dialog);
        });
    }
    static void select(FolderDialog& dialog, const QString& path) { dialog.setSelection(ShellItem::at(path)); }
    // Selects the row as a click of the user would.
    static void click(FolderDialog& dialog, const ShellItem& item) {
        auto* model = static_cast<FolderTreeModel*>(dialog.TreeView->model());
        const QModelIndex index = model->locate(item);
        ASSERT_TRUE(index.isValid());
        dialog.TreeView->scrollTo(index);
        QTest::mouseClick(dialog.TreeView->viewport(), Qt::LeftButton, {}, dialog.TreeView->visualRect(index).center());
    }
};

}  // namespace

TEST(PickerFlags, DefaultsAndOptionArithmetic) {
    TSHBrowseForFolderEx picker;
    EXPECT_EQ(picker.SelectFolder, sfDrives);
    EXPECT_EQ(picker.RootFolder, rfDesktop);
    EXPECT_EQ(picker.ShowStyle, ssClient);
    EXPECT_EQ(picker.Options, TSHBrowseOptions{sboReturnOnlyFSDirs});
    EXPECT_TRUE(picker.Caption.isEmpty() && picker.SelectFolderName.isEmpty() && picker.RootFolderName.isEmpty());

    using F = TSHBrowseForFolderEx;
    EXPECT_EQ(F::browseFlags(picker.Options).flags, 1u);
    EXPECT_EQ(F::browseFlags({sboDontGoBelowDomain, sboReturnFSAncestors}).flags, 10u);
    EXPECT_EQ(F::browseFlags({sboStatusText}).flags, 4u);
    EXPECT_FALSE(F::browseFlags({sboStatusText}).showPath);
    // Both status options: the status flag once, the path shown, nothing added after.
    const auto both = F::browseFlags({sboReturnOnlyFSDirs, sboStatusTextAndShowPath, sboStatusText});
    EXPECT_EQ(both.flags, 5u);
    EXPECT_TRUE(both.showPath);
    const auto all = F::browseFlags({sboDontGoBelowDomain, sboReturnFSAncestors, sboReturnOnlyFSDirs,
                                     sboStatusTextAndShowPath, sboStatusText});
    EXPECT_EQ(all.flags, 15u);
    EXPECT_TRUE(all.showPath);
    EXPECT_EQ(F::browseFlags({}).flags, 0u);
}

TEST(PickerFlags, FoldersMapToTheirIdentifiers) {
    const int expected[] = {0, 0, 0x11, 0x10, 6, 2, 8, 9, 0xB, 7, 0x15};
    for (int i = 0; i <= rfTemplates; ++i) {
        EXPECT_EQ(TSHBrowseForFolderEx::csidlOf(static_cast<TRootFolder>(i)), expected[i]) << i;
        EXPECT_EQ(TSHBrowseForFolderEx::csidlOf(static_cast<TSelectFolder>(i)), expected[i]) << i;
    }
}

TEST(PickerFlags, CentreIsMeasuredFromTheScreenOrigin) {
    // A task bar on the left: the area starts at x 100, yet only its size counts.
    EXPECT_EQ(TSHBrowseForFolderEx::centredPosition({330, 400}, {100, 50, 1000, 700}), QPoint(335, 100));
    // Larger than the area: rounded toward zero.
    EXPECT_EQ(TSHBrowseForFolderEx::centredPosition({501, 700}, {0, 0, 400, 600}), QPoint(-50, -33));
}

TEST(ShellFolders, WellKnownFoldersOnThisSystem) {
    UserHome home;
    using namespace ShellNamespace;
    EXPECT_EQ(specialFolder(CSIDL_DESKTOP), ShellItem::desktop());
    EXPECT_EQ(pathOf(specialFolder(CSIDL_DRIVES)), "/");
    EXPECT_EQ(displayName(*specialFolder(CSIDL_DRIVES)), "コンピュータ");

    // Nothing on disk yet: every folder that is only a folder is missing.
    for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_TEMPLATES, CSIDL_PROGRAMS, CSIDL_STARTMENU, CSIDL_STARTUP,
                      CSIDL_RECENT, CSIDL_SENDTO, CSIDL_FAVORITES, 0x05})
        EXPECT_FALSE(specialFolder(csidl)) << csidl;

    // The desktop without user-dirs.dirs; templates only when named.
    const QString desktop = home.mkdir("Desktop");
    home.mkdir("Templates");
    EXPECT_EQ(pathOf(specialFolder(CSIDL_DESKTOPDIRECTORY)), desktop);
    EXPECT_FALSE(specialFolder(CSIDL_TEMPLATES));

    const QString named = home.mkdir("デスクトップ");
    const QString templates = home.mkdir("テンプレート");
    home.userDirs("# written by xdg-user-dirs-update\n"
                  "XDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
                  "XDG_TEMPLATES_DIR=\"" + templates.toUtf8() + "\"\n");
    EXPECT_EQ(pathOf(specialFolder(CSIDL_DESKTOPDIRECTORY)), named);
    EXPECT_EQ(pathOf(specialFolder(CSIDL_TEMPLATES)), templates);
    // Pointing a directory at the home folder turns it off.
    home.userDirs("XDG_TEMPLATES_DIR=\"$HOME/\"\n");
    EXPECT_FALSE(specialFolder(CSIDL_TEMPLATES));

    const QString applications = home.mkdir(".local/share/applications");
    EXPECT_EQ(pathOf(specialFolder(CSIDL_PROGRAMS)), applications);
    EXPECT_EQ(pathOf(specialFolder(CSIDL_STARTMENU)), applications);
    EXPECT_EQ(pathOf(specialFolder(CSIDL_STARTUP)), home.mkdir(".config/autostart"));
    EXPECT_EQ(pathOf(specialFolder(CSIDL_RECENT)), home.mkdir(".local/share/RecentDocuments"));
    EXPECT_EQ(pathOf(specialFolder(CSIDL_SENDTO)), home.mkdir(".local/share/nautilus/scripts"));
    home.mkdir("Favorites");
    EXPECT_FALSE(specialFolder(CSIDL_FAVORITES));

    // The desktop's items: the desktop folder, home, the computer.
    const auto top = children(ShellItem::desktop());
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0].path, desktop);
    EXPECT_EQ(top[1].path, home.path());
    EXPECT_EQ(displayName(top[1]), "ホーム");
    EXPECT_EQ(top[2].path, "/");
}

TEST_F(PickerTest, TheOptionsWindowsPicker) {
    const QString desktop = home.mkdir("Desktop");
    TSHBrowseForFolderEx picker(&owner);
    picker.Caption = QStringLiteral("Mozillaのあるフォルダを選択してください。");
    answer([&](FolderDialog& dialog) {
        EXPECT_FALSE(owner.isEnabled());
        EXPECT_TRUE(dialog.isEnabled());
        EXPECT_EQ(dialog.windowTitle(), "フォルダの参照");
        EXPECT_EQ(dialog.lblTitle->text(), picker.Caption);
        EXPECT_FALSE(dialog.lblStatus->isVisibleTo(&dialog));
        EXPECT_EQ(dialog.frameGeometry().topLeft(), owner.mapToGlobal(QPoint(0, 0)));
        // The tree: the desktop on top, the computer selected.
        const QAbstractItemModel* model = dialog.TreeView->model();
        const QModelIndex root = model->index(0, 0);
        EXPECT_EQ(model->rowCount(), 1);
        EXPECT_EQ(root.data().toString(), "デスクトップ");
        ASSERT_EQ(model->rowCount(root), 3);
        EXPECT_EQ(model->index(2, 0, root).data().toString(), "コンピュータ");
        EXPECT_EQ(pathOf(dialog.selectedItem()), "/");
        EXPECT_FALSE(dialog.btnOK->isEnabled());
        // Only file-system folders can be confirmed.
        click(dialog, ShellItem::desktop());
        EXPECT_TRUE(dialog.selectedItem()->isDesktop());
        EXPECT_FALSE(dialog.btnOK->isEnabled());
        click(dialog, ShellItem::at(desktop));
        EXPECT_TRUE(dialog.btnOK->isEnabled());
        EXPECT_TRUE(dialog.statusText().isEmpty());
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(picker.Execute());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(picker.FolderPath, desktop);
    EXPECT_EQ(picker.FolderDisplayName, "Desktop");
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_TRUE(errors.messages.isEmpty());
}

// The computer stands for the drives and is no folder of its own: it opens selected, yet
// only a folder below it can be confirmed.
TEST_F(PickerTest, TheComputerCannotBeConfirmedButAFolderBelowItCan) {
    // Outside the home folder, so the tree reaches it through the computer.
    const QString below = QDir::cleanPath(QDir::tempPath());
    ASSERT_NE(below, "/");
    const ShellItem computer = ShellItem::at("/");
    TSHBrowseForFolderEx picker(&owner);
    answer([&](FolderDialog& dialog) {
        ASSERT_EQ(dialog.selectedItem(), computer);
        EXPECT_FALSE(dialog.btnOK->isEnabled());
        // Neither the button nor Enter confirms it.
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        QTest::keyClick(dialog.TreeView, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
    });
    EXPECT_FALSE(picker.Execute());
    EXPECT_TRUE(picker.FolderPath.isEmpty());
    EXPECT_TRUE(picker.FolderDisplayName.isEmpty());

    answer([&](FolderDialog& dialog) {
        auto* model = static_cast<FolderTreeModel*>(dialog.TreeView->model());
        EXPECT_EQ(model->locate(ShellItem::at(below)).parent(), model->locate(computer));
        click(dialog, ShellItem::at(below));
        EXPECT_TRUE(dialog.btnOK->isEnabled());
        click(dialog, computer);
        EXPECT_FALSE(dialog.btnOK->isEnabled());
        click(dialog, ShellItem::at(below));
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(picker.Execute());
    EXPECT_EQ(picker.FolderPath, below);
    EXPECT_EQ(picker.FolderDisplayName, QFileInfo(below).fileName());
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(PickerTest, CancelClearsTheResults) {
    const QString folder = home.mkdir("work");
    TSHBrowseForFolderEx picker(&owner);
    answer([&](FolderDialog& dialog) {
        select(dialog, folder);
        dialog.btnOK->click();
    });
    ASSERT_TRUE(picker.Execute());
    EXPECT_EQ(picker.FolderPath, folder);

    answer([&](FolderDialog& dialog) {
        select(dialog, folder);
        dialog.btnCancel->click();
    });
    EXPECT_FALSE(picker.Execute());
    EXPECT_TRUE(picker.FolderPath.isEmpty());
    EXPECT_TRUE(picker.FolderDisplayName.isEmpty());

    // A dialog nobody answers is cancelled too.
    answer([](FolderDialog&) {});
    EXPECT_FALSE(picker.Execute());
}

TEST_F(PickerTest, BothStatusOptionsShowThePathWhateverTheEventSays) {
    const QString folder = home.mkdir("a/b");
    TSHBrowseForFolderEx picker(&owner);
    picker.Options = {sboStatusTextAndShowPath, sboStatusText};
    QStringList reported;
    picker.OnSelectionChanged = [&](QObject* sender, FolderDialog*, const QString& path, QString& text,
                                    TOKButtonState& state) {
        EXPECT_EQ(sender, &picker);
        EXPECT_TRUE(text.isEmpty());
        EXPECT_EQ(state, obsNoChange);
        reported << path;
        text = QStringLiteral("別の文字");
    };
    answer([&](FolderDialog& dialog) {
        EXPECT_TRUE(dialog.lblStatus->isVisibleTo(&dialog));
        EXPECT_EQ(dialog.statusText(), "/");
        select(dialog, folder);
        EXPECT_EQ(dialog.statusText(), folder);
        // The desktop has no path: the line goes empty, and OK is off by the flags.
        select(dialog, home.path());
        click(dialog, ShellItem::desktop());
        EXPECT_EQ(dialog.statusText(), "");
        dialog.btnCancel->click();
    });
    picker.Execute();
    EXPECT_EQ(reported, QStringList({"/", folder, home.path(), ""}));

    // Without the path option the event's text is shown; the flag is not kept from the
    // previous run.
    picker.Options = {sboStatusText};
    answer([&](FolderDialog& dialog) {
        select(dialog, folder);
        EXPECT_EQ(dialog.statusText(), "別の文字");
    });
    picker.Execute();
}

TEST_F(PickerTest, TheEventDecidesOkAndAnItemWithoutPathIsReturned) {
    const QString folder = home.mkdir("locked");
    TSHBrowseForFolderEx picker(&owner);
    picker.Options = {sboReturnOnlyFSDirs, sboStatusText};
    picker.OnSelectionChanged = [&](QObject*, FolderDialog*, const QString& path, QString& text,
                                    TOKButtonState& state) {
        if (path == folder) state = obsDisable;
        if (path.isEmpty()) state = obsEnable;
        text = QStringLiteral("選択: ") + path;
    };
    answer([&](FolderDialog& dialog) {
        select(dialog, folder);
        EXPECT_FALSE(dialog.btnOK->isEnabled());
        EXPECT_EQ(dialog.statusText(), "選択: " + folder);
        select(dialog, home.path());
        EXPECT_TRUE(dialog.btnOK->isEnabled());
        select(dialog, "/");
        click(dialog, ShellItem::desktop());
        EXPECT_TRUE(dialog.btnOK->isEnabled());
        dialog.btnOK->click();
    });
    EXPECT_TRUE(picker.Execute());
    EXPECT_TRUE(picker.FolderPath.isEmpty());
    EXPECT_EQ(picker.FolderDisplayName, "デスクトップ");
}

TEST_F(PickerTest, ManualNamesThatDoNotResolveFallBackToTheDesktop) {
    const QString folder = home.mkdir("x/y");
    home.mkdir("x/y/.hidden/inner");
    QFile file(home.path("note.txt"));
    file.open(QIODevice::WriteOnly);
    file.close();

    TSHBrowseForFolderEx picker(&owner);
    picker.SelectFolder = sfManual;
    QList<std::optional<ShellItem>> opened;
    QList<std::optional<ShellItem>> tops;
    answer([&](FolderDialog& dialog) {
        opened << dialog.selectedItem();
        const auto* model = static_cast<FolderTreeModel*>(dialog.TreeView->model());
        tops << *model->itemAt(model->rootIndex());
    });
    for (const QString& name : {QString("/no/such/folder"), QString("relative/name"), home.path("note.txt"),
                                QString(), folder, home.path("x/y/.hidden/inner")}) {
        picker.SelectFolderName = name;
        picker.Execute();
    }
    ASSERT_EQ(opened.size(), 6);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(opened[i], ShellItem::desktop()) << i;
    EXPECT_EQ(pathOf(opened[4]), folder);
    EXPECT_EQ(pathOf(opened[5]), home.path("x/y/.hidden/inner"));

    // The same for the root; a root that resolves is the top of the tree.
    picker.SelectFolder = sfDesktop;
    picker.RootFolder = rfManual;
    picker.RootFolderName = home.path("missing");
    picker.Execute();
    picker.RootFolderName = home.path("x");
    picker.Execute();
    EXPECT_EQ(tops[6], ShellItem::desktop());
    EXPECT_EQ(tops[7], ShellItem::at(home.path("x")));
    // The desktop is not under that root: the root stays selected.
    EXPECT_EQ(pathOf(opened[7]), home.path("x"));
}

TEST_F(PickerTest, MissingWellKnownFolders) {
    TSHBrowseForFolderEx picker(&owner);
    home.mkdir("keep");
    answer([&](FolderDialog& dialog) {
        select(dialog, home.path("keep"));
        dialog.btnOK->click();
    });
    ASSERT_TRUE(picker.Execute());

    // No root: nothing shown, the owner untouched, the results cleared.
    picker.RootFolder = rfFavorites;
    EXPECT_FALSE(picker.Execute());
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(picker.FolderPath.isEmpty());
    EXPECT_TRUE(owner.isEnabled());

    // No initial selection: the tree opens on its root. One that exists, even in a
    // hidden folder, is selected.
    picker.RootFolder = rfDesktop;
    picker.SelectFolder = sfStartup;
    std::optional<ShellItem> opened;
    answer([&](FolderDialog& dialog) { opened = dialog.selectedItem(); });
    picker.Execute();
    EXPECT_EQ(opened, ShellItem::desktop());
    const QString autostart = home.mkdir(".config/autostart");
    picker.Execute();
    EXPECT_EQ(pathOf(opened), autostart);
}

TEST_F(PickerTest, Placements) {
    TSHBrowseForFolderEx picker(&owner);
    QPoint at;
    QSize size;
    answer([&](FolderDialog& dialog) {
        at = dialog.frameGeometry().topLeft();
        size = dialog.frameGeometry().size();
    });
    FolderDialog::setWorkArea(QRect(120, 40, 1000, 760));
    picker.ShowStyle = ssCenterScreen;
    picker.Execute();
    EXPECT_EQ(at, QPoint((1000 - size.width()) / 2, (760 - size.height()) / 3));

    owner.move(310, 220);
    picker.ShowStyle = ssClient;
    picker.Execute();
    EXPECT_EQ(at, owner.mapToGlobal(QPoint(0, 0)));

    // An owner whose window does not exist yet leaves the dialog where it is.
    QWidget hidden;
    hidden.setGeometry(400, 300, 200, 200);
    TSHBrowseForFolderEx unplaced(&hidden);
    unplaced.Execute();
    EXPECT_NE(at, QPoint(400, 300));
    EXPECT_EQ(runs, 3);
}

TEST_F(PickerTest, TheOwnerIsEnabledAgainWhenTheRunFails) {
    TSHBrowseForFolderEx picker(&owner);
    answer([&](FolderDialog&) {
        EXPECT_FALSE(owner.isEnabled());
        throw std::runtime_error("the run failed");
    });
    EXPECT_THROW(picker.Execute(), std::runtime_error);
    EXPECT_TRUE(owner.isEnabled());

    // A handler failing while the dialog opens ends the run the same way.
    answer([](FolderDialog&) { ADD_FAILURE() << "the dialog should not have been run"; });
    picker.OnSelectionChanged = [](QObject*, FolderDialog*, const QString&, QString&, TOKButtonState&) {
        throw TavixError(QStringLiteral("失敗"));
    };
    EXPECT_THROW(picker.Execute(), TavixError);
    EXPECT_TRUE(owner.isEnabled());

    // Failing on a later selection: the error is shown, the dialog goes on.
    int calls = 0;
    picker.OnSelectionChanged = [&](QObject*, FolderDialog*, const QString&, QString&, TOKButtonState&) {
        if (++calls == 2) throw TavixError(QStringLiteral("失敗"));
    };
    answer([&](FolderDialog& dialog) {
        select(dialog, home.path());
        dialog.btnOK->click();
    });
    EXPECT_TRUE(picker.Execute());
    EXPECT_EQ(picker.FolderPath, home.path());
    EXPECT_EQ(errors.messages, QStringList({"失敗"}));
}

TEST_F(PickerTest, ASelectionMadeByTheEventIsReportedAfterIt) {
    const QString folder = home.mkdir("target");
    TSHBrowseForFolderEx picker(&owner);
    picker.SelectFolder = sfDesktop;
    picker.Options = {sboStatusTextAndShowPath};
    QStringList reported;
    picker.OnSelectionChanged = [&](QObject*, FolderDialog* wnd, const QString& path, QString&, TOKButtonState&) {
        reported << path;
        if (path.isEmpty()) wnd->setSelection(ShellItem::at(folder));
    };
    answer([&](FolderDialog& dialog) { EXPECT_EQ(dialog.statusText(), folder); });
    picker.Execute();
    EXPECT_EQ(reported, QStringList({"", folder}));
}

// The frame's menus, one function a menu, each returning what it built.

#include "app/Main.h"
#include "bookmarks/BookmarkModel.h"
#include "bookmarks/untBMB.h"
#include "resources/ImageList.h"
#include "weblists/WebListMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

QAction* TMainForm::addItem(QMenu* menu, const QString& caption, int image) {
    QAction* item = menu->addAction(caption);
    if (image >= 0) item->setIcon(ImageList1.value(image));
    return item;
}

void TMainForm::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    createFileMenu(bar);
    createEditMenu(bar);
    createShowMenu(bar);
    createBookmarkMenu(bar);
    createWebListMenu(bar);
    createToolMenu(bar);
    createWindowMenu(bar);
    createHelpMenu(bar);
    createEditShortcuts();

    BookMarks = new BookmarkModel(AppPath, this);
    BookmarkViews = new TBookmarkViews(*BookMarks, ui.mnuBookMark, ui.TreeView1, ImageList1, this);
    WebLists = new TWebListMenu(ui.mnuWebList, ImageList1, this);
}

QMenu* TMainForm::createFileMenu(QMenuBar* bar) {
    ui.mnuFile = bar->addMenu(QStringLiteral("ファイル(&F)"));
    ui.FileNew1 = addItem(ui.mnuFile, QStringLiteral("新規作成(&N)"), ImageList::NewCommand);
    ui.FileNew1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    ui.FileOpen1 = addItem(ui.mnuFile, QStringLiteral("開く(&O)..."), ImageList::OpenCommand);
    ui.FileOpen1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    ui.mnuFile_Close = addItem(ui.mnuFile, QStringLiteral("閉じる(&C)"));
    ui.mnuFile_SaveAs = addItem(ui.mnuFile, QStringLiteral("名前をつけて保存(&A)..."));
    ui.mnuFile_Print = addItem(ui.mnuFile, QStringLiteral("印刷(&P)..."));
    ui.mnuFile_Print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    ui.mnuFile->addSeparator();
    ui.mnuFile_Exit = addItem(ui.mnuFile, QStringLiteral("終了(&X)"));
    return ui.mnuFile;
}

QMenu* TMainForm::createEditMenu(QMenuBar* bar) {
    ui.mnuEdit = bar->addMenu(QStringLiteral("編集(&E)"));
    ui.mnuEdit_Copy = addItem(ui.mnuEdit, QStringLiteral("コピー(&P)"));
    ui.mnuEdit->addSeparator();
    ui.mnuEdit_slrAll = addItem(ui.mnuEdit, QStringLiteral("全て選択(&A)"));
    ui.mnuEdit_slrAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    ui.mnuEdit->addSeparator();
    ui.mnuEdit_Find = addItem(ui.mnuEdit, QStringLiteral("このページの検索(&F)..."));
    ui.mnuEdit_Find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    ui.FindNext1 = new QAction(QStringLiteral("次を検索"), this);
    ui.FindNext1->setShortcut(QKeySequence(Qt::Key_F3));
    ui.FindPrevious1 = new QAction(QStringLiteral("前を検索"), this);
    ui.FindPrevious1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    addAction(ui.FindNext1);
    addAction(ui.FindPrevious1);
    return ui.mnuEdit;
}

QMenu* TMainForm::createShowMenu(QMenuBar* bar) {
    ui.mnuShow = bar->addMenu(QStringLiteral("表示(&V)"));
    ui.mnuShow_ToolBar = ui.mnuShow->addMenu(QStringLiteral("ツールバー(&T)"));
    ui.mnuShow_default = addItem(ui.mnuShow_ToolBar, QStringLiteral("標準"));
    ui.mnuShow_Address = addItem(ui.mnuShow_ToolBar, QStringLiteral("アドレスバー"));
    ui.mnuShow_Status = addItem(ui.mnuShow_ToolBar, QStringLiteral("ステータスバー"));
    ui.mnuShow_Tab = addItem(ui.mnuShow_ToolBar, QStringLiteral("タブバー"));
    ui.mnuShow_J = addItem(ui.mnuShow_ToolBar, QStringLiteral("Jバー"));
    for (QAction* a : {ui.mnuShow_default, ui.mnuShow_Address, ui.mnuShow_Status, ui.mnuShow_Tab, ui.mnuShow_J}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    ui.mnuShow->addSeparator();
    ui.mnuShow_Size = ui.mnuShow->addMenu(QStringLiteral("文字サイズ"));
    ui.mnuSize_Max = addItem(ui.mnuShow_Size, QStringLiteral("最大(&B)"));
    ui.mnuSize_Large = addItem(ui.mnuShow_Size, QStringLiteral("大(&L)"));
    ui.mnuSize_middle = addItem(ui.mnuShow_Size, QStringLiteral("中(&M)"));
    ui.mnuSize_Small = addItem(ui.mnuShow_Size, QStringLiteral("小(&S)"));
    ui.mnuSize_Min = addItem(ui.mnuShow_Size, QStringLiteral("最小(A)"));
    for (QAction* a : {ui.mnuSize_Max, ui.mnuSize_Large, ui.mnuSize_middle, ui.mnuSize_Small, ui.mnuSize_Min}) a->setCheckable(true);
    return ui.mnuShow;
}

QMenu* TMainForm::createBookmarkMenu(QMenuBar* bar) {
    ui.mnuBookMark = bar->addMenu(QStringLiteral("ブックマーク(&B)"));
    ui.mnuBMEdit = addItem(ui.mnuBookMark, QStringLiteral("ブックマークを編集(&E)"));
    ui.mnuBookMark->addSeparator();
    return ui.mnuBookMark;
}

QMenu* TMainForm::createWebListMenu(QMenuBar* bar) {
    ui.mnuWebList = bar->addMenu(QStringLiteral("Webリスト(&L)"));
    ui.mnuWebList_Edit = addItem(ui.mnuWebList, QStringLiteral("Webリストを編集(&E)"));
    ui.mnuWebList->addSeparator();
    return ui.mnuWebList;
}

QMenu* TMainForm::createToolMenu(QMenuBar* bar) {
    ui.mnuTool = bar->addMenu(QStringLiteral("ツール(&T)"));
    ui.mnuEngine = ui.mnuTool->addMenu(QStringLiteral("エンジン"));
    ui.IE_item = addItem(ui.mnuEngine, QStringLiteral("Internet Explorer"));
    ui.Moz_Item = addItem(ui.mnuEngine, QStringLiteral("Gekko"));
    ui.IE_item->setCheckable(true);
    ui.Moz_Item->setCheckable(true);
    ui.IE_item->setChecked(true);
    ui.mnuOtherEngine = addItem(ui.mnuTool, QStringLiteral("もう一方のエンジンで開く(&O)"));
    ui.mnuOption = addItem(ui.mnuTool, QStringLiteral("オプション"));
    ui.mnuOption->setShortcut(QKeySequence(Qt::Key_F12));
    return ui.mnuTool;
}

QMenu* TMainForm::createWindowMenu(QMenuBar* bar) {
    ui.mnuWindow = bar->addMenu(QStringLiteral("ウィンドウ(&W)"));
    ui.mnuWindow_Cascade = addItem(ui.mnuWindow, QStringLiteral("重ねて表示(&C)"));
    ui.mnuWindow_TileHorizontal = addItem(ui.mnuWindow, QStringLiteral("水平に並べて表示(&H)"));
    ui.mnuWindow_TileVertical = addItem(ui.mnuWindow, QStringLiteral("垂直に並べて表示(&V)"));
    ui.mnuWindow_MinimizeAll = addItem(ui.mnuWindow, QStringLiteral("すべてを最小化(&M)"));
    ui.mnuWindow_Arrange = addItem(ui.mnuWindow, QStringLiteral("アイコンの整列(&A)"));
    return ui.mnuWindow;
}

QMenu* TMainForm::createHelpMenu(QMenuBar* bar) {
    ui.mnuHelp = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    ui.mnuAbout = addItem(ui.mnuHelp, QStringLiteral("バージョン情報(&A)..."));
    return ui.mnuHelp;
}

QList<QAction*> TMainForm::createEditShortcuts() {
    // Shortcuts for the focused text box; they stand in no menu but work frame-wide.
    ui.EditCut1 = new QAction(QStringLiteral("切り取り(&T)"), this);
    ui.EditCut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    ui.EditCopy1 = new QAction(QStringLiteral("コピー(&C)..."), this);
    ui.EditCopy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    ui.EditPaste1 = new QAction(QStringLiteral("貼り付け(&P)"), this);
    ui.EditPaste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    for (QAction* a : {ui.EditCut1, ui.EditCopy1, ui.EditPaste1}) {
        a->setProperty("category", QStringLiteral("編集"));
        addAction(a);
    }
    return {ui.EditCut1, ui.EditCopy1, ui.EditPaste1};
}

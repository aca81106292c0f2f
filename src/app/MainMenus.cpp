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
    BookmarkViews = new TBookmarkViews(*BookMarks, mnuBookMark, TreeView1, ImageList1, this);
    WebLists = new TWebListMenu(mnuWebList, ImageList1, this);
}

QMenu* TMainForm::createFileMenu(QMenuBar* bar) {
    mnuFile = bar->addMenu(QStringLiteral("ファイル(&F)"));
    FileNew1 = addItem(mnuFile, QStringLiteral("新規作成(&N)"), ImageList::NewCommand);
    FileNew1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    FileOpen1 = addItem(mnuFile, QStringLiteral("開く(&O)..."), ImageList::OpenCommand);
    FileOpen1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFile_Close = addItem(mnuFile, QStringLiteral("閉じる(&C)"));
    mnuFile_SaveAs = addItem(mnuFile, QStringLiteral("名前をつけて保存(&A)..."));
    mnuFile->addSeparator();
    mnuFile_Exit = addItem(mnuFile, QStringLiteral("終了(&X)"));
    return mnuFile;
}

QMenu* TMainForm::createEditMenu(QMenuBar* bar) {
    mnuEdit = bar->addMenu(QStringLiteral("編集(&E)"));
    mnuEdit_Copy = addItem(mnuEdit, QStringLiteral("コピー(&P)"));
    mnuEdit->addSeparator();
    mnuEdit_slrAll = addItem(mnuEdit, QStringLiteral("全て選択(&A)"));
    mnuEdit_slrAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    return mnuEdit;
}

QMenu* TMainForm::createShowMenu(QMenuBar* bar) {
    mnuShow = bar->addMenu(QStringLiteral("表示(&V)"));
    mnuShow_ToolBar = mnuShow->addMenu(QStringLiteral("ツールバー(&T)"));
    mnuShow_default = addItem(mnuShow_ToolBar, QStringLiteral("標準"));
    mnuShow_Address = addItem(mnuShow_ToolBar, QStringLiteral("アドレスバー"));
    mnuShow_Status = addItem(mnuShow_ToolBar, QStringLiteral("ステータスバー"));
    mnuShow_Tab = addItem(mnuShow_ToolBar, QStringLiteral("タブバー"));
    mnuShow_J = addItem(mnuShow_ToolBar, QStringLiteral("Jバー"));
    for (QAction* a : {mnuShow_default, mnuShow_Address, mnuShow_Status, mnuShow_Tab, mnuShow_J}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    mnuShow->addSeparator();
    mnuShow_Size = mnuShow->addMenu(QStringLiteral("文字サイズ"));
    mnuSize_Max = addItem(mnuShow_Size, QStringLiteral("最大(&B)"));
    mnuSize_Large = addItem(mnuShow_Size, QStringLiteral("大(&L)"));
    mnuSize_middle = addItem(mnuShow_Size, QStringLiteral("中(&M)"));
    mnuSize_Small = addItem(mnuShow_Size, QStringLiteral("小(&S)"));
    mnuSize_Min = addItem(mnuShow_Size, QStringLiteral("最小(A)"));
    for (QAction* a : {mnuSize_Max, mnuSize_Large, mnuSize_middle, mnuSize_Small, mnuSize_Min}) a->setCheckable(true);
    return mnuShow;
}

QMenu* TMainForm::createBookmarkMenu(QMenuBar* bar) {
    mnuBookMark = bar->addMenu(QStringLiteral("ブックマーク(&B)"));
    mnuBMEdit = addItem(mnuBookMark, QStringLiteral("ブックマークを編集(&E)"));
    mnuBookMark->addSeparator();
    return mnuBookMark;
}

QMenu* TMainForm::createWebListMenu(QMenuBar* bar) {
    mnuWebList = bar->addMenu(QStringLiteral("Webリスト(&L)"));
    mnuWebList_Edit = addItem(mnuWebList, QStringLiteral("Webリストを編集(&E)"));
    mnuWebList->addSeparator();
    return mnuWebList;
}

QMenu* TMainForm::createToolMenu(QMenuBar* bar) {
    mnuTool = bar->addMenu(QStringLiteral("ツール(&T)"));
    mnuEngine = mnuTool->addMenu(QStringLiteral("エンジン"));
    IE_item = addItem(mnuEngine, QStringLiteral("Internet Explorer"));
    Moz_Item = addItem(mnuEngine, QStringLiteral("Gekko"));
    IE_item->setCheckable(true);
    Moz_Item->setCheckable(true);
    IE_item->setChecked(true);
    mnuOtherEngine = addItem(mnuTool, QStringLiteral("もう一方のエンジンで開く(&O)"));
    mnuOption = addItem(mnuTool, QStringLiteral("オプション"));
    mnuOption->setShortcut(QKeySequence(Qt::Key_F12));
    return mnuTool;
}

QMenu* TMainForm::createWindowMenu(QMenuBar* bar) {
    mnuWindow = bar->addMenu(QStringLiteral("ウィンドウ(&W)"));
    mnuWindow_Cascade = addItem(mnuWindow, QStringLiteral("重ねて表示(&C)"));
    mnuWindow_TileHorizontal = addItem(mnuWindow, QStringLiteral("水平に並べて表示(&H)"));
    mnuWindow_TileVertical = addItem(mnuWindow, QStringLiteral("垂直に並べて表示(&V)"));
    mnuWindow_MinimizeAll = addItem(mnuWindow, QStringLiteral("すべてを最小化(&M)"));
    mnuWindow_Arrange = addItem(mnuWindow, QStringLiteral("アイコンの整列(&A)"));
    return mnuWindow;
}

QMenu* TMainForm::createHelpMenu(QMenuBar* bar) {
    mnuHelp = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnuAbout = addItem(mnuHelp, QStringLiteral("バージョン情報(&A)..."));
    return mnuHelp;
}

QList<QAction*> TMainForm::createEditShortcuts() {
    // Shortcuts for the focused text box; they stand in no menu but work frame-wide.
    EditCut1 = new QAction(QStringLiteral("切り取り(&T)"), this);
    EditCut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    EditCopy1 = new QAction(QStringLiteral("コピー(&C)..."), this);
    EditCopy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    EditPaste1 = new QAction(QStringLiteral("貼り付け(&P)"), this);
    EditPaste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    for (QAction* a : {EditCut1, EditCopy1, EditPaste1}) {
        a->setProperty("category", QStringLiteral("編集"));
        addAction(a);
    }
    return {EditCut1, EditCopy1, EditPaste1};
}

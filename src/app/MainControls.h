#pragma once
// The frame's controls: the widgets and menu items TMainForm builds, lays out and alone
// changes. Whoever else looks at them (tests, benchmarks) gets them read-only through
// TMainForm::controls().

class QAction;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;
class QToolButton;
class QTreeWidget;
class TAddressPanel;
class TBand;
class TJBarPanel;
class TStatusPanel;

struct TMainControls {
    QMdiArea* MDIClient = nullptr;

    TBand* ToolBar2 = nullptr;  // cool bar band 0
    QToolButton* ToolButton1 = nullptr;
    QToolButton* BackCtrl = nullptr;
    QToolButton* FrwrdCtrl = nullptr;
    QToolButton* StopCtrl = nullptr;
    QToolButton* ReLoadCtrl = nullptr;

    TBand* ToolBar3 = nullptr;  // cool bar band 1
    TAddressPanel* AddressPanel = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtAddress = nullptr;
    QPushButton* btnMove = nullptr;

    QToolBar* JBar = nullptr;
    TJBarPanel* JBarPanel = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QPushButton* btnBar = nullptr;

    QToolBar* TabBar = nullptr;

    QToolBar* ToolBar1 = nullptr;
    TStatusPanel* StatusPanel = nullptr;
    QLabel* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    // menus
    QMenu* mnuFile = nullptr;
    QAction* FileNew1 = nullptr;
    QAction* FileOpen1 = nullptr;
    QAction* mnuFile_Close = nullptr;
    QAction* mnuFile_SaveAs = nullptr;
    QAction* mnuFile_Print = nullptr;
    QAction* mnuFile_Exit = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuEdit_Copy = nullptr;
    QAction* mnuEdit_slrAll = nullptr;
    QAction* mnuEdit_Find = nullptr;
    // F3 / Shift+F3: the next and previous match of the find bar; in no menu.
    QAction* FindNext1 = nullptr;
    QAction* FindPrevious1 = nullptr;
    QMenu* mnuShow = nullptr;
    QMenu* mnuShow_ToolBar = nullptr;
    QAction* mnuShow_default = nullptr;
    QAction* mnuShow_Address = nullptr;
    QAction* mnuShow_Status = nullptr;
    QAction* mnuShow_Tab = nullptr;
    QAction* mnuShow_J = nullptr;
    QMenu* mnuShow_Size = nullptr;
    QAction* mnuSize_Max = nullptr;
    QAction* mnuSize_Large = nullptr;
    QAction* mnuSize_middle = nullptr;
    QAction* mnuSize_Small = nullptr;
    QAction* mnuSize_Min = nullptr;
    QMenu* mnuBookMark = nullptr;
    QAction* mnuBMEdit = nullptr;
    QMenu* mnuWebList = nullptr;
    QAction* mnuWebList_Edit = nullptr;
    QMenu* mnuTool = nullptr;
    QMenu* mnuEngine = nullptr;
    QAction* IE_item = nullptr;
    QAction* Moz_Item = nullptr;
    QAction* mnuOtherEngine = nullptr;
    QAction* mnuOption = nullptr;
    QMenu* mnuWindow = nullptr;
    QAction* mnuWindow_Cascade = nullptr;
    QAction* mnuWindow_TileHorizontal = nullptr;
    QAction* mnuWindow_TileVertical = nullptr;
    QAction* mnuWindow_MinimizeAll = nullptr;
    QAction* mnuWindow_Arrange = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;
    // Cut, copy and paste on the focused text box; in no menu.
    QAction* EditCut1 = nullptr;
    QAction* EditCopy1 = nullptr;
    QAction* EditPaste1 = nullptr;
};

#pragma once
// Tfrm_Option: the options window. Shows the option sections of config.ini, the popup
// filter list and the site rules on five pages chosen from a tree; OK saves them. Non-modal; every Options
// command opens a new one, each with the values read when it was created, and a closed
// window is freed.
//
// The window never reaches into the main window: what it changes there it announces
// with the signals below. Its creation already announces the Gecko state, so the frame
// connects through the constructor's `connectSignals`, which runs before FormCreate.

#include "settings/Colours.h"

#include <QColor>
#include <QWidget>
#include <functional>
#include <string>
#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TColourSwatch;
class TEngineRulesPage;
class TSHBrowseForFolderEx;
class TUpDown;

class Tfrm_Option : public QWidget {
    Q_OBJECT
public:
    using Connector = std::function<void(Tfrm_Option&)>;

    // appPath: the program folder, ending in "/". connectSignals runs after the controls
    // exist and before FormCreate, so the frame sees the first GekkoEnabled. The window
    // is created hidden.
    explicit Tfrm_Option(const QString& appPath, QWidget* parent = nullptr, const Connector& connectSignals = {});

    // The Options command: a new window, connected, shown; the caller goes on at once.
    static Tfrm_Option* Open(const QString& appPath, const Connector& connectSignals, QWidget* parent = nullptr);

    const QString& AppPath() const { return appPath_; }

    QTreeWidget* TreeView1 = nullptr;
    QPushButton* Button1 = nullptr;  // OK
    QPushButton* Button2 = nullptr;  // Cancel
    QFrame* Panel1 = nullptr;
    QStackedWidget* PageCTL = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    // The page "エンジン": the site rules.
    TEngineRulesPage* TabSheet5 = nullptr;

    QCheckBox* chkMoz = nullptr;
    QLineEdit* txtMozPath = nullptr;
    QToolButton* BitBtn1 = nullptr;
    // The folder picker BitBtn1 runs.
    TSHBrowseForFolderEx* selectFolder = nullptr;
    // The engine of the "Internet Explorer" slot ([Option_Main] IEEngine).
    QGroupBox* grpIEEngine = nullptr;
    QRadioButton* rdoIESystem = nullptr;
    QRadioButton* rdoIEBuiltin = nullptr;
    QLabel* Label7 = nullptr;

    QLabel* Label1 = nullptr;
    QCheckBox* chkWin1 = nullptr;
    QCheckBox* chkWin2 = nullptr;
    QCheckBox* chkActive3 = nullptr;
    QCheckBox* chkRestore = nullptr;

    QCheckBox* chkPop = nullptr;
    QPlainTextEdit* PopList = nullptr;

    QCheckBox* chkTabSize = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtTabSize = nullptr;
    TUpDown* UpDown1 = nullptr;
    QCheckBox* chkTabLen = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtTabLen = nullptr;
    TUpDown* UpDown2 = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* cmbTabType = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* ColorPanel1 = nullptr;
    TColourSwatch* ChColor1 = nullptr;
    TColourSwatch* BGColor1 = nullptr;
    QLabel* ColorPanel2 = nullptr;
    TColourSwatch* ChColor2 = nullptr;
    TColourSwatch* BGColor2 = nullptr;

    // The Gecko flag (the check box's tag): 1 while chkMoz is checked, else 0. OK saves
    // this, not the box.
    int GeckoFlag = 0;

    void FormCreate();
    void ReadIni();
    void TreeView1Change(QTreeWidgetItem* node);
    void chkMozClick();
    void chkTabSizeClick();
    void chkTabLenClick();
    void BitBtn1Click();
    void ChColor1Click() { pickColour(ChColor1); }
    void BGColor1Click() { pickColour(BGColor1); }
    void ChColor2Click() { pickColour(ChColor2); }
    void BGColor2Click() { pickColour(BGColor2); }
    void Button1Click();
    void Button2Click();

    // The lines of PopList as they are saved.
    QStringList popListLines() const;
    // The index of the tab-type entry whose text the box shows; -1 for any other text.
    int chosenTabType() const;

    // The IEEngine value the radio buttons stand for: 1 the built-in engine, 0 the system's.
    int chosenIEEngine() const;
    // Whether the system's Chromium is installed (/usr/bin/chromium or chromium on PATH);
    // tests replace the answer.
    static bool systemChromiumInstalled();
    static void setChromiumProbe(std::function<bool()> probe);

    // The caption the folder picker shows above its tree.
    static QString folderPickerCaption();

    // The modal colour dialog, replaceable by tests: opens on `initial`; returns the
    // confirmed colour, or nothing when cancelled.
    using ColourDialog = std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)>;
    static void setColourDialog(ColourDialog dialog);

signals:
    // The Gecko box changed (also when the window is created): the frame's "Gekko" engine
    // item follows at once; Cancel does not undo it.
    void GekkoEnabled(bool enabled);
    // OK saved "fix" as exactly 1: the tab strip takes this fixed width.
    void TabWidthChanged(int width);
    // OK saved this "TabType": 0 tab style along the bottom, anything else buttons at
    // the top.
    void TabTypeChanged(int tabType);

private:
    void createControls();
    void createGeneralPage();
    void createWindowPage();
    void createPopupPage();
    void createTabPage();
    void placeIEEngineGroup();
    void connectHandlers();
    void setBoxEnabled(QLineEdit* box, bool enabled);
    void pickColour(TColourSwatch* swatch);
    void showPreviews();

    QString appPath_;
    // The colour the dialog opens on: the last one chosen in this window, black at first.
    TColor lastColour_ = 0;
    // Whether PopList holds the file's lines; a list never read is not written over an
    // existing file.
    bool popListLoaded_ = false;
    // Whether config.ini held IEEngine when the window read it. Without it OK writes the
    // key only when the choice differs from what its absence means, so that the absent
    // key keeps following whether the system's Chromium is installed.
    bool ieEngineStored_ = false;
    // The character set the popup list was read in, for writing it back in the same.
    std::string popListCharset_;
    // Swatches whose colour came from config.ini or from the dialog; the others are not
    // saved, so a read that stopped early loses no stored colour.
    QList<const TColourSwatch*> settledSwatches_;
};

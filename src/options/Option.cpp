// The options window's controls: layout, captions, ranges and connections.

#include "options/Option.h"

#include "platform/ErrorBox.h"
#include "resources/Fonts.h"
#include "resources/ImageList.h"
#include "options/EngineRulesPage.h"
#include "options/OptionControls.h"
#include "options/SHBFFEX.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

namespace {

QCheckBox* checkBox(QWidget* page, const char* name, const QString& caption, QRect geometry) {
    auto* box = new QCheckBox(caption, page);
    box->setObjectName(QString::fromLatin1(name));
    // The font here is wider than the one the layout was drawn for: a caption gets the
    // room it needs rather than being cut.
    geometry.setWidth(std::max(geometry.width(), box->sizeHint().width()));
    box->setGeometry(geometry);
    return box;
}

QLabel* label(QWidget* page, const char* name, const QString& caption, QPoint at) {
    auto* l = new QLabel(caption, page);
    l->setObjectName(QString::fromLatin1(name));
    l->move(at);
    l->adjustSize();
    return l;
}

QLineEdit* textBox(QWidget* page, const char* name, const QString& text, QRect geometry) {
    auto* box = new QLineEdit(text, page);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    box->setAutoFillBackground(true);
    return box;
}

TUpDown* upDown(QWidget* page, const char* name, QLineEdit* associate, int max, QRect geometry) {
    auto* arrows = new TUpDown(page);
    arrows->setObjectName(QString::fromLatin1(name));
    arrows->setGeometry(geometry);
    arrows->setRange(0, max);
    arrows->setAssociate(associate);
    return arrows;
}

// A preview of one tab: its caption in the tab's colours, shrunk until it fits.
QLabel* preview(QWidget* page, const char* name, const QString& caption, QRect geometry) {
    auto* panel = new QLabel(caption, page);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(geometry);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    // Its own roles, not the window's button face, so that the tab's colours show.
    panel->setBackgroundRole(QPalette::Window);
    panel->setForegroundRole(QPalette::WindowText);
    panel->setAutoFillBackground(true);
    QFont font = panel->font();
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(caption) > geometry.width() - 4)
        font.setPixelSize(font.pixelSize() - 1);
    panel->setFont(font);
    return panel;
}

// A swatch and the sunken frame around it, 3 pixels to the left and 2 above.
TColourSwatch* swatch(QWidget* page, const char* name, QRect geometry) {
    auto* frame = new QFrame(page);
    frame->setObjectName(QString::fromLatin1(name) + QStringLiteral("Frame"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(geometry.x() - 3, geometry.y() - 2, 57, 17);
    auto* s = new TColourSwatch(page);
    s->setObjectName(QString::fromLatin1(name));
    s->setGeometry(geometry);
    return s;
}

}  // namespace

Tfrm_Option::Tfrm_Option(const QString& appPath, QWidget* parent, const Connector& connectSignals)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      appPath_(appPath) {
    // Nothing reuses a closed options window; each Options command makes a new one.
    setAttribute(Qt::WA_DeleteOnClose);
    createControls();
    connectHandlers();
    if (connectSignals) connectSignals(*this);
    ErrorBox::guard([this] { FormCreate(); });
}

Tfrm_Option* Tfrm_Option::Open(const QString& appPath, const Connector& connectSignals, QWidget* parent) {
    auto* window = new Tfrm_Option(appPath, parent, connectSignals);
    window->show();
    return window;
}

QString Tfrm_Option::folderPickerCaption() { return QStringLiteral("Mozillaのあるフォルダを選択してください。"); }

void Tfrm_Option::createControls() {
    setObjectName(QStringLiteral("frm_Option"));
    setWindowTitle(QStringLiteral("オプション"));
    setFont(Fonts::japaneseUi(12));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    // 495 x 284 with its tool-window frame; the controls are placed in the client area.
    move(250, 174);
    resize(487, 257);

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setGeometry(8, 8, 113, 201);
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    auto* general = new QTreeWidgetItem(QStringList{QStringLiteral("全般")});
    auto* window = new QTreeWidgetItem(QStringList{QStringLiteral("ウィンドウ")});
    window->addChild(new QTreeWidgetItem(QStringList{QStringLiteral("タブ")}));
    auto* popups = new QTreeWidgetItem(QStringList{QStringLiteral("広告抑止")});
    auto* engines = new QTreeWidgetItem(QStringList{QStringLiteral("エンジン")});
    TreeView1->addTopLevelItems({general, window, popups, engines});

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(336, 226, 65, 23);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(414, 226, 59, 23);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel1->setGeometry(136, 8, 337, 209);
    PageCTL = new QStackedWidget(Panel1);
    PageCTL->setObjectName(QStringLiteral("PageCTL"));
    PageCTL->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    PageCTL->setGeometry(4, 4, 325, 197);
    PageCTL->setContentsMargins(4, 4, 4, 4);
    auto sheet = [this](const char* name) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(name));
        PageCTL->addWidget(page);
        return page;
    };
    TabSheet1 = sheet("TabSheet1");
    TabSheet2 = sheet("TabSheet2");
    TabSheet3 = sheet("TabSheet3");
    TabSheet4 = sheet("TabSheet4");
    TabSheet5 = new TEngineRulesPage;
    PageCTL->addWidget(TabSheet5);
    createGeneralPage();
    createWindowPage();
    createPopupPage();
    createTabPage();
    setTabOrder(Button1, Button2);
}

void Tfrm_Option::createGeneralPage() {
    chkMoz = checkBox(TabSheet1, "chkMoz", QStringLiteral("Geckoを使用する"), {0, 2, 129, 17});
    txtMozPath = textBox(TabSheet1, "txtMozPath", QString(), {8, 23, 249, 20});
    BitBtn1 = new QToolButton(TabSheet1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(256, 23, 20, 18);
    BitBtn1->setIcon(ImageList::create().value(ImageList::Folder));
    BitBtn1->setIconSize(QSize(16, 15));
    selectFolder = new TSHBrowseForFolderEx(this);
    selectFolder->setObjectName(QStringLiteral("selectFolder"));
    selectFolder->Caption = folderPickerCaption();

    grpIEEngine = new QGroupBox(QStringLiteral("Internet Explorer の枠で使うエンジン"), TabSheet1);
    grpIEEngine->setObjectName(QStringLiteral("grpIEEngine"));
    grpIEEngine->setGeometry(0, 56, 316, 70);
    const auto radio = [this](const char* name, const QString& caption, int y) {
        auto* button = new QRadioButton(caption, grpIEEngine);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(12, y, 296, 17);
        return button;
    };
    rdoIESystem = radio("rdoIESystem", QStringLiteral("システムの Chromium"), 22);
    rdoIEBuiltin = radio("rdoIEBuiltin", QStringLiteral("組み込みのエンジン (QtWebEngine)"), 44);
    Label7 = label(TabSheet1, "Label7", QStringLiteral("新しく開くページから切り替わります。"), {12, 134});
    placeIEEngineGroup();
}

void Tfrm_Option::placeIEEngineGroup() {
    // The system choice takes two lines when it says Chromium is missing: one would be
    // wider than the page.
    rdoIESystem->resize(rdoIESystem->width(), std::max(17, rdoIESystem->sizeHint().height()));
    rdoIEBuiltin->move(rdoIEBuiltin->x(), rdoIESystem->geometry().bottom() + 6);
    grpIEEngine->resize(grpIEEngine->width(), rdoIEBuiltin->geometry().bottom() + 10);
    Label7->move(Label7->x(), grpIEEngine->geometry().bottom() + 9);
}

void Tfrm_Option::createWindowPage() {
    Label1 = label(TabSheet2, "Label1", QStringLiteral("自動的に新規ウインドウで開く"), {0, 0});
    chkWin1 = checkBox(TabSheet2, "chkWin1", QStringLiteral("ブックマーク"), {24, 24, 97, 17});
    chkWin2 = checkBox(TabSheet2, "chkWin2", QStringLiteral("アドレスバー"), {24, 48, 81, 17});
    chkActive3 = checkBox(TabSheet2, "chkActive3", QStringLiteral("新しいウィンドウをアクティブにする"), {24, 72, 209, 17});
    chkRestore = checkBox(TabSheet2, "chkRestore", QStringLiteral("前回のウィンドウを復元する"), {24, 96, 209, 17});
}

void Tfrm_Option::createPopupPage() {
    chkPop = checkBox(TabSheet3, "chkPop", QStringLiteral("Pop広告を削除"), {0, 8, 97, 17});
    PopList = new QPlainTextEdit(TabSheet3);
    PopList->setObjectName(QStringLiteral("PopList"));
    PopList->setGeometry(0, 40, 316, 121);
    PopList->setLineWrapMode(QPlainTextEdit::NoWrap);
    PopList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PopList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void Tfrm_Option::createTabPage() {
    QWidget* page = TabSheet4;
    chkTabSize = checkBox(page, "chkTabSize", QStringLiteral("タブ幅を固定する"), {0, 8, 113, 17});
    Label2 = label(page, "Label2", QStringLiteral("最大："), {160, 11});
    txtTabSize = textBox(page, "txtTabSize", QStringLiteral("0"), {200, 8, 32, 20});
    UpDown1 = upDown(page, "UpDown1", txtTabSize, 300, {232, 8, 12, 20});
    chkTabLen = checkBox(page, "chkTabLen", QStringLiteral("タブの数を制限する"), {0, 41, 129, 17});
    Label3 = label(page, "Label3", QStringLiteral("最大："), {160, 43});
    txtTabLen = textBox(page, "txtTabLen", QStringLiteral("0"), {200, 40, 32, 20});
    UpDown2 = upDown(page, "UpDown2", txtTabLen, 100, {232, 40, 12, 20});
    Label5 = label(page, "Label5", QStringLiteral("タブの種類："), {0, 75});
    cmbTabType = new QComboBox(page);
    cmbTabType->setObjectName(QStringLiteral("cmbTabType"));
    cmbTabType->setEditable(true);
    cmbTabType->setInsertPolicy(QComboBox::NoInsert);
    cmbTabType->addItems({QStringLiteral("タブ"), QStringLiteral("ボタン")});
    cmbTabType->setCurrentIndex(0);
    cmbTabType->setGeometry(160, 72, 65, 20);

    Label4 = label(page, "Label4", QStringLiteral("文字色"), {144, 104});
    Label6 = label(page, "Label6", QStringLiteral("背景色"), {224, 104});
    ColorPanel1 = preview(page, "ColorPanel1", QStringLiteral("アクティブなタブ"), {0, 120, 121, 17});
    ChColor1 = swatch(page, "ChColor1", {136, 122, 52, 12});
    BGColor1 = swatch(page, "BGColor1", {216, 122, 52, 12});
    ColorPanel2 = preview(page, "ColorPanel2", QStringLiteral("アクティブじゃないタブ"), {0, 144, 121, 17});
    ChColor2 = swatch(page, "ChColor2", {136, 144, 52, 14});
    BGColor2 = swatch(page, "BGColor2", {216, 144, 52, 12});
    // Until config.ini is read the swatches show the stored defaults.
    ChColor1->setColour(clWindowText);
    ChColor2->setColour(clWindowText);
    BGColor1->setColour(clBtnFace);
    BGColor2->setColour(clBtnFace);
    showPreviews();
}

void Tfrm_Option::connectHandlers() {
    using ErrorBox::guarded;
    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            guarded([this](QTreeWidgetItem* current, QTreeWidgetItem*) { TreeView1Change(current); }));
    connect(chkMoz, &QCheckBox::clicked, this, guarded([this](bool) { chkMozClick(); }));
    connect(chkTabSize, &QCheckBox::clicked, this, guarded([this](bool) { chkTabSizeClick(); }));
    connect(chkTabLen, &QCheckBox::clicked, this, guarded([this](bool) { chkTabLenClick(); }));
    connect(BitBtn1, &QToolButton::clicked, this, guarded([this](bool) { BitBtn1Click(); }));
    connect(ChColor1, &TColourSwatch::clicked, this, guarded([this] { ChColor1Click(); }));
    connect(BGColor1, &TColourSwatch::clicked, this, guarded([this] { BGColor1Click(); }));
    connect(ChColor2, &TColourSwatch::clicked, this, guarded([this] { ChColor2Click(); }));
    connect(BGColor2, &TColourSwatch::clicked, this, guarded([this] { BGColor2Click(); }));
    connect(Button1, &QPushButton::clicked, this, guarded([this](bool) { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, guarded([this](bool) { Button2Click(); }));
}

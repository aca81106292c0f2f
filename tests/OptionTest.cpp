// The options window: what it shows when created, the page tree, the dependent controls,
// the colour and folder dialogs, OK with its signals and Cancel, two windows at once, and
// every failure leaving the files as they were.

#include "TestSupport.h"
#include "options/EngineRulesPage.h"
#include "options/Option.h"
#include "options/OptionControls.h"
#include "options/SHBFFEX.h"
#include "settings/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QFontMetrics>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr TColor clCaptionText = systemColour(9);
constexpr TColor clInactiveBorder = systemColour(11);

struct OptionTest : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    QList<QColor> dialogOpenedOn;
    std::optional<QColor> dialogAnswer;
    // Every GekkoEnabled, TabWidthChanged and TabTypeChanged, in order.
    QStringList signalsSeen;
    // What the window finds about the system's Chromium.
    bool chromiumInstalled = true;

    void SetUp() override {
        Tfrm_Option::setColourDialog([this](QWidget*, const QColor& initial) {
            dialogOpenedOn << initial;
            return dialogAnswer;
        });
        Tfrm_Option::setChromiumProbe([this] { return chromiumInstalled; });
    }
    void TearDown() override {
        Tfrm_Option::setChromiumProbe({});
        Tfrm_Option::setColourDialog({});
        FolderDialog::setRunHook({});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QPointer<Tfrm_Option> create() {
        auto* window = new Tfrm_Option(dir.path(), nullptr, [this](Tfrm_Option& w) {
            QObject::connect(&w, &Tfrm_Option::GekkoEnabled, [this](bool on) { signalsSeen << QStringLiteral("Gekko %1").arg(on); });
            QObject::connect(&w, &Tfrm_Option::TabWidthChanged, [this](int v) { signalsSeen << QStringLiteral("width %1").arg(v); });
            QObject::connect(&w, &Tfrm_Option::TabTypeChanged, [this](int v) { signalsSeen << QStringLiteral("type %1").arg(v); });
        });
        return window;
    }
    static bool closed(QPointer<Tfrm_Option>& window) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }
    QString ini(const char* section, const char* key) const {
        return Settings(dir.file("config.ini")).ReadString(section, key, QStringLiteral("<none>"));
    }
    static QColor base(const QLineEdit* box) { return box->palette().color(QPalette::Base); }
};

}  // namespace

TEST_F(OptionTest, WindowAndControls) {
    dir.write("CloseURL.txt", "");
    QPointer<Tfrm_Option> w = create();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("オプション"));
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    QStringList tree;
    for (QTreeWidgetItemIterator it(w->TreeView1); *it; ++it)
        tree << ((*it)->parent() ? QStringLiteral("  ") : QString()) + (*it)->text(0);
    EXPECT_EQ(tree, (QStringList{"全般", "ウィンドウ", "  タブ", "広告抑止", "エンジン"}));
    EXPECT_EQ(w->PageCTL->count(), 5);
    EXPECT_EQ(w->UpDown1->maximum(), 300);
    EXPECT_EQ(w->UpDown2->maximum(), 100);
    EXPECT_EQ(w->UpDown2->associate(), w->txtTabLen);
    EXPECT_TRUE(w->cmbTabType->isEditable());
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("BGColor1Frame"))->geometry(), QRect(213, 120, 57, 17));
    // Every caption fits its control.
    for (QCheckBox* box : w->findChildren<QCheckBox*>())
        EXPECT_GE(box->width(), box->sizeHint().width()) << box->objectName().toStdString();
    for (QPushButton* button : w->TabSheet5->findChildren<QPushButton*>())
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->objectName().toStdString();
    for (QLabel* panel : {w->ColorPanel1, w->ColorPanel2})
        EXPECT_LE(QFontMetrics(panel->font()).horizontalAdvance(panel->text()), panel->contentsRect().width());
    delete w;
}

TEST_F(OptionTest, FirstRunShowsTheDefaultsAndWritesNothing) {
    dir.write("CloseURL.txt", "http://ad.example/\r\nhttp://pop.example/\r\n");
    QPointer<Tfrm_Option> w = create();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
    EXPECT_EQ(signalsSeen, QStringList{"Gekko 0"});
    EXPECT_EQ(w->TreeView1->currentItem()->text(0), QStringLiteral("全般"));
    EXPECT_EQ(w->PageCTL->currentWidget(), w->TabSheet1);
    EXPECT_TRUE(w->TreeView1->topLevelItem(1)->isExpanded());
    EXPECT_FALSE(w->chkMoz->isChecked());
    EXPECT_EQ(w->GeckoFlag, 0);
    EXPECT_EQ(w->txtMozPath->text(), QString());
    EXPECT_FALSE(w->txtMozPath->isEnabled());
    EXPECT_EQ(base(w->txtMozPath), toQColor(clInactiveBorder));
    EXPECT_FALSE(w->BitBtn1->isEnabled());
    EXPECT_EQ(w->txtTabSize->text(), QStringLiteral("75"));
    EXPECT_FALSE(w->txtTabSize->isEnabled());
    EXPECT_FALSE(w->UpDown1->isEnabled());
    EXPECT_EQ(w->txtTabLen->text(), QStringLiteral("0"));
    EXPECT_FALSE(w->txtTabLen->isEnabled());
    EXPECT_EQ(w->cmbTabType->currentText(), QStringLiteral("タブ"));
    for (QLabel* panel : {w->ColorPanel1, w->ColorPanel2}) {
        EXPECT_EQ(panel->palette().color(QPalette::WindowText), toQColor(clWindowText));
        EXPECT_EQ(panel->palette().color(QPalette::Window), toQColor(clBtnFace));
    }
    EXPECT_EQ(w->popListLines(), (QStringList{"http://ad.example/", "http://pop.example/"}));
    EXPECT_FALSE(QFile::exists(dir.file("config.ini")));
    delete w;
}

TEST_F(OptionTest, ReadsEveryKey) {
    dir.write("CloseURL.txt", "");
    dir.write("config.ini",
              "[Option_Main]\r\nMozilla=1\r\nMozPath=/opt/moz\r\n[Option_Window]\r\nBookMark=1\r\nAddressBar=0\r\n"
              "NewWindow_Active=1\r\n[Option_advertisemen]\r\nCloseURL=1\r\n[Option_Tab]\r\nfix=2\r\nMaxSize=500\r\n"
              "Len=1\r\nMaxLen=7\r\nTabType=1\r\nActivateChColor=clRed\r\nActivateBGColor=$00123456\r\n"
              "DeActivateChColor=255\r\n");
    QPointer<Tfrm_Option> w = create();
    EXPECT_EQ(signalsSeen, QStringList{"Gekko 1"});
    EXPECT_TRUE(w->chkMoz->isChecked());
    EXPECT_EQ(w->GeckoFlag, 1);
    EXPECT_TRUE(w->txtMozPath->isEnabled());
    EXPECT_EQ(base(w->txtMozPath), toQColor(clCaptionText));
    EXPECT_TRUE(w->BitBtn1->isEnabled());
    EXPECT_EQ(w->txtMozPath->text(), QStringLiteral("/opt/moz"));
    EXPECT_TRUE(w->chkWin1->isChecked());
    EXPECT_FALSE(w->chkWin2->isChecked());
    EXPECT_TRUE(w->chkActive3->isChecked());
    EXPECT_TRUE(w->chkPop->isChecked());
    // "fix" 2 reads as checked; a stored width beyond the arrows stays as stored.
    EXPECT_TRUE(w->chkTabSize->isChecked());
    EXPECT_TRUE(w->txtTabSize->isEnabled());
    EXPECT_EQ(w->txtTabSize->text(), QStringLiteral("500"));
    EXPECT_EQ(w->UpDown1->position(), 300);
    EXPECT_EQ(w->txtTabLen->text(), QStringLiteral("7"));
    EXPECT_TRUE(w->UpDown2->isEnabled());
    EXPECT_EQ(w->cmbTabType->currentText(), QStringLiteral("ボタン"));
    EXPECT_EQ(w->ChColor1->colour(), 0x000000FF);
    EXPECT_EQ(w->BGColor1->colour(), 0x00123456);
    EXPECT_EQ(w->ChColor2->colour(), 255);
    EXPECT_EQ(w->BGColor2->colour(), clBtnFace);
    EXPECT_EQ(w->ColorPanel1->palette().color(QPalette::Window), QColor(0x56, 0x34, 0x12));
    // What is painted, not only what is held.
    EXPECT_EQ(w->ColorPanel1->grab().toImage().pixelColor(3, 3), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(w->ChColor1->grab().toImage().pixelColor(1, 1), QColor(255, 0, 0));
    delete w;

    // A tab type without an entry chooses none.
    dir.write("config.ini", "[Option_Tab]\r\nTabType=5\r\n");
    w = create();
    EXPECT_EQ(w->chosenTabType(), -1);
    delete w;
}

TEST_F(OptionTest, TreeChoosesPagesByExactText) {
    dir.write("CloseURL.txt", "");
    QPointer<Tfrm_Option> w = create();
    QTreeWidget* tree = w->TreeView1;
    tree->setCurrentItem(tree->topLevelItem(1)->child(0));
    EXPECT_EQ(w->PageCTL->currentWidget(), w->TabSheet4);
    tree->setCurrentItem(tree->topLevelItem(2));
    EXPECT_EQ(w->PageCTL->currentWidget(), w->TabSheet3);
    tree->setCurrentItem(tree->topLevelItem(1));
    EXPECT_EQ(w->PageCTL->currentWidget(), w->TabSheet2);
    QTreeWidgetItem other(QStringList{QStringLiteral("全般 ")});
    w->TreeView1Change(&other);
    EXPECT_EQ(w->PageCTL->currentWidget(), w->TabSheet2);
    delete w;
}

TEST_F(OptionTest, GeckoBoxActsAtOnceAndCancelSavesNothing) {
    dir.write("CloseURL.txt", "x\r\n");
    QPointer<Tfrm_Option> w = create();
    w->chkMoz->click();
    EXPECT_EQ(signalsSeen, (QStringList{"Gekko 0", "Gekko 1"}));
    EXPECT_EQ(w->GeckoFlag, 1);
    EXPECT_TRUE(w->txtMozPath->isEnabled());
    EXPECT_EQ(base(w->txtMozPath), toQColor(clCaptionText));
    EXPECT_TRUE(w->BitBtn1->isEnabled());
    w->PopList->setPlainText(QStringLiteral("y"));
    w->Button2->click();
    EXPECT_TRUE(closed(w));
    // Cancel does not take the engine item back.
    EXPECT_EQ(signalsSeen, (QStringList{"Gekko 0", "Gekko 1"}));
    EXPECT_FALSE(QFile::exists(dir.file("config.ini")));
    EXPECT_EQ(dir.read("CloseURL.txt"), "x\r\n");
}

TEST_F(OptionTest, DependentBoxesFollowTheirCheckBoxes) {
    dir.write("CloseURL.txt", "");
    QPointer<Tfrm_Option> w = create();
    w->chkTabSize->click();
    EXPECT_TRUE(w->txtTabSize->isEnabled());
    EXPECT_TRUE(w->UpDown1->isEnabled());
    EXPECT_EQ(base(w->txtTabSize), toQColor(clCaptionText));
    w->chkTabLen->click();
    EXPECT_TRUE(w->UpDown2->isEnabled());
    w->chkTabLen->click();
    EXPECT_FALSE(w->txtTabLen->isEnabled());
    EXPECT_FALSE(w->UpDown2->isEnabled());
    EXPECT_EQ(base(w->txtTabLen), toQColor(clInactiveBorder));
    delete w;
}

TEST_F(OptionTest, OkWritesEveryKeyAndAppliesTheTabs) {
    dir.write("CloseURL.txt", "old\r\n");
    QPointer<Tfrm_Option> w = create();
    w->chkMoz->click();
    w->txtMozPath->setText(QStringLiteral("/usr/lib/moz"));
    w->chkWin2->click();
    w->chkPop->click();
    w->chkTabSize->click();
    w->txtTabSize->setText(QStringLiteral("120"));
    w->cmbTabType->setCurrentIndex(1);
    w->PopList->setPlainText(QStringLiteral("http://a.example/\nhttp://b.example/\n"));
    w->Button1->click();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
    EXPECT_TRUE(closed(w));
    EXPECT_EQ(signalsSeen, (QStringList{"Gekko 0", "Gekko 1", "width 120", "type 1"}));
    // Written in this order, every key, into a new file.
    EXPECT_EQ(dir.read("config.ini"),
              "[Option_Main]\r\nMozPath=/usr/lib/moz\r\nMozilla=1\r\n"
              "[Option_Window]\r\nBookMark=0\r\nAddressBar=1\r\nNewWindow_Active=0\r\n"
              "[Option_advertisemen]\r\nCloseURL=1\r\n"
              "[Option_Tab]\r\nfix=1\r\nMaxSize=120\r\nLen=0\r\nMaxLen=0\r\nTabType=1\r\n"
              "ActivateChColor=clWindowText\r\nActivateBGColor=clBtnFace\r\n"
              "DeActivateChColor=clWindowText\r\nDeActivateBGColor=clBtnFace\r\n");
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://a.example/\r\nhttp://b.example/\r\n");
}

TEST_F(OptionTest, IEEngineChoiceRoundTripsThroughConfig) {
    dir.write("CloseURL.txt", "");
    QPointer<Tfrm_Option> w = create();
    EXPECT_TRUE(w->rdoIESystem->isEnabled());
    EXPECT_TRUE(w->rdoIESystem->isChecked());
    w->rdoIEBuiltin->click();
    w->Button1->click();
    EXPECT_EQ(ini("Option_Main", "IEEngine"), QStringLiteral("1"));

    // Cancel keeps the file to the byte.
    w = create();
    EXPECT_TRUE(w->rdoIEBuiltin->isChecked());
    const std::string before = dir.read("config.ini");
    w->rdoIESystem->click();
    w->Button2->click();
    EXPECT_TRUE(closed(w));
    EXPECT_EQ(dir.read("config.ini"), before);

    // A stored key is written back even when the choice is what its absence would mean.
    w = create();
    w->rdoIESystem->click();
    w->Button1->click();
    EXPECT_EQ(ini("Option_Main", "IEEngine"), QStringLiteral("0"));
}

// Absent, the key keeps following whether Chromium is installed: an untouched choice
// leaves it absent.
TEST_F(OptionTest, AnAbsentIEEngineStaysAbsentUntilTheChoiceDiffersFromIt) {
    dir.write("CloseURL.txt", "");
    for (const bool installed : {true, false}) {
        chromiumInstalled = installed;
        QPointer<Tfrm_Option> w = create();
        EXPECT_EQ(w->rdoIESystem->isChecked(), installed);
        w->Button1->click();
        EXPECT_EQ(ini("Option_Main", "IEEngine"), QStringLiteral("<none>")) << installed;
    }
}

TEST_F(OptionTest, WithoutChromiumTheSystemChoiceIsDisabledAndAStoredZeroWaitsForOk) {
    chromiumInstalled = false;
    dir.write("CloseURL.txt", "");
    dir.write("config.ini", "[Option_Main]\r\nIEEngine=0\r\n");
    QPointer<Tfrm_Option> w = create();
    EXPECT_FALSE(w->rdoIESystem->isEnabled());
    EXPECT_EQ(w->rdoIESystem->text(), QStringLiteral("システムの Chromium\n（インストールされていません）"));
    EXPECT_TRUE(w->rdoIEBuiltin->isChecked());
    // The longer caption fits, and the group and its note stay on the page.
    EXPECT_GE(w->rdoIESystem->width(), w->rdoIESystem->sizeHint().width());
    EXPECT_GE(w->rdoIESystem->height(), w->rdoIESystem->sizeHint().height());
    EXPECT_LE(w->grpIEEngine->geometry().right(), w->PageCTL->contentsRect().width());
    EXPECT_GT(w->rdoIEBuiltin->y(), w->rdoIESystem->geometry().bottom());
    EXPECT_GT(w->Label7->y(), w->grpIEEngine->geometry().bottom());
    EXPECT_LE(w->Label7->geometry().bottom(), w->PageCTL->contentsRect().height());
    w->Button2->click();
    EXPECT_EQ(dir.read("config.ini"), "[Option_Main]\r\nIEEngine=0\r\n");

    w = create();
    w->Button1->click();
    EXPECT_EQ(ini("Option_Main", "IEEngine"), QStringLiteral("1"));
}

namespace {

// Counts the times a file in a folder is replaced (renamed into place), from now on.
class Replacements {
public:
    Replacements(const QString& folder, const QString& name) : name_(name.toStdString()) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_MOVED_TO);
    }
    ~Replacements() { ::close(fd_); }
    int count() {
        alignas(inotify_event) char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0 && name_ == event->name) ++count_;
                p += sizeof(inotify_event) + event->len;
            }
        }
        return count_;
    }

private:
    std::string name_;
    int fd_ = -1;
    int count_ = 0;
};

}  // namespace

TEST_F(OptionTest, OkReplacesConfigOnceAlsoWhenAKeyStopsIt) {
    dir.write("config.ini", "[Option_Window]\r\nRestore=0\r\n");
    dir.write("CloseURL.txt", "");
    QPointer<Tfrm_Option> w = create();
    w->chkWin1->click();
    w->chkRestore->click();
    w->chkTabSize->click();
    w->txtTabSize->setText(QStringLiteral("120"));
    {
        Replacements replaced(dir.path(), QStringLiteral("config.ini"));
        w->Button1->click();
        EXPECT_TRUE(errors.messages.isEmpty());
        EXPECT_EQ(replaced.count(), 1);
    }
    EXPECT_EQ(ini("Option_Window", "BookMark"), QStringLiteral("1"));
    EXPECT_EQ(ini("Option_Window", "Restore"), QStringLiteral("1"));
    EXPECT_EQ(ini("Option_Tab", "MaxSize"), QStringLiteral("120"));

    // A key that stops OK: once up to it, nothing after it.
    w = create();
    w->chkTabLen->click();
    w->txtTabLen->setText(QStringLiteral("x"));
    w->chkWin2->click();
    w->cmbTabType->setCurrentIndex(1);
    const QString typeBefore = ini("Option_Tab", "TabType");
    {
        Replacements replaced(dir.path(), QStringLiteral("config.ini"));
        w->Button1->click();
        EXPECT_EQ(errors.messages.size(), 1);
        EXPECT_EQ(replaced.count(), 1);
    }
    EXPECT_EQ(ini("Option_Window", "AddressBar"), QStringLiteral("1"));
    EXPECT_EQ(ini("Option_Tab", "Len"), QStringLiteral("1"));
    EXPECT_EQ(ini("Option_Tab", "MaxLen"), QStringLiteral("0"));
    EXPECT_EQ(ini("Option_Tab", "TabType"), typeBefore);
    delete w;
}

TEST_F(OptionTest, ThePopupListKeepsTheCharacterSetItWasReadIn) {
    const std::string sjis = "\x93\xfa\x96\x7b";  // "日本" in Shift_JIS
    dir.write("CloseURL.txt", "http://" + sjis + "/\r\nhttp://a/\r\n");
    QPointer<Tfrm_Option> w = create();
    EXPECT_EQ(w->PopList->toPlainText(), QStringLiteral("http://日本/\nhttp://a/"));
    w->PopList->appendPlainText(QStringLiteral("http://語/"));
    w->Button1->click();
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://" + sjis + "/\r\nhttp://a/\r\nhttp://\x8c\xea/\r\n");

    // UTF-8 stays UTF-8.
    dir.write("CloseURL.txt", "http://\xE6\x97\xA5/\r\n");
    w = create();
    EXPECT_EQ(w->PopList->toPlainText(), QStringLiteral("http://日/"));
    w->PopList->appendPlainText(QStringLiteral("http://語/"));
    w->Button1->click();
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://\xE6\x97\xA5/\r\nhttp://\xE8\xAA\x9E/\r\n");
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(OptionTest, OkWithoutFixedWidthOrChosenTabType) {
    dir.write("CloseURL.txt", "");
    dir.write("config.ini", "[Option_Tab]\r\nfix=2\r\nTabType=1\r\n");
    QPointer<Tfrm_Option> w = create();
    w->chkTabSize->click();  // unchecked: the width is not applied
    w->cmbTabType->setEditText(QStringLiteral("ボタ"));
    w->Button1->click();
    EXPECT_EQ(signalsSeen, (QStringList{"Gekko 0", "type -1"}));
    EXPECT_EQ(ini("Option_Tab", "fix"), QStringLiteral("0"));
    EXPECT_EQ(ini("Option_Tab", "TabType"), QStringLiteral("-1"));
    EXPECT_TRUE(closed(w));

    // "タブ" typed by hand is that entry.
    signalsSeen.clear();
    w = create();
    w->cmbTabType->setEditText(QStringLiteral("タブ"));
    w->Button1->click();
    EXPECT_EQ(signalsSeen, (QStringList{"Gekko 0", "type 0"}));
}

TEST_F(OptionTest, UpDownStopsAtItsLimitsButTypedNumbersAreSavedAsTyped) {
    dir.write("CloseURL.txt", "");
    dir.write("config.ini", "[Option_Tab]\r\nfix=1\r\nMaxSize=299\r\nLen=1\r\nMaxLen=99\r\n");
    QPointer<Tfrm_Option> w = create();
    QTest::mouseClick(w->UpDown1->upButton(), Qt::LeftButton);
    QTest::mouseClick(w->UpDown1->upButton(), Qt::LeftButton);
    EXPECT_EQ(w->txtTabSize->text(), QStringLiteral("300"));
    QTest::keyClick(w->txtTabLen, Qt::Key_Up);
    QTest::keyClick(w->txtTabLen, Qt::Key_Up);
    EXPECT_EQ(w->txtTabLen->text(), QStringLiteral("100"));
    w->txtTabLen->setText(QStringLiteral("0"));
    w->UpDown2->step(-1);
    EXPECT_EQ(w->txtTabLen->text(), QStringLiteral("0"));
    // From a typed number beyond the range the arrows come back to its end.
    w->txtTabSize->setText(QStringLiteral("900"));
    w->UpDown1->step(1);
    EXPECT_EQ(w->txtTabSize->text(), QStringLiteral("300"));

    w->txtTabSize->setText(QStringLiteral("450"));
    w->txtTabLen->setText(QStringLiteral("250"));
    w->Button1->click();
    EXPECT_EQ(ini("Option_Tab", "MaxSize"), QStringLiteral("450"));
    EXPECT_EQ(ini("Option_Tab", "MaxLen"), QStringLiteral("250"));
    EXPECT_EQ(signalsSeen, (QStringList{"Gekko 0", "width 450", "type 0"}));
}

TEST_F(OptionTest, TheOlderWindowsOkWinsKeyByKey) {
    dir.write("CloseURL.txt", "a\r\n");
    QPointer<Tfrm_Option> older = create();
    QPointer<Tfrm_Option> newer = create();
    newer->chkWin1->click();
    newer->txtTabLen->setText(QStringLiteral("9"));
    newer->PopList->setPlainText(QStringLiteral("b"));
    newer->Button1->click();
    EXPECT_EQ(ini("Option_Window", "BookMark"), QStringLiteral("1"));
    older->chkPop->click();
    older->Button1->click();
    EXPECT_EQ(ini("Option_Window", "BookMark"), QStringLiteral("0"));
    EXPECT_EQ(ini("Option_Tab", "MaxLen"), QStringLiteral("0"));
    EXPECT_EQ(ini("Option_advertisemen", "CloseURL"), QStringLiteral("1"));
    EXPECT_EQ(dir.read("CloseURL.txt"), "a\r\n");
    EXPECT_TRUE(closed(older));
    EXPECT_TRUE(closed(newer));
}

TEST_F(OptionTest, ColourDialogOpensOnTheLastColourChosenHere) {
    dir.write("CloseURL.txt", "");
    dir.write("config.ini", "[Option_Tab]\r\nActivateChColor=clRed\r\n");
    QPointer<Tfrm_Option> w = create();
    dialogAnswer = QColor(0x12, 0x34, 0x56);
    QTest::mouseClick(w->BGColor2, Qt::LeftButton);
    dialogAnswer = QColor(0, 0, 255);
    QTest::mouseClick(w->ChColor1, Qt::LeftButton);
    dialogAnswer.reset();
    QTest::mouseClick(w->ChColor2, Qt::LeftButton);
    // Black first, then the last confirmed colour, never the swatch's own.
    EXPECT_EQ(dialogOpenedOn, (QList<QColor>{QColor(0, 0, 0), QColor(0x12, 0x34, 0x56), QColor(0, 0, 255)}));
    EXPECT_EQ(w->BGColor2->colour(), 0x00563412);
    EXPECT_EQ(w->ChColor1->colour(), 0x00FF0000);
    EXPECT_EQ(w->ChColor2->colour(), clWindowText);
    EXPECT_EQ(w->ColorPanel2->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(w->ColorPanel1->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    w->Button1->click();
    EXPECT_EQ(ini("Option_Tab", "ActivateChColor"), QStringLiteral("clBlue"));
    EXPECT_EQ(ini("Option_Tab", "DeActivateBGColor"), QStringLiteral("$00563412"));
    EXPECT_EQ(ini("Option_Tab", "DeActivateChColor"), QStringLiteral("clWindowText"));
}

TEST_F(OptionTest, FolderButtonRunsThePicker) {
    dir.write("CloseURL.txt", "");
    dir.write("config.ini", "[Option_Main]\r\nMozilla=1\r\nMozPath=/before\r\n");
    QPointer<Tfrm_Option> w = create();
    EXPECT_EQ(w->selectFolder->Caption, QStringLiteral("Mozillaのあるフォルダを選択してください。"));
    EXPECT_EQ(w->selectFolder->RootFolder, rfDesktop);
    EXPECT_EQ(w->selectFolder->SelectFolder, sfDrives);
    EXPECT_EQ(w->selectFolder->ShowStyle, ssClient);
    EXPECT_EQ(w->selectFolder->Options, TSHBrowseOptions{sboReturnOnlyFSDirs});
    QStringList titles;
    QDir(dir.path()).mkdir(QStringLiteral("moz"));
    const QString chosen = dir.file("moz");
    bool confirm = false;
    FolderDialog::setRunHook([&](FolderDialog& dialog) {
        titles << dialog.lblTitle->text();
        dialog.setSelection(ShellItem::at(chosen));
        (confirm ? dialog.btnOK : dialog.btnCancel)->click();
    });
    w->BitBtn1->click();
    EXPECT_EQ(w->txtMozPath->text(), QStringLiteral("/before"));
    confirm = true;
    w->BitBtn1->click();
    EXPECT_EQ(QDir::cleanPath(w->txtMozPath->text()), QDir::cleanPath(chosen));
    EXPECT_EQ(titles, QStringList(2, Tfrm_Option::folderPickerCaption()));
    delete w;
}

TEST_F(OptionTest, OpenShowsAWindowConnectedBeforeItReads) {
    dir.write("CloseURL.txt", "");
    dir.write("config.ini", "[Option_Main]\r\nMozilla=1\r\n");
    QList<bool> seen;
    QPointer<Tfrm_Option> w = Tfrm_Option::Open(dir.path(), [&](Tfrm_Option& window) {
        QObject::connect(&window, &Tfrm_Option::GekkoEnabled, [&](bool on) { seen << on; });
    });
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(seen, QList<bool>{true});
    w->close();
    EXPECT_TRUE(closed(w));
}

// Failures: each ends the operation with its message and leaves the files as they were.

TEST_F(OptionTest, MissingPopupListIsReportedAndTheWindowStillWorks) {
    QFile::remove(dir.file("CloseURL.txt"));
    dir.write("config.ini", "[Option_Window]\r\nBookMark=1\r\n");
    QPointer<Tfrm_Option> w = create();
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("ファイル %1 は開けません").arg(dir.file("CloseURL.txt"))});
    EXPECT_TRUE(w->chkWin1->isChecked());
    EXPECT_EQ(w->TreeView1->currentItem(), nullptr);
    EXPECT_TRUE(w->PopList->toPlainText().isEmpty());
    // With no file to keep, OK creates the list from what was typed.
    w->PopList->setPlainText(QStringLiteral("http://new.example/"));
    w->Button1->click();
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://new.example/\r\n");
    EXPECT_TRUE(closed(w));
}

TEST_F(OptionTest, NonIntegerWidthOrLimitStopsOkAtThatKey) {
    const std::string config = "[Option_Tab]\r\nfix=0\r\nMaxSize=80\r\nLen=0\r\nMaxLen=5\r\nTabType=0\r\n";
    dir.write("CloseURL.txt", "keep\r\n");
    dir.write("config.ini", config);
    QPointer<Tfrm_Option> w = create();
    w->chkTabSize->click();
    w->txtTabSize->setText(QStringLiteral("abc"));
    w->chkTabLen->click();
    w->cmbTabType->setCurrentIndex(1);
    w->PopList->setPlainText(QStringLiteral("lost"));
    w->Button1->click();
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("'abc' は整数ではありません")});
    EXPECT_FALSE(closed(w));
    EXPECT_EQ(signalsSeen, QStringList{"Gekko 0"});
    // Written up to "fix"; nothing after it.
    EXPECT_EQ(ini("Option_Tab", "fix"), QStringLiteral("1"));
    EXPECT_EQ(ini("Option_Tab", "MaxSize"), QStringLiteral("80"));
    EXPECT_EQ(ini("Option_Tab", "Len"), QStringLiteral("0"));
    EXPECT_EQ(ini("Option_Tab", "TabType"), QStringLiteral("0"));
    EXPECT_EQ(dir.read("CloseURL.txt"), "keep\r\n");

    errors.messages.clear();
    w->txtTabSize->setText(QStringLiteral("90"));
    w->txtTabLen->setText(QString());
    w->Button1->click();
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("'' は整数ではありません")});
    EXPECT_EQ(ini("Option_Tab", "MaxSize"), QStringLiteral("90"));
    EXPECT_EQ(ini("Option_Tab", "Len"), QStringLiteral("1"));
    EXPECT_EQ(ini("Option_Tab", "MaxLen"), QStringLiteral("5"));
    EXPECT_EQ(dir.read("CloseURL.txt"), "keep\r\n");
    EXPECT_FALSE(closed(w));
    delete w;
}

TEST_F(OptionTest, ColourThatDoesNotConvertStopsReadingAndLosesNothing) {
    const std::string config = "[Option_Tab]\r\nActivateChColor=clRed\r\nActivateBGColor=nonsense\r\n"
                               "DeActivateChColor=$00ABCDEF\r\nDeActivateBGColor=clYellow\r\n";
    dir.write("CloseURL.txt", "http://ad.example/\r\n");
    dir.write("config.ini", config);
    QPointer<Tfrm_Option> w = create();
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("'nonsense' は整数ではありません")});
    EXPECT_EQ(w->ChColor1->colour(), 0x000000FF);
    EXPECT_EQ(w->TreeView1->currentItem(), nullptr);
    EXPECT_TRUE(w->PopList->toPlainText().isEmpty());
    w->chkWin1->click();
    w->Button1->click();
    EXPECT_TRUE(closed(w));
    // The colours never read are kept, and so is the list the window never loaded.
    EXPECT_EQ(ini("Option_Tab", "ActivateChColor"), QStringLiteral("clRed"));
    EXPECT_EQ(ini("Option_Tab", "ActivateBGColor"), QStringLiteral("nonsense"));
    EXPECT_EQ(ini("Option_Tab", "DeActivateChColor"), QStringLiteral("$00ABCDEF"));
    EXPECT_EQ(ini("Option_Tab", "DeActivateBGColor"), QStringLiteral("clYellow"));
    EXPECT_EQ(ini("Option_Window", "BookMark"), QStringLiteral("1"));
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://ad.example/\r\n");
}

TEST_F(OptionTest, UnwritableConfigStopsOkAtTheFirstKey) {
    const std::string config = "[Option_Main]\r\nMozPath=/keep\r\n";
    dir.write("CloseURL.txt", "keep\r\n");
    dir.write("config.ini", config);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("config.ini")).constData(), 0444), 0);
    QPointer<Tfrm_Option> w = create();
    w->txtMozPath->setText(QStringLiteral("/changed"));
    w->PopList->setPlainText(QStringLiteral("changed"));
    w->Button1->click();
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("%1 に書き込めません").arg(dir.file("config.ini"))});
    EXPECT_FALSE(closed(w));
    EXPECT_EQ(signalsSeen, QStringList{"Gekko 0"});
    EXPECT_EQ(dir.read("config.ini"), config);
    EXPECT_EQ(dir.read("CloseURL.txt"), "keep\r\n");
    delete w;
}

TEST_F(OptionTest, PopupListThatCannotBeWrittenKeepsTheWindowOpen) {
    dir.write("CloseURL.txt", "keep\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("CloseURL.txt")).constData(), 0444), 0);
    QPointer<Tfrm_Option> w = create();
    w->cmbTabType->setCurrentIndex(1);
    w->PopList->setPlainText(QStringLiteral("changed"));
    w->Button1->click();
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("ファイル %1 を作成できません").arg(dir.file("CloseURL.txt"))});
    EXPECT_FALSE(closed(w));
    // The settings were saved and applied before the list.
    EXPECT_EQ(signalsSeen, (QStringList{"Gekko 0", "type 1"}));
    EXPECT_EQ(ini("Option_Tab", "TabType"), QStringLiteral("1"));
    EXPECT_EQ(dir.read("CloseURL.txt"), "keep\r\n");
    delete w;
}

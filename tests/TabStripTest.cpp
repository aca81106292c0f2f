// The tab strip kept in step with the view windows through their ids, from every path
// that closes a window, and the CloseURL list it appends to.

#include "TestSupport.h"
#include "app/Main.h"
#include "platform/ErrorBox.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"
#include "views/untTab.h"

#include <QCloseEvent>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A view window without an engine: it knows its address and, like the real ones,
// tells the frame when it closes.
class StubView : public TViewWindow {
public:
    QString url;
    QString LocationURL() override { return url; }
};

struct TabStripFixture : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    std::unique_ptr<TMainForm> form;

    void SetUp() override {
        form = std::make_unique<TMainForm>(dir.path());
        form->resize(800, 600);
    }
    StubView* open(const QString& url) {
        auto* view = new StubView;
        view->setWidget(new QWidget);
        view->Tag = ++form->NextWindowID;
        view->url = url;
        form->controls().MDIClient->addSubWindow(view);
        form->Tabs->AddWindow(view);
        view->show();
        return view;
    }
    QList<int> ids() const { return form->WindowIDs(); }
    QStringList tabs() const {
        QStringList t;
        for (int i = 0; i < form->Tabs->TabControl1->count(); ++i) t << form->Tabs->TabControl1->tabText(i);
        return t;
    }
};

}  // namespace

TEST_F(TabStripFixture, ClosingAWindowRemovesItsTabAndId) {
    StubView* a = open("http://a/");
    StubView* b = open("http://b/");
    open("http://c/");
    form->Tabs->TabControl1->setTabText(1, QStringLiteral("B"));
    form->SelectTab(2);
    b->close();
    EXPECT_EQ(ids(), QList<int>({0, 2}));
    EXPECT_EQ(tabs(), QStringList({"loading", "loading"}));
    EXPECT_EQ(form->Tabs->TabControl1->currentIndex(), 1);

    // The strip's own close: the window's handler leaves the lists to the strip.
    form->CloseTab(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ids(), QList<int>({2}));
    EXPECT_EQ(form->Tabs->TabControl1->count(), 1);
    EXPECT_EQ(form->Tabs->ClosingFromTab, 0);
    EXPECT_EQ(form->MDIChildren().size(), 1);
    (void)a;
}

TEST_F(TabStripFixture, EachTabFollowsItsOwnWindowWhereverItStands) {
    StubView* a = open("http://a/");
    StubView* b = open("http://b/");
    StubView* c = open("http://c/");
    StubView* d = open("http://d/");
    emit c->TitleChange(QStringLiteral("C"));
    a->close();
    QCoreApplication::processEvents();
    // The tabs moved; the title still lands on its own window's tab.
    emit c->TitleChange(QStringLiteral("C2"));
    emit b->TitleChange(QStringLiteral("B"));
    EXPECT_EQ(tabs(), QStringList({"B", "C2", "loading"}));
    EXPECT_EQ(form->Tabs->TabOf(d), 2);
    EXPECT_EQ(form->Tabs->ViewOfTab(1), c);

    // A window that goes without closing takes its tab along; the selected position
    // stays selected, whichever tab now stands there.
    form->SelectTab(1);
    delete b;
    EXPECT_EQ(ids(), QList<int>({2, 3}));
    EXPECT_EQ(form->Tabs->TabControl1->currentIndex(), 1);
    EXPECT_EQ(form->Tabs->ViewOfTab(1), d);
    EXPECT_FALSE(form->Tabs->TabOf(b).has_value());
}

TEST_F(TabStripFixture, ATabRemovedBeforeTheSelectionLeavesTheSelectedPosition) {
    StubView* a = open("http://a/");
    open("http://b/");
    StubView* c = open("http://c/");
    open("http://d/");
    form->SelectTab(1);
    a->close();
    // The selection keeps its place in the strip, and so falls on the tab that moved up.
    EXPECT_EQ(form->Tabs->TabControl1->currentIndex(), 1);
    EXPECT_EQ(form->Tabs->TabControl1->tabData(1).toInt(), c->Tag);
}

TEST_F(TabStripFixture, PopupCommandsActOnTheTabUnderThePointerOnly) {
    open("http://a/");
    open("http://b/");
    // A right-click beside the last tab hits no tab: the commands do nothing.
    form->HitTestPopupTab(form->Tabs->TabControl1->mapToGlobal(QPoint(form->Tabs->TabControl1->width() - 2, 5)));
    EXPECT_FALSE(form->Tabs->PopupTab.has_value());
    form->popTabCloseClick();
    form->popAddCloseClick();
    EXPECT_EQ(ids().size(), 2);

    form->HitTestPopupTab(form->Tabs->TabControl1->mapToGlobal(form->Tabs->TabControl1->tabRect(0).center()));
    ASSERT_EQ(form->Tabs->PopupTab, 0);
    form->popTabCloseClick();
    EXPECT_EQ(ids(), QList<int>({1}));
    // The remembered position no longer names a tab.
    form->HitTestPopupTab(form->Tabs->TabControl1->mapToGlobal(form->Tabs->TabControl1->tabRect(0).center()));
    form->Tabs->PopupTab = 5;
    form->popTabCloseClick();
    EXPECT_EQ(ids(), QList<int>({1}));
}

TEST_F(TabStripFixture, AddingToTheCloseListTakesTheTabsOwnAddress) {
    dir.write("CloseURL.txt", "http://old/\n");
    open("http://front/");
    open("http://back/");
    form->controls().MDIClient->setActiveSubWindow(form->MDIChildren().back());
    form->Tabs->PopupTab = 0;  // the background window's tab
    form->popAddCloseClick();
    // Only the new line is added: the lines already there keep every byte.
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://old/\nhttp://front/\r\n");
    EXPECT_EQ(ids(), QList<int>({1}));
    EXPECT_TRUE(errors.messages.isEmpty());

    // Without the list file: an error, nothing added, the tab stays.
    QFile::remove(dir.file("CloseURL.txt"));
    form->Tabs->PopupTab = 0;
    ErrorBox::guard([&] { form->popAddCloseClick(); });
    EXPECT_EQ(errors.messages.size(), 1);
    EXPECT_EQ(ids(), QList<int>({1}));
}

TEST_F(TabStripFixture, SelectingATabBringsItsWindowToTheFront) {
    StubView* a = open("http://a/");
    open("http://b/");
    form->controls().MDIClient->setActiveSubWindow(form->MDIChildren().back());
    form->SelectTab(1);
    form->Tabs->TabControl1->setCurrentIndex(0);  // as a user's click does
    EXPECT_EQ(form->ActiveMDIChild(), a);
    form->SelectTab(1);  // the program's own selection leaves the windows alone
    EXPECT_EQ(form->ActiveMDIChild(), a);
}

TEST_F(TabStripFixture, ManyWindowsKeepIdsAndTabsInStep) {
    for (int i = 0; i < 300; ++i) open(QStringLiteral("http://p%1/").arg(i))->close();
    StubView* last = open("http://last/");
    EXPECT_EQ(last->Tag, 300);
    EXPECT_EQ(ids(), QList<int>({300}));
    EXPECT_EQ(form->TabPositionOf(300), 0);
    EXPECT_FALSE(form->TabPositionOf(299).has_value());
    form->CloseTab(0);
    EXPECT_TRUE(ids().isEmpty());
    EXPECT_EQ(form->Tabs->TabControl1->count(), 0);
}

TEST_F(TabStripFixture, TabColoursComeFromTheFileAtEveryPaint) {
    const auto defaults = form->Tabs->ReadTabColours();
    EXPECT_EQ(defaults.activeText, defaults.inactiveText);
    EXPECT_EQ(defaults.activeBackground, defaults.inactiveBackground);
    dir.write("config.ini", "[Option_Tab]\r\nActivateBGColor=clRed\r\nDeActivateBGColor=$00FF0000\r\n");
    EXPECT_EQ(form->Tabs->ReadTabColours().activeBackground, 0x000000FF);
    EXPECT_EQ(form->Tabs->ReadTabColours().inactiveBackground, 0x00FF0000);

    open("http://a/");
    open("http://b/");
    form->SelectTab(0);
    QImage image(form->Tabs->TabControl1->size(), QImage::Format_ARGB32);
    form->Tabs->TabControl1->render(&image);
    const QRect selected = form->Tabs->TabControl1->tabRect(0), other = form->Tabs->TabControl1->tabRect(1);
    EXPECT_EQ(QColor(image.pixel(selected.left() + 4, selected.bottom() - 4)), QColor(Qt::red));
    EXPECT_EQ(QColor(image.pixel(other.left() + 4, other.bottom() - 4)), QColor(Qt::blue));

    // A colour that does not convert: the standard colours, and one report.
    dir.write("config.ini", "[Option_Tab]\r\nActivateBGColor=reddish\r\n");
    form->Tabs->TabControl1->render(&image);
    form->Tabs->TabControl1->render(&image);
    QCoreApplication::processEvents();
    EXPECT_EQ(errors.messages, QStringList({QStringLiteral("'reddish' は整数ではありません")}));
}

TEST_F(TabStripFixture, AStripOfHundredsDrawsOnlyTheTabsInView) {
    dir.write("config.ini", "[Option_Tab]\r\nfix=1\r\nMaxSize=75\r\nActivateBGColor=clRed\r\n");
    TTabControl* strip = form->Tabs->TabControl1;
    for (int i = 0; i < 300; ++i) strip->addTab(QStringLiteral("loading"));
    strip->setTabWidth(75);
    strip->resize(800, 28);
    // Scrolled far to the right, as selecting a late tab does.
    strip->setCurrentIndex(250);
    QCoreApplication::processEvents();

    // The search finds what walking every tab finds, for areas anywhere on the strip.
    for (const QRect& area : {strip->rect(), QRect(0, 0, 1, 28), QRect(300, 0, 150, 28), QRect(799, 0, 1, 28),
                              QRect(-500, 0, 100, 28), QRect(5000, 0, 10, 28)}) {
        int first = -1, last = -1;
        for (int i = 0; i < strip->count(); ++i)
            if (strip->tabRect(i).intersects(area)) {
                if (first < 0) first = i;
                last = i;
            }
        const auto found = strip->tabsWithin(area);
        if (first < 0) EXPECT_GT(found.first, found.second);
        else EXPECT_EQ(found, std::make_pair(first, last));
    }
    const auto [first, last] = strip->tabsWithin(strip->rect());
    EXPECT_LE(last - first + 1, 800 / 75 + 2);
    EXPECT_TRUE(first <= 250 && 250 <= last);

    // The program's face still lands on the selected tab, scrolled as it is.
    QImage image(strip->size(), QImage::Format_ARGB32);
    strip->render(&image);
    const QRect selected = strip->tabRect(250);
    EXPECT_EQ(QColor(image.pixel(selected.left() + 6, selected.center().y())), QColor(Qt::red));
    // A colour changed on disk shows at the next paint.
    dir.write("config.ini", "[Option_Tab]\r\nfix=1\r\nMaxSize=75\r\nActivateBGColor=clLime\r\n");
    strip->render(&image);
    EXPECT_EQ(QColor(image.pixel(selected.left() + 6, selected.center().y())), QColor(Qt::green));
}

// Tab sizes are measured once per text: a strip that went through adds, closes, title
// changes, a change of font and of style draws as a strip laid out from nothing with
// the same tabs does.
TEST(TabSizes, AStripThatChangedDrawsAsOneLaidOutAnew) {
    const auto picture = [](TTabControl& strip) {
        QImage image(strip.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        strip.render(&image);
        return image;
    };
    const auto fresh = [](const TTabControl& like) {
        auto strip = std::make_unique<TTabControl>();
        strip->setFont(like.font());
        strip->setButtonStyle(like.buttonStyle());
        strip->setTabWidth(like.tabWidth());
        for (int i = 0; i < like.count(); ++i) strip->addTab(like.tabText(i));
        strip->setCurrentIndex(like.currentIndex());
        return strip;
    };
    const auto tabRects = [](const TTabControl& strip) {
        QList<QRect> rects;
        for (int i = 0; i < strip.count(); ++i) rects << strip.tabRect(i);
        return rects;
    };
    TTabControl strip;
    for (int i = 0; i < 12; ++i) strip.addTab(QStringLiteral("読み込み中"));
    for (int i = 0; i < 12; ++i) strip.setTabText(i, QStringLiteral("ページ %1 %2").arg(i).arg(QString(i, QChar(u'長'))));
    strip.removeTab(3);
    strip.removeTab(0);
    strip.setTabText(5, QStringLiteral("短い"));
    strip.setTabText(6, QStringLiteral("ページ 1 長"));   // a text measured before, on another tab
    strip.insertTab(2, QStringLiteral("新しいページ"));
    strip.setCurrentIndex(4);
    const auto same = [&](const char* after) {
        auto anew = fresh(strip);
        // As wide as the new strip wants: every tab at its full size, none shortened.
        for (TTabControl* s : {&strip, anew.get()}) {
            s->resize(anew->sizeHint());
            s->show();
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(tabRects(strip), tabRects(*anew)) << after;
        EXPECT_TRUE(picture(strip) == picture(*anew)) << after;
    };
    same("adds, closes and title changes");

    QFont bigger = strip.font();
    bigger.setPointSize(bigger.pointSize() + 6);
    strip.setFont(bigger);
    same("a larger font");
    strip.setButtonStyle(true);
    same("button style");
    strip.setTabWidth(90);
    same("a fixed width");
    strip.setTabWidth(0);
    strip.setTabText(0, QStringLiteral("とても長いタイトルのページ、とても長いタイトルのページ"));
    same("back to widths by text");
}

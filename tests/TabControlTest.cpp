// The tab strip widget on its own: where its tabs lie after any run of changes, what a
// change repaints, scrolling, hit testing and selection; and the row of widths under it.

#include "views/TabControl.h"
#include "views/TabRow.h"

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A face that shows the text and the selection, as the program's does.
void giveFace(TTabControl& strip) {
    strip.setDrawTab([&strip](QPainter& painter, int index, const QRect& rect, bool selected) {
        painter.fillRect(rect, selected ? QColor(Qt::darkBlue) : QColor(0xE0E0E0));
        painter.setPen(selected ? Qt::white : Qt::black);
        const QRect text = rect.adjusted(0, 0, -10, 0).translated(8, 1);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                         painter.fontMetrics().elidedText(strip.tabText(index), Qt::ElideRight, text.width()));
    });
}

QImage picture(TTabControl& strip) {
    QImage image(strip.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    strip.render(&image);
    return image;
}

QList<QRect> tabRects(const TTabControl& strip) {
    QList<QRect> rects;
    for (int i = 0; i < strip.count(); ++i) rects << strip.tabRect(i);
    return rects;
}

// What the strip repaints on screen.
struct Repaints : QObject {
    QRegion region;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

QToolButton* scrollButton(const TTabControl& strip, const char* name) {
    return strip.findChild<QToolButton*>(QLatin1String(name));
}

struct ShownTabStrip : ::testing::Test {
    TTabControl strip;
    Repaints repaints;

    void show(QSize size) {
        giveFace(strip);
        strip.resize(size);
        strip.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&strip));
        strip.installEventFilter(&repaints);
        QCoreApplication::processEvents();
    }
    // Runs `change` and returns what it repainted on screen; every pixel that the change
    // altered must lie in it.
    QRegion repaintedBy(const std::function<void()>& change, const char* what) {
        QCoreApplication::processEvents();
        const QImage before = picture(strip);
        repaints.region = QRegion();
        change();
        QCoreApplication::processEvents();
        // render() paints too: what the screen got is taken before it.
        const QRegion painted = repaints.region;
        const QImage after = picture(strip);
        int missed = 0;
        QPoint first;
        if (before.size() == after.size())
            for (int y = 0; y < after.height(); ++y)
                for (int x = 0; x < after.width(); ++x)
                    if (before.pixel(x, y) != after.pixel(x, y) && !painted.contains(QPoint(x, y)))
                        if (missed++ == 0) first = QPoint(x, y);
        EXPECT_EQ(missed, 0) << what << ": changed but not repainted, first at " << first.x() << "," << first.y();
        return painted;
    }
};

}  // namespace

// However the strip got where it is, it lies and draws as one given its final tabs at
// once; and each change repaints on screen everything it altered.
TEST_F(ShownTabStrip, ChangedStepByStepItDrawsAsOneBuiltAtOnce) {
    show({1500, 28});
    const auto same = [&](const char* after) {
        TTabControl anew;
        giveFace(anew);
        anew.setFont(strip.font());
        anew.setButtonStyle(strip.buttonStyle());
        anew.setTabWidth(strip.tabWidth());
        for (int i = 0; i < strip.count(); ++i) anew.addTab(strip.tabText(i));
        anew.setCurrentIndex(strip.currentIndex());
        anew.resize(strip.size());
        anew.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(tabRects(strip), tabRects(anew)) << after;
        EXPECT_TRUE(picture(strip) == picture(anew)) << after;
        EXPECT_EQ(strip.sizeHint(), anew.sizeHint()) << after;
    };
    const auto step = [&](const char* what, const std::function<void()>& change) {
        repaintedBy(change, what);
        same(what);
    };
    step("adds", [&] {
        for (int i = 0; i < 10; ++i) strip.addTab(QStringLiteral("読み込み中"));
    });
    step("titles", [&] {
        for (int i = 0; i < 10; ++i) strip.setTabText(i, QStringLiteral("ページ %1 %2").arg(i).arg(QString(i % 4, QChar(u'長'))));
    });
    strip.setCurrentIndex(4);
    step("a close right of the selection", [&] { strip.removeTab(6); });
    step("the selected tab closed", [&] { strip.removeTab(4); });
    EXPECT_EQ(strip.currentIndex(), 4);
    EXPECT_EQ(strip.tabText(4), QStringLiteral("ページ 5 長"));
    step("a close left of the selection", [&] { strip.removeTab(0); });
    EXPECT_EQ(strip.currentIndex(), 3);
    step("the last tab closed", [&] { strip.removeTab(strip.count() - 1); });
    step("an insert", [&] { strip.insertTab(2, QStringLiteral("新しいページ")); });
    step("a text measured before, on another tab", [&] { strip.setTabText(1, QStringLiteral("ページ 9 長")); });
    step("a shorter title", [&] { strip.setTabText(0, QStringLiteral("短")); });
    step("a fixed width", [&] { strip.setTabWidth(90); });
    step("a title under a fixed width", [&] { strip.setTabText(3, QStringLiteral("とても長いタイトルのページ")); });
    step("an add under a fixed width", [&] { strip.addTab(QStringLiteral("loading")); });
    step("back to widths by text", [&] { strip.setTabWidth(0); });
    step("button style", [&] { strip.setButtonStyle(true); });
    step("a title in button style", [&] { strip.setTabText(2, QStringLiteral("ボタン")); });
    step("tab style again", [&] { strip.setButtonStyle(false); });
    step("a larger font", [&] {
        QFont bigger = strip.font();
        bigger.setPointSize(bigger.pointSize() + 4);
        strip.setFont(bigger);
    });
    step("everything closed", [&] {
        while (strip.count() > 0) strip.removeTab(0);
    });
    EXPECT_EQ(strip.currentIndex(), -1);
}

// A web list's tabs arrive one by one: a retitle repaints from its own tab on, an append
// only about the new tab, never the tabs before them.
TEST_F(ShownTabStrip, AChangeRepaintsOnlyFromItsOwnTabOn) {
    show({1200, 28});
    strip.setTabWidth(0);
    for (int i = 0; i < 6; ++i) strip.addTab(QStringLiteral("ページ %1").arg(i));
    QCoreApplication::processEvents();
    const QList<QRect> rects = tabRects(strip);

    const QRegion retitled = repaintedBy([&] { strip.setTabText(3, QStringLiteral("もっと長いページ 3")); }, "retitle");
    EXPECT_TRUE(retitled.intersects(strip.tabRect(5)));   // moved right
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(retitled.intersects(rects[i])) << i;

    const QRegion appended = repaintedBy([&] { strip.addTab(QStringLiteral("loading")); }, "append");
    EXPECT_TRUE(appended.intersects(strip.tabRect(6)));
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(appended.intersects(strip.tabRect(i))) << i;

    strip.setTabWidth(80);
    QCoreApplication::processEvents();
    const QRegion fixed = repaintedBy([&] { strip.setTabText(2, QStringLiteral("同じ幅")); }, "fixed-width retitle");
    EXPECT_EQ(fixed.boundingRect(), strip.tabRect(2));

    const QRegion selected = repaintedBy([&] { strip.setCurrentIndex(4); }, "selection");
    EXPECT_FALSE(selected.intersects(strip.tabRect(2)));
}

TEST_F(ShownTabStrip, ScrollButtonsShowExactlyWhenTheTabsOverflow) {
    show({400, 28});
    strip.setTabWidth(80);
    QToolButton* back = scrollButton(strip, "ScrollLeftButton");
    QToolButton* on = scrollButton(strip, "ScrollRightButton");
    ASSERT_TRUE(back && on);
    EXPECT_EQ(back->arrowType(), Qt::LeftArrow);
    EXPECT_EQ(on->arrowType(), Qt::RightArrow);
    for (int i = 0; i < 5; ++i) strip.addTab(QStringLiteral("tab %1").arg(i));
    EXPECT_FALSE(back->isVisible() || on->isVisible()) << "400 px of tabs in 400 px";
    strip.addTab(QStringLiteral("one more"));
    EXPECT_TRUE(back->isVisible() && on->isVisible());
    // Both at the right end, over the strip's full height, the tabs left of them.
    EXPECT_EQ(on->geometry().right(), strip.width() - 1);
    EXPECT_GT(on->x(), back->x());
    EXPECT_EQ(back->height(), strip.height());
    strip.removeTab(5);
    EXPECT_FALSE(back->isVisible() || on->isVisible());

    strip.setTabWidth(0);
    strip.resize(strip.sizeHint().width(), 28);
    EXPECT_FALSE(on->isVisible());
    strip.resize(strip.sizeHint().width() - 1, 28);
    EXPECT_TRUE(on->isVisible());
    strip.setTabText(0, QStringLiteral("x"));   // shorter: fits again
    EXPECT_FALSE(on->isVisible());
    EXPECT_EQ(strip.tabRect(0).x(), 0);
}

TEST_F(ShownTabStrip, TheSelectedTabIsScrolledIntoViewAndTheButtonsAndWheelScroll) {
    show({500, 28});
    strip.setTabWidth(75);
    for (int i = 0; i < 40; ++i) strip.addTab(QStringLiteral("tab %1").arg(i));
    QToolButton* back = scrollButton(strip, "ScrollLeftButton");
    QToolButton* on = scrollButton(strip, "ScrollRightButton");
    const int view = back->x();   // the tabs show left of the buttons
    const auto inView = [&](int i) { return strip.tabRect(i).left() >= 0 && strip.tabRect(i).right() < view; };
    EXPECT_TRUE(inView(0));
    EXPECT_FALSE(back->isEnabled());

    strip.setCurrentIndex(30);
    EXPECT_TRUE(inView(30));
    EXPECT_EQ(strip.tabRect(30).right(), view - 1);   // scrolled no further than needed
    EXPECT_TRUE(back->isEnabled() && on->isEnabled());
    // On by a tab at a click: tab 30 ends right at the edge, so the next one comes in.
    QTest::mouseClick(on, Qt::LeftButton);
    EXPECT_EQ(strip.tabRect(31).right(), view - 1);
    strip.setCurrentIndex(2);
    EXPECT_EQ(strip.tabRect(2).left(), 0);
    {
        const QSignalBlocker quiet(&strip);   // the program's own selections scroll too
        strip.setCurrentIndex(39);
    }
    EXPECT_EQ(strip.tabRect(39).right(), view - 1);
    EXPECT_FALSE(on->isEnabled());

    // Back by a tab at a click: the tab cut at the left edge comes whole into view.
    const int cut = strip.tabAt(QPoint(0, 5));
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(strip.tabRect(cut).left(), 0);
    QTest::mouseClick(on, Qt::LeftButton);
    EXPECT_EQ(strip.tabRect(39).right(), view - 1);
    EXPECT_EQ(strip.currentIndex(), 39);   // scrolling selects nothing

    // The wheel: a notch up scrolls back a tab, down scrolls on.
    const QPoint at = strip.tabRect(39).center();
    const auto turn = [&](int angle) {
        QWheelEvent wheel(at, strip.mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&strip, &wheel);
    };
    const int cutAgain = strip.tabAt(QPoint(0, 5));
    turn(120);
    EXPECT_EQ(strip.tabRect(cutAgain).left(), 0);
    turn(-120);
    EXPECT_EQ(strip.tabRect(39).right(), view - 1);

    // Room for every tab: no buttons, nothing scrolled.
    strip.resize(40 * 75, 28);
    EXPECT_FALSE(on->isVisible());
    EXPECT_EQ(strip.tabRect(0).left(), 0);
}

// In both reading directions: right to left the row runs mirrored, scrolled the same.
TEST_F(ShownTabStrip, TabAtFindsTheTabRightToItsEdges) {
    show({700, 28});
    for (int i = 0; i < 30; ++i) strip.addTab(QStringLiteral("ページ %1 %2").arg(i).arg(QString(i % 5, QChar(u'長'))));
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        strip.setLayoutDirection(direction);
        strip.setCurrentIndex(0);
        strip.setCurrentIndex(20);
        const bool rtl = direction == Qt::RightToLeft;
        ASSERT_TRUE(rtl ? strip.tabRect(0).right() >= strip.width() : strip.tabRect(0).left() < 0) << "scrolled";
        ASSERT_TRUE(strip.rect().contains(strip.tabRect(20)));
        for (int i = 0; i < strip.count(); ++i) {
            const QRect r = strip.tabRect(i);
            // The tab just right of this one's right edge.
            const int right = rtl ? i - 1 : (i + 1 < strip.count() ? i + 1 : -1);
            EXPECT_EQ(strip.tabAt(r.topLeft()), i);
            EXPECT_EQ(strip.tabAt(r.bottomRight()), i);
            EXPECT_EQ(strip.tabAt(QPoint(r.right() + 1, r.top())), right);
            EXPECT_EQ(strip.tabAt(QPoint(r.left(), r.bottom() + 1)), -1) << "below the tabs";
            EXPECT_EQ(strip.tabAt(QPoint(r.left(), -1)), -1);
            // The search over an area agrees at the same edges.
            const int other = right < 0 ? i : right;
            EXPECT_EQ(strip.tabsWithin(QRect(r.right(), 0, 2, 5)), std::make_pair(std::min(i, other), std::max(i, other)));
        }
        strip.setCurrentIndex(0);
        const QRect first = strip.tabRect(0);
        EXPECT_EQ(strip.tabAt(QPoint(rtl ? first.right() + 1 : first.left() - 1, 5)), -1) << "before the first tab";
    }
}

TEST_F(ShownTabStrip, PressingATabSelectsItAndTheSignalTellsOfEveryChange) {
    show({600, 28});
    QSignalSpy changes(&strip, &TTabControl::currentChanged);
    strip.addTab(QStringLiteral("a"));
    EXPECT_EQ(changes.size(), 1) << "the first tab is selected";
    for (const char* text : {"b", "c", "d"}) strip.addTab(QString::fromLatin1(text));
    EXPECT_EQ(changes.size(), 1);

    QTest::mousePress(&strip, Qt::LeftButton, {}, strip.tabRect(2).center());
    EXPECT_EQ(strip.currentIndex(), 2) << "on the press, before the release";
    QTest::mouseRelease(&strip, Qt::LeftButton, {}, strip.tabRect(2).center());
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes.last().at(0).toInt(), 2);
    QTest::mousePress(&strip, Qt::RightButton, {}, strip.tabRect(1).center());
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(strip.width() - 2, 5));   // beside the tabs
    EXPECT_EQ(strip.currentIndex(), 2);
    {
        const QSignalBlocker quiet(&strip);
        strip.setCurrentIndex(3);
    }
    EXPECT_EQ(changes.size(), 2);
    strip.setCurrentIndex(1);
    EXPECT_EQ(changes.last().at(0).toInt(), 1);

    strip.setTabData(1, 42);
    strip.removeTab(0);   // before the selection: it moves with its tab
    EXPECT_EQ(strip.currentIndex(), 0);
    EXPECT_EQ(strip.tabData(0).toInt(), 42);
    EXPECT_EQ(changes.last().at(0).toInt(), 0);
    strip.removeTab(0);   // the selected one: the tab in its place is selected
    EXPECT_EQ(strip.currentIndex(), 0);
    EXPECT_EQ(strip.tabText(0), QStringLiteral("c"));
    strip.removeTab(1);
    strip.removeTab(0);
    EXPECT_EQ(strip.currentIndex(), -1);
    EXPECT_EQ(changes.last().at(0).toInt(), -1);
    EXPECT_EQ(strip.tabAt(QPoint(5, 5)), -1);
    EXPECT_TRUE(strip.tabRect(0).isNull());
}

// The prefix sums agree with plain addition through any run of appends, inserts,
// removals and width changes, and the search finds the tab at both its edges.
TEST(TabRow, KeepsWhereEachTabBeginsThroughAnyChanges) {
    QRandomGenerator random(7);
    TabRow row;
    std::vector<int> widths;
    const auto check = [&](int round) {
        ASSERT_EQ(row.count(), static_cast<int>(widths.size())) << round;
        int left = 0;
        for (int i = 0; i < row.count(); ++i) {
            ASSERT_EQ(row.left(i), left) << "tab " << i << " in round " << round;
            ASSERT_EQ(row.width(i), widths[static_cast<std::size_t>(i)]);
            ASSERT_EQ(row.indexAt(left), i);
            ASSERT_EQ(row.indexAt(left + widths[static_cast<std::size_t>(i)] - 1), i);
            left += widths[static_cast<std::size_t>(i)];
        }
        ASSERT_EQ(row.left(row.count()), left);
        ASSERT_EQ(row.total(), left);
        ASSERT_EQ(row.indexAt(left), -1);
        ASSERT_EQ(row.indexAt(-1), -1);
    };
    for (int round = 0; round < 600; ++round) {
        const int n = row.count();
        const int width = 1 + random.bounded(200);
        const int at = n > 0 ? random.bounded(n) : 0;
        switch (n == 0 ? 0 : random.bounded(6)) {
        case 0:
        case 1:
            row.append(width);
            widths.push_back(width);
            break;
        case 2:
            row.insert(at, width);
            widths.insert(widths.begin() + at, width);
            break;
        case 3:
            row.remove(at);
            widths.erase(widths.begin() + at);
            break;
        case 4:
            row.remove(n - 1);
            widths.pop_back();
            break;
        default:
            row.setWidth(at, width);
            widths[static_cast<std::size_t>(at)] = width;
        }
        check(round);
    }
    row.clear();
    EXPECT_EQ(row.total(), 0);
    EXPECT_EQ(row.indexAt(0), -1);
}

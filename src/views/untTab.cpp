// The tab strip: one tab per view window, kept in step with the windows through their
// window ids.

#include "app/Main.h"
#include "platform/ErrorBox.h"
#include "platform/Errors.h"
#include "platform/TextLines.h"
#include "settings/Settings.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"

#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QTimer>

namespace {

TViewWindow* viewWindowOf(const QList<QMdiSubWindow*>& children, int id) {
    TViewWindow* found = nullptr;
    for (QMdiSubWindow* child : children)
        if (auto* view = qobject_cast<TViewWindow*>(child); view && view->Tag == id) found = view;
    return found;
}

}  // namespace

std::optional<int> TMainForm::TabPositionOf(int id) const {
    std::optional<int> position;
    for (int i = 0; i < WindowIDs.size(); ++i)
        if (WindowIDs[i].toInt() == id) position = i;
    return position;
}

void TMainForm::RemoveTabOf(int id) {
    if (ClosingFromTab != 0) return;
    const int selected = TabControl1->currentIndex();
    const auto position = TabPositionOf(id);
    if (!position) return;
    {
        const QSignalBlocker quiet(TabControl1);
        TabControl1->removeTab(*position);
        WindowIDs.removeAt(*position);
        if (selected >= 0 && selected < TabControl1->count()) TabControl1->setCurrentIndex(selected);
    }
}

void TMainForm::HitTestPopupTab(const QPoint& globalPos) {
    const int index = TabControl1->tabAt(TabControl1->mapFromGlobal(globalPos));
    PopupTab = index >= 0 ? std::optional<int>(index) : std::nullopt;
}

void TMainForm::CloseTab(int p) {
    if (p < 0 || p >= WindowIDs.size()) return;
    const int id = WindowIDs[p].toInt();
    if (TViewWindow* view = viewWindowOf(MDIChildren(), id)) {
        ClosingFromTab = 255;
        struct Reset {
            std::uint8_t& flag;
            ~Reset() { flag = 0; }
        } reset{ClosingFromTab};
        view->close();
    }
    WindowIDs.removeAt(p);
    const QSignalBlocker quiet(TabControl1);
    TabControl1->removeTab(p);
}

void TMainForm::AddTabToCloseList(int p) {
    if (p < 0 || p >= WindowIDs.size()) return;
    const QString path = AppPath + QStringLiteral("CloseURL.txt");
    QStringList lines = TextLines::read(path);
    TViewWindow* view = viewWindowOf(MDIChildren(), WindowIDs[p].toInt());
    if (!view) return;
    lines << view->LocationURL();
    TextLines::write(path, lines);
}

void TMainForm::ShowTab(int p) {
    if (p < 0 || p >= WindowIDs.size()) return;
    const int id = WindowIDs[p].toInt();
    for (QMdiSubWindow* child : MDIChildren()) {
        auto* view = qobject_cast<TViewWindow*>(child);
        if (!view || view->Tag != id) continue;
        if (view->isMinimized()) view->showNormal();
        view->show();
        MDIClient->setActiveSubWindow(view);
        view->raise();
    }
}

TMainForm::TabColours TMainForm::ReadTabColours() const {
    const Settings ini(configPath());
    return {ini.Read(Keys::ActivateChColor), ini.Read(Keys::ActivateBGColor), ini.Read(Keys::DeActivateChColor),
            ini.Read(Keys::DeActivateBGColor)};
}

void TMainForm::SelectTab(int index) {
    // The program's own selection runs no change handler; only the user's does.
    const QSignalBlocker quiet(TabControl1);
    TabControl1->setCurrentIndex(index);
}

TMainForm::TabColours TMainForm::PaintTabColours() {
    try {
        const TabColours colours = ReadTabColours();
        lastTabColourError_.clear();
        return colours;
    } catch (const TavixError& e) {
        // A colour that does not convert is reported once, after the paint: an error
        // box inside painting would repaint and report again without end. Until it is
        // mended the tabs show the standard colours.
        if (e.message() != lastTabColourError_) {
            lastTabColourError_ = e.message();
            QTimer::singleShot(0, this, [message = e.message()] { ErrorBox::show(message); });
        }
        return {clWindowText, clBtnFace, clWindowText, clBtnFace};
    }
}

void TMainForm::TabControl1DrawTab(QPainter& painter, int index, const QRect& rect, bool selected) {
    const QString caption = TabControl1->tabText(index);
    const TabColours colours = PaintTabColours();
    const QColor background = toQColor(selected ? colours.activeBackground : colours.inactiveBackground);
    const QColor text = toQColor(selected ? colours.activeText : colours.inactiveText);
    painter.fillRect(rect, background);
    const QRect textRect = rect.adjusted(0, 0, -10, 0).translated(8, 1);
    painter.setPen(text);
    painter.setFont(TabControl1->font());
    const QString shown = painter.fontMetrics().elidedText(caption, Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
}

void TMainForm::TabControl1Change() { ShowTab(TabControl1->currentIndex()); }

void TMainForm::popTabCloseClick() {
    if (PopupTab) CloseTab(*PopupTab);
}

void TMainForm::popAddCloseClick() {
    if (!PopupTab || *PopupTab >= WindowIDs.size()) return;
    const int p = *PopupTab;
    AddTabToCloseList(p);
    CloseTab(p);
}

#pragma once
// What reaches a Chromium view from the user before the page sees it: its editing keys,
// which must stay with the page rather than fire the frame's shortcuts of the same keys,
// and drags over the page, which go to the host's drop target when it names one.

#include "engines/DocHost.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QDropEvent;
class QKeyEvent;
class QWebEngineView;

namespace Blink {

class PageInput : public QObject, private IDropTarget {
public:
    // host: the host's questions as they stand now (null without a site).
    PageInput(QWebEngineView* view, std::function<IDocHostUIHandler*()> host);
    ~PageInput() override;

    // Keys the page acts on itself (copy, cut, paste, select all, undo, redo).
    static bool isEditingKey(const QKeyEvent* key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QObject* child);
    bool dragEvent(QObject* watched, QEvent* event);
    bool passToPage(QEvent& event);
    QPoint local(QPoint global) const;

    // The page's own drop target, handed to the host with GetDropTarget so that its
    // target can pass a drag on: gives the drag to the view as if nobody stood between.
    HRESULT DragEnter(const QMimeData* data, QPoint pt, std::uint32_t* effect) override;
    HRESULT DragOver(QPoint pt, std::uint32_t* effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(const QMimeData* data, QPoint pt, std::uint32_t* effect) override;

    QPointer<QWebEngineView> view_;
    std::function<IDocHostUIHandler*()> host_;
    IDropTarget* hostTarget_ = nullptr;   // the host's, for the drag under way
    const QMimeData* dragData_ = nullptr;
    // The buttons and keys held in the drag under way, as the page's target passes them on.
    Qt::MouseButtons buttons_;
    Qt::KeyboardModifiers modifiers_;
};

}  // namespace Blink

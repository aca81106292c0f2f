#pragma once
// The widget of an engine whose page is a window of another process: that window,
// embedded, in a container that can show instead of the page why it is gone. The engine
// keeps the page's state; this keeps the widgets and the window in step.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QStackedWidget;
class QWindow;

class EmbeddedPage {
public:
    EmbeddedPage();
    ~EmbeddedPage();
    EmbeddedPage(const EmbeddedPage&) = delete;
    EmbeddedPage& operator=(const EmbeddedPage&) = delete;

    // The engine's widget; null once Qt has deleted it with its parent.
    QWidget* widget() const;
    // The holder of the embedded window (or of a widget put in its place).
    QWidget* holder() const { return holder_; }
    // The embedded window's container widget; null while none is embedded.
    QWidget* pageWidget() const { return pageWidget_; }

    // Embeds the window and shows it; the container gives the keyboard to it. Returns
    // the widget holding it (null if the window cannot be had), for the engine to watch.
    QWidget* embed(WId window);
    // Takes the window out of ours before ours goes, so that X does not destroy it with
    // ours: its own process closes it.
    void release();
    // Forgets a window that died with its process.
    void drop();
    // Puts a widget of the engine's own where the page goes (an engine serving in its
    // place), with the keyboard.
    void place(QWidget* widget);

    void showGone(const QString& message);
    void showPage();
    bool showsGone() const;

private:
    QPointer<QStackedWidget> container_;
    QPointer<QWidget> holder_;
    QPointer<QLabel> goneLabel_;
    QPointer<QWidget> pageWidget_;
    QPointer<QWindow> foreign_;
};

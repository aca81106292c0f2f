#pragma once
// HandleAppMessage: the frame's application-wide key filter, in force until a page
// engine installs its own.

#include <QObject>

class QMdiArea;

class AppMessageFilter : public QObject {
    Q_OBJECT
public:
    // Installs the filter for the frame's MDI client area (once).
    static void install(QObject* frame);

    // Enter pressed on the MDI client area itself is left unhandled, so it goes on to
    // the area; every other event is left untouched. Returns the "handled" flag.
    static bool HandleAppMessage(QObject* target, QEvent* event, bool handled);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit AppMessageFilter(QObject* parent) : QObject(parent) {}
};

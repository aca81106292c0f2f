#pragma once
// The engine controls a window embeds, and the two call forms of the engine operations.
//
// A view window creates its control as a child widget; the control creates its engine
// through the class registry at once (an unregistered class raises the "class not
// registered" ComError from the constructor), embeds the engine's widget and keeps it
// sized. The window listens to events() and calls the operations below, which raise
// ComError on failure.

#include "engines/WebBrowser2.h"

#include <QWidget>
#include <cstddef>
#include <memory>

enum class EngineForm { IE, Gecko };

// One engine addressed in one call form. An empty target stands for "no active view
// window": every operation on it does nothing. Every result code is checked, and a
// failure raises ComError with the system's text, except the IE form of ExecWB, which
// ignores every failure.
//
//   IE form:    Navigate(url, Flags = I4 0, TargetFrameName = BSTR "", PostData = empty,
//               Headers = empty); ExecWB(cmd, OLECMDEXECOPT_DONTPROMPTUSER, in, out = empty)
//   Gecko form: Navigate(url, missing, missing, missing, missing);
//               ExecWB(cmd, OLECMDEXECOPT_DODEFAULT, missing, missing)
class EngineTarget {
public:
    EngineTarget() = default;
    EngineTarget(WebBrowser2* browser, EngineForm form) : browser_(browser), form_(form) {}

    explicit operator bool() const { return browser_ != nullptr; }
    WebBrowser2* browser() const { return browser_; }
    EngineForm form() const { return form_; }

    void Navigate(const QString& address) const;
    void GoBack() const;
    void GoForward() const;
    void Refresh() const;
    void Stop() const;
    // In this target's form; the Gecko form passes missing whatever pvaIn is.
    void ExecWB(int command, const Variant& pvaIn = Variant()) const;
    // The IE form whatever this target's form (the text size is always sent so).
    void ExecWBIEForm(int command, const Variant& pvaIn = Variant()) const;
    // Property 211; empty without a browser.
    QString LocationURL() const;
    // Property 212; false without a browser.
    bool Busy() const;

private:
    WebBrowser2* browser_ = nullptr;
    EngineForm form_ = EngineForm::IE;
};

// The common part of the three controls.
class TEngineControl : public QWidget {
    Q_OBJECT
public:
    ~TEngineControl() override;

    const QString& classId() const { return classId_; }
    EngineForm form() const { return form_; }

    // The control interface (IWebBrowser2), obtained on first use and kept for the
    // control's life.
    WebBrowser2& ControlInterface();
    // The events of this control's engine.
    DWebBrowserEvents2& events();
    // This control addressed in its own form.
    EngineTarget target() { return EngineTarget(&ControlInterface(), form_); }

    void Navigate(const QString& address) { target().Navigate(address); }
    void GoBack() { target().GoBack(); }
    void GoForward() { target().GoForward(); }
    void Refresh() { target().Refresh(); }
    void Stop() { target().Stop(); }
    void ExecWB(int command, const Variant& pvaIn = Variant()) { target().ExecWB(command, pvaIn); }
    QString LocationURL() { return target().LocationURL(); }
    bool Busy() { return target().Busy(); }

protected:
    TEngineControl(const QString& classId, EngineForm form, QWidget* parent);

private:
    QString classId_;
    EngineForm form_;
    std::unique_ptr<WebBrowser2> engine_;
    WebBrowser2* controlInterface_ = nullptr;
};

// The Gecko control of a Gecko view window (TWeb_MZ).
class TMozillaBrowser : public TEngineControl {
    Q_OBJECT
public:
    explicit TMozillaBrowser(QWidget* parent = nullptr);
};

// The plain IE control of a popup receiver window (WebBrowser1). The IE control of an IE
// view window, with its host customisation, is TUIWebBrowser (engines/UIWebBrowser.h).
class TWebBrowser : public TEngineControl {
    Q_OBJECT
public:
    explicit TWebBrowser(QWidget* parent = nullptr);
};

// The name every IE view window bears; any other active child is driven in the Gecko form.
inline const QString IEViewWindowName = QStringLiteral("frm_ie");

// The dispatch rule: the engine of a view window, in the form its name chooses ("frm_ie",
// exact and case-sensitive: IE; anything else: Gecko). No window, or a window without an
// engine control, gives an empty target on which every operation does nothing. The view
// layer applies it to the frame's active child.
EngineTarget DispatchRule(QWidget* viewWindow);
inline EngineTarget DispatchRule(std::nullptr_t) { return {}; }

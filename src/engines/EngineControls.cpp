#include "engines/EngineControls.h"

#include "engines/EngineRegistry.h"

#include <QVBoxLayout>

void EngineTarget::Navigate(const QString& address) const {
    if (!browser_) return;
    if (form_ == EngineForm::IE)
        OleCheck(browser_->Navigate(address, Variant::fromInt(0), Variant::fromString(QString()), Variant(), Variant()));
    else
        OleCheck(browser_->Navigate(address, Variant::missing(), Variant::missing(), Variant::missing(), Variant::missing()));
}

void EngineTarget::GoBack() const {
    if (browser_) OleCheck(browser_->GoBack());
}

void EngineTarget::GoForward() const {
    if (browser_) OleCheck(browser_->GoForward());
}

void EngineTarget::Refresh() const {
    if (browser_) OleCheck(browser_->Refresh());
}

void EngineTarget::Stop() const {
    if (browser_) OleCheck(browser_->Stop());
}

void EngineTarget::ExecWB(int command, const Variant& pvaIn) const {
    if (!browser_) return;
    if (form_ == EngineForm::IE) {
        ExecWBIEForm(command, pvaIn);
        return;
    }
    Variant out = Variant::missing();
    OleCheck(browser_->ExecWB(command, OLECMDEXECOPT_DODEFAULT, Variant::missing(), &out));
}

void EngineTarget::ExecWBIEForm(int command, const Variant& pvaIn) const {
    if (!browser_) return;
    Variant out;
    // The IE form never reports: Save As, Copy, Select All and the text size stay silent
    // when the engine refuses them.
    (void)browser_->ExecWB(command, OLECMDEXECOPT_DONTPROMPTUSER, pvaIn, &out);
}

QString EngineTarget::LocationURL() const {
    if (!browser_) return {};
    Variant value;
    OleCheck(browser_->GetProperty(DISPID_LOCATIONURL, value));
    if (value.type() != VT_BSTR && !value.isEmpty()) throw ComError(DISP_E_TYPEMISMATCH);
    return value.toString();
}

bool EngineTarget::Busy() const {
    if (!browser_) return false;
    Variant value;
    OleCheck(browser_->GetProperty(DISPID_BUSY, value));
    if (value.type() != VT_BOOL && value.type() != VT_I4) throw ComError(DISP_E_TYPEMISMATCH);
    return value.toBool();
}

TEngineControl::TEngineControl(const QString& classId, EngineForm form, QWidget* parent)
    : QWidget(parent), classId_(classId), form_(form), engine_(EngineRegistry::createInstance(classId)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (QWidget* view = engine_->widget()) layout->addWidget(view);
}

TEngineControl::~TEngineControl() {
    // The engine goes first, while its widget is still ours; it may delete the widget
    // itself, and Qt deletes whatever child remains.
    engine_.reset();
}

WebBrowser2& TEngineControl::ControlInterface() {
    if (!controlInterface_) controlInterface_ = engine_.get();
    return *controlInterface_;
}

DWebBrowserEvents2& TEngineControl::events() { return engine_->events(); }

TMozillaBrowser::TMozillaBrowser(QWidget* parent) : TEngineControl(CLASS_MozillaBrowser, EngineForm::Gecko, parent) {}

TWebBrowser::TWebBrowser(QWidget* parent) : TEngineControl(CLASS_WebBrowser, EngineForm::IE, parent) {}

EngineTarget DispatchRule(QWidget* viewWindow) {
    if (!viewWindow) return {};
    auto* control = viewWindow->findChild<TEngineControl*>();
    if (!control) return {};
    const EngineForm form = viewWindow->objectName() == IEViewWindowName ? EngineForm::IE : EngineForm::Gecko;
    return EngineTarget(&control->ControlInterface(), form);
}

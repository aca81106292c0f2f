#include "FakeEngine.h"

#include <QWidget>

namespace {

// Every fake alive, in creation order, so that FakeEngines can hand them out without
// owning them (their controls do).
QList<FakeEngine*>& liveFakes() {
    static QList<FakeEngine*> fakes;
    return fakes;
}

}  // namespace

FakeEngine::FakeEngine(QString id) : classId(std::move(id)), widget_(new QWidget) {
    widget_->setObjectName(QStringLiteral("FakeEngineView"));
    liveFakes().append(this);
}

FakeEngine::~FakeEngine() {
    liveFakes().removeOne(this);
    delete widget_.data();
}

HRESULT FakeEngine::record(const QString& method, QList<Variant> args) {
    calls.append({method, std::move(args)});
    if (failAll_ != S_OK) return failAll_;
    return failMethod_.value(method, S_OK);
}

HRESULT FakeEngine::Navigate(const QString& url, const Variant& flags, const Variant& targetFrameName,
                             const Variant& postData, const Variant& headers) {
    return record(QStringLiteral("Navigate"), {Variant::fromString(url), flags, targetFrameName, postData, headers});
}

HRESULT FakeEngine::GoBack() { return record(QStringLiteral("GoBack"), {}); }
HRESULT FakeEngine::GoForward() { return record(QStringLiteral("GoForward"), {}); }
HRESULT FakeEngine::Refresh() { return record(QStringLiteral("Refresh"), {}); }
HRESULT FakeEngine::Stop() { return record(QStringLiteral("Stop"), {}); }

HRESULT FakeEngine::ExecWB(int cmdID, int cmdexecopt, const Variant& pvaIn, Variant* pvaOut) {
    return record(QStringLiteral("ExecWB"), {Variant::fromInt(cmdID), Variant::fromInt(cmdexecopt), pvaIn,
                                             pvaOut ? *pvaOut : Variant()});
}

HRESULT FakeEngine::GetProperty(int dispId, Variant& result) {
    const HRESULT code = record(QStringLiteral("GetProperty"), {Variant::fromInt(dispId)});
    if (FAILED(code)) return code;
    switch (dispId) {
    case DISPID_LOCATIONURL: result = Variant::fromString(locationURL); return S_OK;
    case DISPID_BUSY: result = Variant::fromBool(busy); return S_OK;
    case DISPID_NAME: result = Variant::fromString(name); return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT FakeEngine::Find(const QString& text, bool forward, bool matchCase) {
    return record(QStringLiteral("Find"), {Variant::fromString(text), Variant::fromBool(forward), Variant::fromBool(matchCase)});
}

HRESULT FakeEngine::StopFinding() { return record(QStringLiteral("StopFinding"), {}); }

HRESULT FakeEngine::PrintToPdf(const QString& path, const QPageLayout& layout) {
    const QSizeF mm = layout.fullRect(QPageLayout::Millimeter).size();
    return record(QStringLiteral("PrintToPdf"),
                  {Variant::fromString(path), Variant::fromString(QStringLiteral("%1x%2").arg(qRound(mm.width())).arg(qRound(mm.height())))});
}

QList<FakeCall> FakeEngine::callsOf(const QString& method) const {
    QList<FakeCall> result;
    for (const FakeCall& call : calls)
        if (call.method == method) result.append(call);
    return result;
}

QStringList FakeEngine::callNames() const {
    QStringList names;
    for (const FakeCall& call : calls) names.append(call.method);
    return names;
}

FakeEngine* FakeEngine::of(TEngineControl* control) {
    return control ? dynamic_cast<FakeEngine*>(&control->ControlInterface()) : nullptr;
}

FakeEngines::FakeEngines()
    : ie_(CLASS_WebBrowser, [] { return std::make_unique<FakeEngine>(CLASS_WebBrowser); }),
      gecko_(CLASS_MozillaBrowser, [] { return std::make_unique<FakeEngine>(CLASS_MozillaBrowser); }) {}

QList<FakeEngine*> FakeEngines::created() const { return liveFakes(); }

FakeEngine* FakeEngines::last() const { return liveFakes().isEmpty() ? nullptr : liveFakes().last(); }

#pragma once
// A recording engine for unit and widget tests.
//
//     FakeEngines fakes;                        // registers under the IE and Gecko class ids
//     Tfrm_IE window;                           // its TUIWebBrowser creates a FakeEngine
//     FakeEngine* engine = fakes.last();        // or FakeEngine::of(control)
//     engine->locationURL = "http://a/";        // what property 211 reports
//     engine->busy = true;                      // what property 212 reports
//     engine->failWith(E_FAIL);                 // every call fails from now on
//     engine->failWith("ExecWB", E_ACCESSDENIED); // only that method fails
//     engine->events().fireTitleChange("t");    // raise any event (or events().Invoke)
//     engine->calls / engine->callsOf("Navigate") // what the program called, with arguments
//
// Recorded arguments, in order:
//   Navigate:    url (BSTR), Flags, TargetFrameName, PostData, Headers — as passed
//   GoBack, GoForward, Refresh, Stop: none
//   ExecWB:      command (I4), option (I4), pvaIn, pvaOut (as passed; empty when null)
//   GetProperty: dispatch id (I4)
//   Find:        text (BSTR), forward (BOOL), matchCase (BOOL); StopFinding: none
//   PrintToPdf:  path (BSTR), the page in whole millimetres as it lies (BSTR "210x297")
// Calls are recorded whether or not they fail.

#include "engines/EngineControls.h"
#include "engines/EngineRegistry.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <vector>

struct FakeCall {
    QString method;
    QList<Variant> args;
};

class FakeEngine : public WebBrowser2 {
public:
    explicit FakeEngine(QString classId = CLASS_WebBrowser);
    ~FakeEngine() override;

    HRESULT Navigate(const QString& url, const Variant& flags, const Variant& targetFrameName,
                     const Variant& postData, const Variant& headers) override;
    HRESULT GoBack() override;
    HRESULT GoForward() override;
    HRESULT Refresh() override;
    HRESULT Stop() override;
    HRESULT ExecWB(int cmdID, int cmdexecopt, const Variant& pvaIn, Variant* pvaOut) override;
    HRESULT GetProperty(int dispId, Variant& result) override;
    QWidget* widget() override { return widget_; }
    void SetClientSite(IOleClientSite* site) override { clientSite = site; }
    IOleInPlaceActiveObject* QueryInPlaceActiveObject() override { return hasActiveObject ? &accelerators : nullptr; }
    // Find and print only record; a test raises FindResult and PrintFinished itself.
    HRESULT Find(const QString& text, bool forward, bool matchCase) override;
    HRESULT StopFinding() override;
    HRESULT PrintToPdf(const QString& path, const QPageLayout& layout) override;

    // Every later call fails with the code (S_OK: none fails).
    void failWith(HRESULT code) { failAll_ = code; }
    // Later calls of one method ("Navigate", "ExecWB", "GetProperty", ...) fail with the code.
    void failWith(const QString& method, HRESULT code) { failMethod_[method] = code; }

    // The calls of one method, in order.
    QList<FakeCall> callsOf(const QString& method) const;
    // The method names of all calls, in order.
    QStringList callNames() const;

    // The engine behind a control created while FakeEngines is registered; null otherwise.
    static FakeEngine* of(TEngineControl* control);

    const QString classId;
    QList<FakeCall> calls;
    QString locationURL;
    bool busy = false;
    QString name = QStringLiteral("Fake");
    // The site the hosting control gave (null: none).
    IOleClientSite* clientSite = nullptr;
    // The engine's accelerator translation: records the keys it is offered; throws on
    // demand; missing when hasActiveObject is false.
    struct Accelerators : IOleInPlaceActiveObject {
        HRESULT TranslateAccelerator(const TMessage& msg) override {
            keys.append(msg.wParam);
            if (throwOnKey) throw ComError(E_FAIL);
            return S_FALSE;
        }
        QList<std::uint32_t> keys;
        bool throwOnKey = false;
    } accelerators;
    bool hasActiveObject = true;

private:
    HRESULT record(const QString& method, QList<Variant> args);
    HRESULT failAll_ = S_OK;
    QMap<QString, HRESULT> failMethod_;
    QPointer<QWidget> widget_;
};

// Registers FakeEngine under the IE and Gecko class ids for its lifetime (restoring what
// was registered before) and keeps the engines it creates.
class FakeEngines {
public:
    FakeEngines();
    // Every FakeEngine alive, in creation order.
    QList<FakeEngine*> created() const;
    // The most recently created engine that still lives; null if none.
    FakeEngine* last() const;

private:
    EngineRegistry::ScopedRegistration ie_;
    EngineRegistry::ScopedRegistration gecko_;
};

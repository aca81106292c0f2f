// The two call forms of the engine operations, the control classes and the dispatch rule,
// checked against the recording fake.

#include "FakeEngine.h"
#include "TestSupport.h"
#include "engines/UIWebBrowser.h"
#include "platform/ErrorBox.h"
#include "views/ViewWindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace {

const Variant Empty;
const Variant Missing = Variant::missing();

// A view window as the view layer builds one: a named widget holding its control.
struct ViewWindow {
    explicit ViewWindow(const QString& name, bool gecko = false) : widget(std::make_unique<QWidget>()) {
        widget->setObjectName(name);
        control = gecko ? static_cast<TEngineControl*>(new TMozillaBrowser(widget.get()))
                        : static_cast<TEngineControl*>(new TUIWebBrowser(widget.get()));
        engine = FakeEngine::of(control);
    }
    std::unique_ptr<QWidget> widget;
    TEngineControl* control = nullptr;
    FakeEngine* engine = nullptr;
};

QString comErrorText(const std::function<void()>& call) {
    try {
        call();
    } catch (const ComError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

}  // namespace

TEST(EngineForms, NavigateArgumentsDifferByForm) {
    FakeEngines fakes;
    TUIWebBrowser ie;
    TMozillaBrowser gecko;
    ie.Navigate(QStringLiteral("http://例え.jp/ページ"));
    gecko.Navigate(QStringLiteral("about:blank"));

    const auto ieCall = FakeEngine::of(&ie)->callsOf("Navigate").value(0);
    ASSERT_EQ(ieCall.args.size(), 5);
    EXPECT_EQ(ieCall.args[0], Variant::fromString(QStringLiteral("http://例え.jp/ページ")));
    EXPECT_EQ(ieCall.args[1].type(), VT_I4);
    EXPECT_EQ(ieCall.args[1].toInt(), 0);
    EXPECT_EQ(ieCall.args[2].type(), VT_BSTR);
    EXPECT_EQ(ieCall.args[2].toString(), QString());
    EXPECT_TRUE(ieCall.args[3].isEmpty());
    EXPECT_TRUE(ieCall.args[4].isEmpty());

    const auto geckoCall = FakeEngine::of(&gecko)->callsOf("Navigate").value(0);
    ASSERT_EQ(geckoCall.args.size(), 5);
    EXPECT_EQ(geckoCall.args[0].toString(), QStringLiteral("about:blank"));
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(geckoCall.args[i].type(), VT_ERROR) << i;
        EXPECT_EQ(geckoCall.args[i].errorCode(), DISP_E_PARAMNOTFOUND) << i;
    }
}

TEST(EngineForms, IENavigatesToAnEmptyAddressToo) {
    FakeEngines fakes;
    TUIWebBrowser ie;
    ie.Navigate(QString());
    ASSERT_EQ(FakeEngine::of(&ie)->callsOf("Navigate").size(), 1);
    EXPECT_EQ(FakeEngine::of(&ie)->callsOf("Navigate")[0].args[0].type(), VT_BSTR);
}

TEST(EngineForms, HistoryAndLoadCallsTakeNoArguments) {
    FakeEngines fakes;
    for (bool gecko : {false, true}) {
        ViewWindow view(gecko ? "frm_MZ" : "frm_ie", gecko);
        view.control->GoBack();
        view.control->GoForward();
        view.control->Refresh();
        view.control->Stop();
        EXPECT_EQ(view.engine->callNames(), QStringList({"GoBack", "GoForward", "Refresh", "Stop"}));
        for (const FakeCall& call : view.engine->calls) EXPECT_TRUE(call.args.isEmpty());
    }
}

TEST(EngineForms, ExecWBArgumentsDifferByForm) {
    FakeEngines fakes;
    TUIWebBrowser ie;
    TMozillaBrowser gecko;
    ie.ExecWB(OLECMDID_SAVEAS);
    ie.target().ExecWBIEForm(OLECMDID_ZOOM, Variant::fromInt(3));
    gecko.ExecWB(OLECMDID_COPY, Variant::fromInt(7));  // the Gecko form passes no input

    const auto ieCalls = FakeEngine::of(&ie)->callsOf("ExecWB");
    ASSERT_EQ(ieCalls.size(), 2);
    EXPECT_EQ(ieCalls[0].args, QList<Variant>({Variant::fromInt(4), Variant::fromInt(2), Empty, Empty}));
    EXPECT_EQ(ieCalls[1].args, QList<Variant>({Variant::fromInt(19), Variant::fromInt(2), Variant::fromInt(3), Empty}));

    const auto geckoCalls = FakeEngine::of(&gecko)->callsOf("ExecWB");
    ASSERT_EQ(geckoCalls.size(), 1);
    EXPECT_EQ(geckoCalls[0].args, QList<Variant>({Variant::fromInt(12), Variant::fromInt(0), Missing, Missing}));
}

TEST(EngineForms, PropertiesAreReadByDispatchId) {
    FakeEngines fakes;
    TMozillaBrowser gecko;
    FakeEngine* engine = FakeEngine::of(&gecko);
    engine->locationURL = QStringLiteral("http://127.0.0.1/日本語");
    engine->busy = true;
    EXPECT_EQ(gecko.LocationURL(), QStringLiteral("http://127.0.0.1/日本語"));
    EXPECT_TRUE(gecko.Busy());
    ASSERT_EQ(engine->callsOf("GetProperty").size(), 2);
    EXPECT_EQ(engine->callsOf("GetProperty")[0].args[0].toInt(), 211);
    EXPECT_EQ(engine->callsOf("GetProperty")[1].args[0].toInt(), 212);
}

TEST(EngineFailures, IEExecWBSwallowsEveryFailure) {
    FakeEngines fakes;
    ErrorRecorder errors;
    TUIWebBrowser ie;
    FakeEngine::of(&ie)->failWith(E_ACCESSDENIED);
    for (int command : {OLECMDID_SAVEAS, OLECMDID_COPY, OLECMDID_SELECTALL, OLECMDID_ZOOM})
        EXPECT_NO_THROW(ie.ExecWB(command));
    EXPECT_EQ(FakeEngine::of(&ie)->callsOf("ExecWB").size(), 4);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST(EngineFailures, GeckoExecWBReportsTheSystemText) {
    FakeEngines fakes;
    TMozillaBrowser gecko;
    FakeEngine::of(&gecko)->failWith("ExecWB", OLECMDERR_E_NOTSUPPORTED);
    EXPECT_EQ(comErrorText([&] { gecko.ExecWB(OLECMDID_SAVEAS); }), QStringLiteral("コマンドはサポートされていません"));
}

TEST(EngineFailures, EveryOtherFailedCallRaisesInBothForms) {
    FakeEngines fakes;
    for (bool gecko : {false, true}) {
        ViewWindow view(gecko ? "frm_MZ" : "frm_ie", gecko);
        view.engine->failWith(E_FAIL);
        TEngineControl& c = *view.control;
        const QString text = QStringLiteral("エラーを特定できません");
        EXPECT_EQ(comErrorText([&] { c.Navigate("a"); }), text);
        EXPECT_EQ(comErrorText([&] { c.GoBack(); }), text);
        EXPECT_EQ(comErrorText([&] { c.GoForward(); }), text);
        EXPECT_EQ(comErrorText([&] { c.Refresh(); }), text);
        EXPECT_EQ(comErrorText([&] { c.Stop(); }), text);
        EXPECT_EQ(comErrorText([&] { c.LocationURL(); }), text);
        EXPECT_EQ(comErrorText([&] { c.Busy(); }), text);
    }
}

TEST(EngineFailures, AnUnknownCodeReadsAsOleError) {
    FakeEngines fakes;
    TUIWebBrowser ie;
    FakeEngine::of(&ie)->failWith("Stop", hr(0x800C0005));
    EXPECT_EQ(comErrorText([&] { ie.Stop(); }), QStringLiteral("OLE エラー 800C0005"));
}

TEST(EngineFailures, PropertyOfTheWrongTypeIsATypeMismatch) {
    // An engine answering Busy with a string is broken; reading it must not pass as "idle".
    struct WrongTypes : FakeEngine {
        HRESULT GetProperty(int, Variant& result) override {
            result = Variant::fromString(QStringLiteral("yes"));
            return S_OK;
        }
    };
    EngineRegistry::ScopedRegistration reg(CLASS_WebBrowser, [] { return std::make_unique<WrongTypes>(); });
    TUIWebBrowser ie;
    EXPECT_EQ(comErrorText([&] { ie.Busy(); }), QStringLiteral("型が一致しません。"));
    EXPECT_EQ(ie.LocationURL(), QStringLiteral("yes"));
}

TEST(EngineRegistry, UnregisteredClassIsReportedAsSuch) {
    EngineRegistry::ScopedRegistration none(CLASS_MozillaBrowser, nullptr);
    try {
        TMozillaBrowser gecko;
        FAIL() << "created without a factory";
    } catch (const ComError& e) {
        EXPECT_EQ(e.code(), REGDB_E_CLASSNOTREG);
        EXPECT_EQ(e.message(), QStringLiteral("クラスが登録されていません"));
    }
}

TEST(EngineRegistry, ClassIdsIgnoreCaseAndScopesRestore) {
    EngineRegistry::ScopedRegistration outer(CLASS_WebBrowser, [] { return std::make_unique<FakeEngine>(); });
    {
        EngineRegistry::ScopedRegistration inner(CLASS_WebBrowser.toLower(), nullptr);
        EXPECT_FALSE(EngineRegistry::isRegistered(CLASS_WebBrowser));
    }
    EXPECT_TRUE(EngineRegistry::isRegistered(CLASS_WebBrowser));
    EXPECT_NE(EngineRegistry::createInstance(QStringLiteral("{8856f961-340a-11d0-a96b-00c04fd705a2}")), nullptr);
}

TEST(EngineRegistry, FactoryGivingNothingIsAServerFailure) {
    EngineRegistry::ScopedRegistration reg(CLASS_WebBrowser, [] { return std::unique_ptr<WebBrowser2>(); });
    try {
        TWebBrowser browser;
        FAIL();
    } catch (const ComError& e) {
        EXPECT_EQ(e.code(), CO_E_SERVER_EXEC_FAILURE);
    }
}

TEST(EngineControl, KeepsOneControlInterfaceAndEmbedsTheEngine) {
    FakeEngines fakes;
    auto* browser = new TWebBrowser;
    FakeEngine* engine = fakes.last();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(&browser->ControlInterface(), static_cast<WebBrowser2*>(engine));
    EXPECT_EQ(&browser->ControlInterface(), &browser->ControlInterface());
    EXPECT_EQ(engine->widget()->parentWidget(), browser);
    EXPECT_EQ(browser->form(), EngineForm::IE);
    EXPECT_EQ(browser->classId(), CLASS_WebBrowser);
    delete browser;
    EXPECT_TRUE(fakes.created().isEmpty());
}

TEST(EngineEvents, TheEighteenIdsInTheirOrder) {
    const std::array<int, 18> expected = {102, 108, 105, 106, 104, 113, 112, 250, 251,
                                          252, 259, 253, 254, 255, 256, 257, 258, 260};
    EXPECT_EQ(WebBrowserEventDispIds, expected);
    for (int id : WebBrowserEventDispIds) EXPECT_FALSE(webBrowserEventName(id).isEmpty()) << id;
    EXPECT_EQ(webBrowserEventName(113), QStringLiteral("TitleChange"));
    EXPECT_TRUE(webBrowserEventName(211).isEmpty());
}

TEST(EngineEvents, InvokeDeliversTypedEventsAndReturnsInOutArguments) {
    FakeEngines fakes;
    TUIWebBrowser ie;
    DWebBrowserEvents2& events = ie.events();
    QStringList seen;
    QObject::connect(&events, &DWebBrowserEvents2::TitleChange, [&](const QString& t) { seen << "title:" + t; });
    QObject::connect(&events, &DWebBrowserEvents2::ProgressChange,
                     [&](int p, int m) { seen << QStringLiteral("progress:%1/%2").arg(p).arg(m); });
    QObject::connect(&events, &DWebBrowserEvents2::CommandStateChange,
                     [&](int c, bool e) { seen << QStringLiteral("csc:%1:%2").arg(c).arg(e); });
    QObject::connect(&events, &DWebBrowserEvents2::BeforeNavigate2,
                     [&](IDispatch*, const Variant& url, const Variant&, const Variant&, const Variant&,
                         const Variant&, bool& cancel) { cancel = url.toString().startsWith("file:"); });
    FakeEngine receiver;
    QObject::connect(&events, &DWebBrowserEvents2::NewWindow2,
                     [&](Variant& ppDisp, bool&) { ppDisp = Variant::fromDispatch(&receiver); });

    QList<Variant> args{Variant::fromString(QStringLiteral("日本語"))};
    EXPECT_EQ(events.Invoke(DISPID_TITLECHANGE, args), S_OK);
    args = {Variant::fromInt(50), Variant::fromInt(200)};
    EXPECT_EQ(events.Invoke(DISPID_PROGRESSCHANGE, args), S_OK);
    args = {Variant::fromInt(CSC_NAVIGATEBACK), Variant::fromBool(true)};
    EXPECT_EQ(events.Invoke(DISPID_COMMANDSTATECHANGE, args), S_OK);
    EXPECT_EQ(seen, QStringList({"title:日本語", "progress:50/200", "csc:2:1"}));

    QList<Variant> nav{Variant::fromDispatch(&ie.ControlInterface()), Variant::fromString("file:///etc/passwd"),
                       Empty, Empty, Empty, Empty, Variant::fromBool(false)};
    EXPECT_EQ(events.Invoke(DISPID_BEFORENAVIGATE2, nav), S_OK);
    EXPECT_TRUE(nav[6].toBool());
    EXPECT_TRUE(events.fireBeforeNavigate2(nullptr, QStringLiteral("file:///x")));
    EXPECT_FALSE(events.fireBeforeNavigate2(nullptr, QStringLiteral("http://x/")));

    QList<Variant> popup{Empty, Variant::fromBool(false)};
    EXPECT_EQ(events.Invoke(DISPID_NEWWINDOW2, popup), S_OK);
    EXPECT_EQ(popup[0].type(), VT_DISPATCH);
    EXPECT_EQ(dynamic_cast<WebBrowser2*>(popup[0].toDispatch()), &receiver);
    EXPECT_FALSE(popup[1].toBool());

    QList<Variant> none;
    EXPECT_EQ(events.Invoke(211, none), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(events.Invoke(DISPID_BEFORENAVIGATE2, none), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(events.Invoke(DISPID_ONQUIT, none), S_OK);
}

TEST(EngineEvents, AFailingHandlerReachesTheErrorBoxNotTheEngine) {
    FakeEngines fakes;
    ErrorRecorder errors;
    TUIWebBrowser ie;
    FakeEngine::of(&ie)->failWith("GetProperty", E_FAIL);
    // A title handler that reads the address, as the view windows do.
    QObject::connect(&ie.events(), &DWebBrowserEvents2::TitleChange, [&](const QString&) { ie.LocationURL(); });
    EXPECT_NO_THROW(ie.events().fireTitleChange(QStringLiteral("t")));
    EXPECT_EQ(errors.messages, QStringList({QStringLiteral("エラーを特定できません")}));
}

TEST(EngineDispatchRule, NoActiveChildDoesNothing) {
    ErrorRecorder errors;
    const EngineTarget none = DispatchRule(nullptr);
    EXPECT_FALSE(none);
    EXPECT_NO_THROW({
        none.Navigate("x");
        none.GoBack();
        none.GoForward();
        none.Stop();
        none.Refresh();
        none.ExecWB(OLECMDID_SAVEAS);
        none.ExecWBIEForm(OLECMDID_ZOOM, Variant::fromInt(2));
    });
    EXPECT_FALSE(none.Busy());
    EXPECT_EQ(none.LocationURL(), QString());
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST(EngineDispatchRule, TheNameChoosesTheForm) {
    FakeEngines fakes;
    ViewWindow ie("frm_ie");
    ViewWindow gecko("frm_MZ", true);
    ViewWindow oddCase("FRM_IE");   // case counts: not an IE window
    ViewWindow padded("frm_ie ");   // the whole name counts

    EXPECT_EQ(DispatchRule(ie.widget.get()).form(), EngineForm::IE);
    EXPECT_EQ(DispatchRule(gecko.widget.get()).form(), EngineForm::Gecko);
    EXPECT_EQ(DispatchRule(oddCase.widget.get()).form(), EngineForm::Gecko);
    EXPECT_EQ(DispatchRule(padded.widget.get()).form(), EngineForm::Gecko);
    EXPECT_EQ(DispatchRule(ie.widget.get()).browser(), ie.engine);

    DispatchRule(oddCase.widget.get()).Navigate("x");
    EXPECT_TRUE(oddCase.engine->callsOf("Navigate")[0].args[1].isMissing());
}

TEST(EngineDispatchRule, FollowsTheMdiAreaActiveChild) {
    FakeEngines fakes;
    QMdiArea area;
    area.resize(600, 400);
    area.show();
    ViewWindow ie("frm_ie");
    ViewWindow gecko("frm_MZ", true);
    QMdiSubWindow* ieSub = area.addSubWindow(ie.widget.release());
    QMdiSubWindow* geckoSub = area.addSubWindow(gecko.widget.release());
    ieSub->show();
    geckoSub->show();

    area.setActiveSubWindow(geckoSub);
    DispatchRule(area.activeSubWindow()).ExecWB(OLECMDID_SELECTALL);
    area.setActiveSubWindow(ieSub);
    DispatchRule(area.activeSubWindow()).ExecWB(OLECMDID_SELECTALL);

    ASSERT_EQ(gecko.engine->callsOf("ExecWB").size(), 1);
    EXPECT_EQ(gecko.engine->callsOf("ExecWB")[0].args[1].toInt(), OLECMDEXECOPT_DODEFAULT);
    ASSERT_EQ(ie.engine->callsOf("ExecWB").size(), 1);
    EXPECT_EQ(ie.engine->callsOf("ExecWB")[0].args[1].toInt(), OLECMDEXECOPT_DONTPROMPTUSER);
}

TEST(EngineDispatchRule, AGeckoRefusalIsShownAnIERefusalIsNot) {
    FakeEngines fakes;
    ErrorRecorder errors;
    ViewWindow ie("frm_ie");
    ViewWindow gecko("frm_MZ", true);
    ie.engine->failWith(E_ACCESSDENIED);
    gecko.engine->failWith(E_ACCESSDENIED);
    ErrorBox::guard([&] { DispatchRule(ie.widget.get()).ExecWB(OLECMDID_SAVEAS); });
    EXPECT_TRUE(errors.messages.isEmpty());
    ErrorBox::guard([&] { DispatchRule(gecko.widget.get()).ExecWB(OLECMDID_SAVEAS); });
    EXPECT_EQ(errors.messages, QStringList({QStringLiteral("アクセスが拒否されました。")}));
}

// The answers the IE view window's control gives its engine as host, and the keyboard
// hook, with a recording engine in place of Chromium.

#include "FakeEngine.h"
#include "TestSupport.h"
#include "engines/UIWebBrowser.h"

#include <QMenu>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace {

class UIWebBrowserHost : public ::testing::Test {
protected:
    FakeEngines fakes;
    ErrorRecorder errors;
    TUIWebBrowser browser;
};

TDOCHOSTUIINFO hostInfoOf(TUIWebBrowser& b) {
    TDOCHOSTUIINFO info;
    info.cbSize = 99;
    info.dwFlags = 0xFFFFFFFF;
    info.dwDoubleClick = 7;
    info.pchHostCss = QStringLiteral("kept");
    EXPECT_EQ(b.GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.cbSize, 12u);
    EXPECT_EQ(info.dwDoubleClick, 0u);
    EXPECT_EQ(info.pchHostCss, QStringLiteral("kept"));   // past the first three fields: untouched
    return info;
}

}  // namespace

TEST_F(UIWebBrowserHost, TheEngineGetsTheControlAsItsSite) {
    FakeEngine* engine = FakeEngine::of(&browser);
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->clientSite, static_cast<IOleClientSite*>(&browser));
    EXPECT_EQ(browser.QueryDocHostUIHandler(), static_cast<IDocHostUIHandler*>(&browser));
    EXPECT_EQ(browser.QueryDocHostShowUI(), static_cast<IDocHostShowUI*>(&browser));
    EXPECT_EQ(browser.QueryAmbientDispatch(), static_cast<IAmbientDispatch*>(&browser));
    // One plain count for all three; reaching zero frees nothing.
    const auto base = browser.refCount();
    EXPECT_EQ(browser.AddRef(), base + 1);
    EXPECT_EQ(browser.Release(), base);
    EXPECT_EQ(browser.Release(), base ? base - 1 : 0u);
    EXPECT_TRUE(browser.isWidgetType());
}

TEST_F(UIWebBrowserHost, HostFlagsFollowTheProperties) {
    EXPECT_EQ(hostInfoOf(browser).dwFlags, 0x4000u);   // the view window's values
    EXPECT_EQ(browser.GetHostInfo(nullptr), E_POINTER);

    browser.IeAutoComplete = false;
    EXPECT_EQ(hostInfoOf(browser).dwFlags, 0u);
    const std::pair<bool TUIWebBrowser::*, std::uint32_t> single[] = {
        {&TUIWebBrowser::IeNO3DBORDER, 0x4},
        {&TUIWebBrowser::IeSCROLL_hidden, 0x8},
        {&TUIWebBrowser::IeDontSCRIPT, 0x10},
        {&TUIWebBrowser::IeNoBehavior, 0x400},
        {&TUIWebBrowser::IeAutoComplete, 0x4000},
    };
    for (const auto& [property, flag] : single) {
        browser.*property = true;
        EXPECT_EQ(hostInfoOf(browser).dwFlags, flag);
        browser.*property = false;
    }
    for (const auto& [property, flag] : single) browser.*property = true;
    EXPECT_EQ(hostInfoOf(browser).dwFlags, 0x441Cu);
    // The handler is declared, never raised.
    bool raised = false;
    browser.onUIGetHostInfo = [&](TUIWebBrowser*, TDOCHOSTUIINFO&) { raised = true; };
    hostInfoOf(browser);
    EXPECT_FALSE(raised);
}

TEST_F(UIWebBrowserHost, TheDownloadControlValueIsTheOrOfItsElements) {
    const auto ambient = [&] {
        Variant v;
        EXPECT_EQ(browser.Invoke(DISPID_AMBIENT_DLCONTROL, DISPATCH_PROPERTYGET, &v), S_OK);
        EXPECT_EQ(v.type(), VT_I4);
        return static_cast<std::uint32_t>(v.toInt());
    };
    EXPECT_EQ(ambient(), 0x70u);
    EXPECT_EQ(browser.DownLoadControl.bits(), 0x7);
    browser.DownLoadControl = {CS_NoFrame};
    EXPECT_EQ(ambient(), 0x1000u);
    EXPECT_EQ(browser.DownLoadControl.bits(), 1 << 10);
    browser.DownLoadControl = {CS_ReSynchronize};
    EXPECT_EQ(ambient(), 0x2000u);
    browser.DownLoadControl = {CS_NoCash};
    EXPECT_EQ(ambient(), 0x4000u);
    browser.DownLoadControl = TDownLoadControl_::all();
    EXPECT_EQ(browser.DownLoadControl.bits(), 0x7FFF);
    EXPECT_EQ(ambient(), 0xF0007FF0u);
    browser.DownLoadControl.exclude(CS_OffLine);
    EXPECT_FALSE(browser.DownLoadControl.contains(CS_OffLine));
    EXPECT_EQ(ambient(), 0x70007FF0u);
    browser.DownLoadControl = {};
    EXPECT_EQ(ambient(), 0u);
}

TEST_F(UIWebBrowserHost, AmbientPropertiesAnswerByDispatchId) {
    const auto get = [&](int id) {
        Variant v;
        EXPECT_EQ(browser.Invoke(id, DISPATCH_PROPERTYGET, &v), S_OK) << id;
        return v;
    };
    EXPECT_EQ(get(DISPID_AMBIENT_AUTOCLIP), Variant::fromBool(true));
    EXPECT_EQ(get(DISPID_AMBIENT_SUPPORTSMNEMONICS), Variant::fromBool(true));
    EXPECT_EQ(get(DISPID_AMBIENT_SHOWHATCHING), Variant::fromBool(false));
    EXPECT_EQ(get(DISPID_AMBIENT_SHOWGRABHANDLES), Variant::fromBool(false));
    EXPECT_EQ(get(DISPID_AMBIENT_UIDEAD), Variant::fromBool(false));
    EXPECT_EQ(get(DISPID_AMBIENT_USERMODE), Variant::fromBool(true));
    EXPECT_EQ(get(DISPID_AMBIENT_MESSAGEREFLECT), Variant::fromBool(true));
    EXPECT_EQ(get(DISPID_AMBIENT_LOCALEID), Variant::fromInt(static_cast<std::int32_t>(userDefaultLocaleId())));
    EXPECT_EQ(get(DISPID_AMBIENT_DISPLAYNAME), Variant::fromString(QStringLiteral("Fake")));

    QPalette palette = browser.palette();
    palette.setColor(QPalette::WindowText, QColor(0x12, 0x34, 0x56));
    palette.setColor(QPalette::Window, QColor(0xAB, 0xCD, 0xEF));
    browser.setPalette(palette);
    EXPECT_EQ(get(DISPID_AMBIENT_FORECOLOR), Variant::fromInt(0x563412));
    EXPECT_EQ(get(DISPID_AMBIENT_BACKCOLOR), Variant::fromInt(0xEFCDAB));

    // The font: the containing window's while the control takes its parent's, else its own.
    QWidget parent;
    QFont parentFont(QStringLiteral("Sans"), 17);
    parent.setFont(parentFont);
    browser.setParent(&parent);
    auto* font = dynamic_cast<TOleFont*>(get(DISPID_AMBIENT_FONT).toDispatch());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->font().pointSize(), 17);
    browser.setFont(QFont(QStringLiteral("Serif"), 9));
    font = dynamic_cast<TOleFont*>(get(DISPID_AMBIENT_FONT).toDispatch());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->font().pointSize(), 9);
    browser.setParent(nullptr);

    Variant untouched = Variant::fromInt(5);
    EXPECT_EQ(browser.Invoke(-713, DISPATCH_PROPERTYGET, &untouched), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(browser.Invoke(0, DISPATCH_PROPERTYGET, &untouched), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(browser.Invoke(DISPID_AMBIENT_USERMODE, DISPATCH_PROPERTYPUT, &untouched), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(browser.Invoke(DISPID_AMBIENT_USERMODE, DISPATCH_METHOD, &untouched), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(browser.Invoke(DISPID_AMBIENT_DLCONTROL, DISPATCH_PROPERTYGET, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(untouched, Variant::fromInt(5));

    unsigned count = 9;
    void* info = &count;
    EXPECT_EQ(browser.GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(browser.GetTypeInfo(0, 0, &info), E_NOTIMPL);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(browser.GetIDsOfNames(nullptr, 0, 0, nullptr), E_NOTIMPL);
}

TEST_F(UIWebBrowserHost, TheRestOfTheHandlerAnswersAsTheEngineExpects) {
    EXPECT_EQ(browser.ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_FALSE);
    EXPECT_EQ(browser.HideUI(), S_FALSE);
    EXPECT_EQ(browser.UpdateUI(), S_FALSE);
    EXPECT_EQ(browser.EnableModeless(true), E_NOTIMPL);
    EXPECT_EQ(browser.OnDocWindowActivate(true), S_FALSE);
    EXPECT_EQ(browser.OnFrameWindowActivate(true), S_FALSE);
    EXPECT_EQ(browser.ResizeBorder(QRect(), nullptr, true), S_FALSE);
    QString key = QStringLiteral("left");
    EXPECT_EQ(browser.GetOptionKeyPath(&key, 0), S_FALSE);
    EXPECT_EQ(key, QStringLiteral("left"));

    // Outputs are emptied; without handlers the defaults stand.
    struct Target : IDropTarget {
        HRESULT DragEnter(const QMimeData*, QPoint, std::uint32_t*) override { return S_OK; }
        HRESULT DragOver(QPoint, std::uint32_t*) override { return S_OK; }
        HRESULT DragLeave() override { return S_OK; }
        HRESULT Drop(const QMimeData*, QPoint, std::uint32_t*) override { return S_OK; }
    } mine, theirs;
    IDropTarget* drop = &theirs;
    EXPECT_EQ(browser.GetDropTarget(&theirs, &drop), S_OK);
    EXPECT_EQ(drop, nullptr);
    EXPECT_EQ(browser.GetDropTarget(&theirs, nullptr), S_OK);
    IDispatch* external = &browser.ControlInterface();
    EXPECT_EQ(browser.GetExternal(&external), E_NOTIMPL);
    EXPECT_EQ(external, nullptr);
    QString out = QStringLiteral("as it was");
    EXPECT_EQ(browser.TranslateUrl(0, QStringLiteral("http://a/"), &out), S_FALSE);
    EXPECT_EQ(out, QStringLiteral("as it was"));
    IDataObject* data = reinterpret_cast<IDataObject*>(&mine);
    EXPECT_EQ(browser.FilterDataObject(nullptr, &data), S_FALSE);
    EXPECT_EQ(data, nullptr);

    // With handlers: their Done values and outputs.
    browser.onUIGetDropTarget = [&](TUIWebBrowser* sender, IDropTarget* in, IDropTarget*& replaced, HRESULT& done) {
        EXPECT_EQ(sender, &browser);
        EXPECT_EQ(in, &theirs);
        replaced = &mine;
        done = E_FAIL;
    };
    EXPECT_EQ(browser.GetDropTarget(&theirs, &drop), E_FAIL);
    EXPECT_EQ(drop, &mine);
    browser.onUIGetExternal = [&](TUIWebBrowser*, IDispatch*& d) { d = &browser.ControlInterface(); };
    EXPECT_EQ(browser.GetExternal(&external), S_OK);
    EXPECT_EQ(external, &browser.ControlInterface());
    browser.OnUITranslateUrl = [](TUIWebBrowser*, std::uint32_t, const QString& in, QString& o, HRESULT& done) {
        o = in + QStringLiteral("x");
        done = S_OK;
    };
    EXPECT_EQ(browser.TranslateUrl(0, QStringLiteral("http://a/"), &out), S_OK);
    EXPECT_EQ(out, QStringLiteral("http://a/x"));
    browser.onUIFilterDataObject = [](TUIWebBrowser*, IDataObject*, IDataObject*&, HRESULT& done) { done = S_OK; };
    EXPECT_EQ(browser.FilterDataObject(nullptr, &data), S_OK);
    // A handler that fails is shown; the engine gets the answer as it stood.
    browser.OnUITranslateUrl = [](TUIWebBrowser*, std::uint32_t, const QString&, QString&, HRESULT&) {
        throw TavixError(QStringLiteral("壊れたハンドラ"));
    };
    EXPECT_EQ(browser.TranslateUrl(0, QStringLiteral("http://b/"), &out), S_FALSE);
    EXPECT_EQ(errors.messages, QStringList{QStringLiteral("壊れたハンドラ")});
}

TEST_F(UIWebBrowserHost, MessagesAndHelpReachTheHandlersAndLeaveTheEngineItsOwnBox) {
    std::int32_t result = 3;
    EXPECT_EQ(browser.ShowMessage(nullptr, QStringLiteral("本文"), QStringLiteral("題"), MB_OK, {}, 0, &result), S_FALSE);
    QStringList seen;
    browser.onUIShowMessage = [&](TUIWebBrowser*, QWidget*, const QString& text, const QString& caption,
                                  std::uint32_t type, const QString&, std::uint32_t context, std::int32_t& r) {
        seen << text << caption << QString::number(type) << QString::number(context);
        r = IDOK;
    };
    EXPECT_EQ(browser.ShowMessage(nullptr, QStringLiteral("本文"), QStringLiteral("題"), 0x21, {}, 4, &result), S_FALSE);
    EXPECT_EQ(seen, QStringList({QStringLiteral("本文"), QStringLiteral("題"), QStringLiteral("33"), QStringLiteral("4")}));
    EXPECT_EQ(result, 1);

    EXPECT_EQ(browser.ShowHelp(nullptr, {}, 0, 0, QPoint(), nullptr), S_OK);
    int helps = 0;
    browser.onUIShowHelp = [&](TUIWebBrowser*, QWidget*, const QString& file, std::uint32_t command, std::uint32_t,
                               QPoint at, IDispatch*&) {
        ++helps;
        EXPECT_EQ(file, QStringLiteral("h.hlp"));
        EXPECT_EQ(command, 2u);
        EXPECT_EQ(at, QPoint(3, 4));
    };
    EXPECT_EQ(browser.ShowHelp(nullptr, QStringLiteral("h.hlp"), 2, 0, QPoint(3, 4), nullptr), S_OK);
    EXPECT_EQ(helps, 1);
}

TEST_F(UIWebBrowserHost, ContextMenuTheEngineOwnsUnlessIeNoContext) {
    const QPoint at(40, 50);
    EXPECT_EQ(browser.ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr), S_FALSE);

    QList<std::uint32_t> ids;
    browser.OnUIShowContextMenu = [&](TUIWebBrowser*, std::uint32_t id, const QPoint* p) {
        ids << id;
        EXPECT_EQ(*p, at);
    };
    EXPECT_EQ(browser.ShowContextMenu(CONTEXT_MENU_ANCHOR, &at, nullptr, nullptr), S_FALSE);
    browser.IeNoContext = true;
    EXPECT_EQ(browser.ShowContextMenu(CONTEXT_MENU_IMAGE, &at, nullptr, nullptr), S_OK);   // no menu at all
    EXPECT_EQ(ids, QList<std::uint32_t>({CONTEXT_MENU_ANCHOR, CONTEXT_MENU_IMAGE}));

    QMenu menu;
    menu.addAction(QStringLiteral("自分のメニュー"));
    browser.PopupMenu = &menu;
    browser.PopupMenuAutoPopup = false;
    EXPECT_EQ(browser.ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr), S_OK);
    EXPECT_FALSE(menu.isVisible());
    browser.PopupMenuAutoPopup = true;
    EXPECT_EQ(browser.ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr), S_OK);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

TEST_F(UIWebBrowserHost, AcceleratorsGoToTheHandlerWithTheShiftStateOfTheMoment) {
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    TMessage msg;
    msg.message = WM_KEYDOWN;
    msg.wParam = 'F';
    EXPECT_EQ(browser.TranslateAccelerator(&msg, nullptr, 0), S_FALSE);   // left to the engine

    std::uint16_t key = 0;
    TShiftState shift = 0xFF;
    HRESULT preset = E_FAIL;
    browser.onUITranslateAccelerator = [&](TUIWebBrowser*, std::uint16_t& k, TShiftState& s, HRESULT& done) {
        key = k;
        shift = s;
        preset = done;
    };
    EXPECT_EQ(browser.TranslateAccelerator(&msg, nullptr, 0), S_FALSE);
    EXPECT_EQ(key, 'F');
    EXPECT_EQ(shift, 0);
    EXPECT_EQ(preset, S_FALSE);

    // Ctrl and Shift held down now.
    QTest::keyPress(window.windowHandle(), Qt::Key_Control, Qt::ControlModifier);
    QTest::keyPress(window.windowHandle(), Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
    browser.onUITranslateAccelerator = [&](TUIWebBrowser*, std::uint16_t&, TShiftState& s, HRESULT& done) {
        shift = s;
        done = S_OK;
    };
    EXPECT_EQ(browser.TranslateAccelerator(&msg, nullptr, 0), S_OK);
    EXPECT_EQ(shift, ssCtrl | ssShift);
    QTest::keyRelease(window.windowHandle(), Qt::Key_Shift, Qt::ControlModifier);
    QTest::keyRelease(window.windowHandle(), Qt::Key_Control, Qt::NoModifier);

    // Accelerators off: every key counts as the host's, no handler is asked.
    browser.IeEnableAccelerator = false;
    shift = 0xFF;
    EXPECT_EQ(browser.TranslateAccelerator(&msg, nullptr, 0), S_OK);
    EXPECT_EQ(shift, 0xFF);
}

TEST(UIWebBrowserKeys, KeyEventsBecomeWindowMessages) {
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(TMessage::of(nullptr, &left).message, WM_KEYDOWN);
    EXPECT_EQ(TMessage::of(nullptr, &left).wParam, VK_LEFT);
    QKeyEvent altLeft(QEvent::KeyPress, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(TMessage::of(nullptr, &altLeft).message, WM_SYSKEYDOWN);
    QKeyEvent f10(QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier);
    EXPECT_EQ(TMessage::of(nullptr, &f10).message, WM_SYSKEYDOWN);
    EXPECT_EQ(TMessage::of(nullptr, &f10).wParam, VK_F10);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(TMessage::of(nullptr, &release).message, WM_NULL);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Backspace), VK_BACK);
    EXPECT_EQ(virtualKeyOf(Qt::Key_C), 'C');
    EXPECT_EQ(virtualKeyOf(Qt::Key_F12), 0x7B);
}

namespace {

// Two IE controls side by side in one window, as two view windows are in the frame.
class UIWebBrowserHook : public ::testing::Test {
protected:
    UIWebBrowserHook() {
        auto* layout = new QVBoxLayout(&window);
        first = new TUIWebBrowser;
        second = new TUIWebBrowser;
        layout->addWidget(first);
        layout->addWidget(second);
        layout->addWidget(outside = new QWidget);
        for (QWidget* w : {static_cast<QWidget*>(pageOf(first)), static_cast<QWidget*>(pageOf(second)), outside})
            w->setFocusPolicy(Qt::StrongFocus);
        window.show();
    }
    static QWidget* pageOf(TUIWebBrowser* b) { return FakeEngine::of(b)->widget(); }
    // The keys offered to the engine's accelerators, modifier keys left out (they are
    // offered too, as they come down).
    static QList<std::uint32_t> keysOf(TUIWebBrowser* b) {
        QList<std::uint32_t> keys;
        for (std::uint32_t key : FakeEngine::of(b)->accelerators.keys)
            if (key < 0x10 || key > 0x12) keys << key;
        return keys;
    }

    FakeEngines fakes;
    QWidget window;
    TUIWebBrowser* first = nullptr;
    TUIWebBrowser* second = nullptr;
    QWidget* outside = nullptr;
};

}  // namespace

TEST_F(UIWebBrowserHook, OneHookHoldsTheFiltersInCreationOrder) {
    THookApplicationMessage* hook = THookApplicationMessage::instance();
    ASSERT_NE(hook, nullptr);
    EXPECT_EQ(THookApplicationMessage::ensureInstalled(), hook);
    QList<TUIWebBrowser*> owners;
    for (const auto& entry : hook->entries()) owners << entry.second;
    EXPECT_EQ(owners, QList<TUIWebBrowser*>({first, second}));
    EXPECT_EQ(hook->entries()[0].first, &TUIWebBrowser::HandleBrowserMessage);

    delete first;
    owners.clear();
    for (const auto& entry : hook->entries()) owners << entry.second;
    EXPECT_EQ(owners, QList<TUIWebBrowser*>{second});
    // Removing what is not there changes nothing.
    hook->RemoveHandler(&TUIWebBrowser::HandleBrowserMessage, nullptr);
    EXPECT_EQ(hook->entries().size(), 1);
}

TEST_F(UIWebBrowserHook, EachFilterTakesOnlyKeysForItsOwnControl) {
    QTest::keyClick(pageOf(second), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(keysOf(first).isEmpty());
    EXPECT_EQ(keysOf(second), QList<std::uint32_t>{'F'});

    QTest::keyClick(pageOf(first), Qt::Key_F5);
    EXPECT_EQ(keysOf(first), QList<std::uint32_t>{VK_F5});
    QTest::keyClick(outside, Qt::Key_F5);
    EXPECT_EQ(keysOf(first).size(), 1);
    EXPECT_EQ(keysOf(second).size(), 1);

    // The message a filter sees: handled by the first only when it is the first's.
    TMessage forSecond = TMessage::of(pageOf(second), nullptr);
    bool handled = false;
    first->HandleBrowserMessage(forSecond, handled);
    EXPECT_FALSE(handled);
    second->HandleBrowserMessage(forSecond, handled);
    EXPECT_TRUE(handled);
}

TEST_F(UIWebBrowserHook, ArrowsAndBackspaceStayWithThePage) {
    QWidget* page = pageOf(first);
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_Backspace})
        QTest::keyClick(page, key);
    EXPECT_TRUE(keysOf(first).isEmpty());
    // With Alt they are system keys and go on; so do Tab and Enter.
    QTest::keyClick(page, Qt::Key_Left, Qt::AltModifier);
    QTest::keyClick(page, Qt::Key_Tab);
    QTest::keyClick(page, Qt::Key_Return);
    EXPECT_EQ(keysOf(first), QList<std::uint32_t>({VK_LEFT, VK_TAB, VK_RETURN}));
}

TEST_F(UIWebBrowserHook, AnEngineThatFailsOnAKeyIsIgnoredAndTheKeyStillArrives) {
    ErrorRecorder errors;
    int pressed = 0;
    struct Counter : QObject {
        int* n;
        explicit Counter(int* c) : n(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::KeyPress) ++*n;
            return false;
        }
    } counter(&pressed);
    pageOf(first)->installEventFilter(&counter);
    FakeEngine::of(first)->accelerators.throwOnKey = true;
    QTest::keyClick(pageOf(first), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(keysOf(first), QList<std::uint32_t>{'N'});
    FakeEngine::of(second)->hasActiveObject = false;
    QTest::keyClick(pageOf(second), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(pressed, 2);   // Ctrl, then N
    EXPECT_TRUE(errors.messages.isEmpty());
}

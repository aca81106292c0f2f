// The shell's WebKit client against a stand-in host: a script that speaks the protocol,
// records what it was sent, and can misbehave or die on request. No display is needed.

#include "TestSupport.h"
#include "engines/EngineControls.h"
#include "engines/EngineRegistry.h"
#include "engines/webkit/WebKitBrowser.h"
#include "engines/webkit/WebKitEngine.h"
#include "platform/ErrorBox.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

namespace {

constexpr int Timeout = 10000;

// navigate to an address containing "garbage": malformed lines, then a good title;
// "die": the host ends; "keys": a click and keys the page left to the shell;
// anything else: one ordinary load.
const char* const FakeHost = R"(#!/bin/sh
log="$0.log"
echo "ready 0 1"
while read -r kind view rest; do
  echo "$kind $view $rest" >> "$log"
  case "$kind" in
    navigate)
      case "$rest" in
        *die*) exit 3 ;;
        *keys*)
          echo "click $view"; echo "key $view 110 2 n"; echo "key $view 65505 1 %"
          echo "key $view 102 4 f"; echo "key $view 65 1 A"; echo "key $view 16789707 0 %E3%83%8B"
          echo "title $view keys" ;;
        *garbage*)
          echo "bogus 1 x"; echo "title"; echo "title $view %ZZ"; echo "progress $view a b"
          echo "title 999 orphan"; echo "navigate $view http://x/"
          echo "title $view %E7%94%9F%E3%81%8D%E3%81%A6%E3%81%84%E3%82%8B" ;;
        *)
          echo "loading $view 1"; echo "progress $view 50 100"; echo "location $view $rest"
          echo "title $view %E6%97%A5%E6%9C%AC%E8%AA%9E"; echo "history $view 1 0"
          echo "progress $view 100 100"; echo "loading $view 0" ;;
      esac ;;
    quit) exit 0 ;;
  esac
done
)";

struct Recorded {
    QStringList titles;
    QList<std::pair<int, bool>> commands;
    QList<std::pair<int, int>> progress;
    int completes = 0;
};

struct WebKitClient : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    std::unique_ptr<EngineRegistry::ScopedRegistration> registration;

    void SetUp() override {
        dir.write("host", FakeHost);
        QFile::setPermissions(dir.file("host"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        WebKit::setHostProgram(dir.file("host"));
        registration = std::make_unique<EngineRegistry::ScopedRegistration>(
            CLASS_MozillaBrowser, [] { return std::make_unique<WebKitBrowser>(); });
    }
    void TearDown() override {
        WebKit::shutdownHost();
        WebKit::setHostProgram(QString());
        registration.reset();
    }
    QString hostLog() const { return QString::fromStdString(dir.read("host.log")); }

    static WebKitBrowser* browserOf(TMozillaBrowser& control) {
        return dynamic_cast<WebKitBrowser*>(&control.ControlInterface());
    }
    static void record(TMozillaBrowser& control, Recorded& r) {
        DWebBrowserEvents2& e = control.events();
        QObject::connect(&e, &DWebBrowserEvents2::TitleChange, [&r](const QString& t) { r.titles << t; });
        QObject::connect(&e, &DWebBrowserEvents2::CommandStateChange,
                         [&r](int c, bool on) { r.commands.append({c, on}); });
        QObject::connect(&e, &DWebBrowserEvents2::ProgressChange, [&r](int p, int m) { r.progress.append({p, m}); });
        QObject::connect(&e, &DWebBrowserEvents2::DocumentComplete, [&r](IDispatch*, const Variant&) { ++r.completes; });
    }
};

TEST_F(WebKitClient, PropertiesComeFromTheLastReportWithoutAsking) {
    TMozillaBrowser control;
    Recorded r;
    record(control, r);
    EXPECT_EQ(control.LocationURL(), QString());
    EXPECT_FALSE(control.Busy());
    control.Navigate(QStringLiteral("http://example.test/a"));   // the Gecko form: missing arguments
    EXPECT_TRUE(waitUntil([&] { return r.completes == 1; }, Timeout));
    EXPECT_EQ(r.titles, QStringList{QStringLiteral("日本語")});
    EXPECT_EQ(control.LocationURL(), QStringLiteral("http://example.test/a"));
    EXPECT_FALSE(control.Busy());
    EXPECT_TRUE(r.commands.contains(std::make_pair(int(CSC_NAVIGATEBACK), true)));
    EXPECT_TRUE(r.commands.contains(std::make_pair(int(CSC_NAVIGATEFORWARD), false)));
    ASSERT_FALSE(r.progress.isEmpty());
    EXPECT_EQ(r.progress.first(), std::make_pair(0, 100));
    EXPECT_EQ(r.progress.last(), std::make_pair(100, 100)) << "the Gecko window turns Stop off at 100";

    // Every command names the view; the host's queries are never waited for.
    control.GoBack();
    control.Stop();
    control.ExecWB(OLECMDID_SELECTALL);
    const qint64 view = browserOf(control)->viewId();
    EXPECT_TRUE(waitUntil([&] { return hostLog().contains(QStringLiteral("selectall %1").arg(view)); }, Timeout));
    EXPECT_TRUE(hostLog().contains(QStringLiteral("create %1 ").arg(view)));
    EXPECT_TRUE(hostLog().contains(QStringLiteral("back %1").arg(view)));
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(WebKitClient, MalformedEventsAreAnsweredAndTheConnectionGoesOn) {
    TMozillaBrowser control;
    Recorded r;
    record(control, r);
    control.Navigate(QStringLiteral("http://garbage.test/"));
    ASSERT_TRUE(waitUntil([&] { return r.titles.contains(QStringLiteral("生きている")); }, Timeout));
    EXPECT_EQ(r.titles.size(), 1) << "nothing of the bad lines reached the page's events";
    // The errors reach the host once it reads its input again.
    control.Stop();
    ASSERT_TRUE(waitUntil([&] { return hostLog().count(QStringLiteral("error ")) >= 5; }, Timeout))
        << hostLog().toStdString();
    EXPECT_TRUE(hostLog().contains(QStringLiteral("unknown%20message:%20navigate")));
    EXPECT_FALSE(browserOf(control)->showsGone());
}

TEST_F(WebKitClient, AHostThatDiesIsShownInEveryViewAndTheNextUseStartsAnother) {
    auto a = std::make_unique<TMozillaBrowser>();
    auto b = std::make_unique<TMozillaBrowser>();
    const qint64 first = WebKit::hostProcessId();
    ASSERT_GT(first, 0);
    a->Navigate(QStringLiteral("http://die.test/"));
    ASSERT_TRUE(waitUntil([&] { return browserOf(*a)->showsGone() && browserOf(*b)->showsGone(); }, Timeout));
    EXPECT_EQ(a->findChild<QLabel*>()->text(), WebKit::hostGoneMessage());
    EXPECT_EQ(WebKit::hostProcessId(), 0);

    // The Gecko form reports what the ended host cannot do; the IE form stays silent.
    ErrorBox::guard([&] { a->ExecWB(OLECMDID_COPY); });
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_EQ(errors.messages[0], systemErrorText(RPC_E_DISCONNECTED));
    EngineTarget(&a->ControlInterface(), EngineForm::IE).ExecWB(OLECMDID_COPY);
    EXPECT_EQ(errors.messages.size(), 1);
    EXPECT_NO_THROW(b->Stop());

    // A reload brings the page back in a new host; the other view waits for its own use.
    b->Navigate(QStringLiteral("http://example.test/b"));
    EXPECT_GT(WebKit::hostProcessId(), 0);
    EXPECT_NE(WebKit::hostProcessId(), first);
    ASSERT_TRUE(waitUntil([&] { return b->LocationURL() == QStringLiteral("http://example.test/b"); }, Timeout));
    EXPECT_TRUE(browserOf(*a)->showsGone());
    EXPECT_NE(browserOf(*b)->viewId(), 0);
}

TEST_F(WebKitClient, UnknownCommandsAndAMissingHostAreFailures) {
    {
        TMozillaBrowser control;
        Variant out;
        EXPECT_EQ(control.ControlInterface().ExecWB(99, OLECMDEXECOPT_DODEFAULT, Variant::missing(), &out),
                  OLECMDERR_E_NOTSUPPORTED);
        EXPECT_EQ(control.ControlInterface().ExecWB(OLECMDID_ZOOM, 0, Variant::fromInt(7), &out), E_INVALIDARG);
        EXPECT_EQ(control.ControlInterface().ExecWB(OLECMDID_ZOOM, 0, Variant::fromInt(3), nullptr), S_OK);
        EXPECT_EQ(control.ControlInterface().ExecWB(OLECMDID_ZOOM, 0, Variant(), &out), S_OK);
        EXPECT_EQ(out, Variant::fromInt(3));
        ErrorBox::guard([&] { control.ExecWB(99); });
        EXPECT_EQ(errors.messages.size(), 1);
    }
    WebKit::shutdownHost();
    WebKit::setHostProgram(dir.file("no-such-host"));
    TMozillaBrowser control;
    EXPECT_TRUE(browserOf(control)->showsGone());
    EXPECT_EQ(control.ControlInterface().Navigate(QStringLiteral("http://a/"), Variant::missing(), Variant::missing(),
                                                  Variant::missing(), Variant::missing()),
              CO_E_SERVER_EXEC_FAILURE);
    EXPECT_EQ(control.ControlInterface().Navigate(QStringLiteral("http:///"), Variant(), Variant(), Variant(), Variant()),
              E_INVALIDARG);
}

TEST_F(WebKitClient, ClicksAndKeysFromTheHostAreReportedToTheWindowHoldingThePage) {
    TMozillaBrowser control;
    Recorded r;
    record(control, r);
    int activations = 0;
    QList<std::tuple<int, Qt::KeyboardModifiers, QString>> keys;
    QObject::connect(&control.events(), &DWebBrowserEvents2::ActivateRequest, [&] { ++activations; });
    QObject::connect(&control.events(), &DWebBrowserEvents2::UnusedKey,
                     [&](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
                         keys.append({key, modifiers, text});
                     });
    control.Navigate(QStringLiteral("http://keys.test/"));
    ASSERT_TRUE(waitUntil([&] { return r.titles.contains(QStringLiteral("keys")); }, Timeout));
    EXPECT_EQ(activations, 1);
    // A bare Shift is no key of the frame and is not reported.
    const QList<std::tuple<int, Qt::KeyboardModifiers, QString>> expected{
        {Qt::Key_N, Qt::ControlModifier, QStringLiteral("n")},
        {Qt::Key_F, Qt::AltModifier, QStringLiteral("f")},
        {Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A")},
        {0x30cb, Qt::NoModifier, QStringLiteral("ニ")},
    };
    EXPECT_EQ(keys, expected);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST(WebKitKeys, KeysymsMapToTheKeysTheFrameKnows) {
    EXPECT_EQ(WebKit::qtKeyOfKeysym('n'), Qt::Key_N);
    EXPECT_EQ(WebKit::qtKeyOfKeysym('N'), Qt::Key_N);
    EXPECT_EQ(WebKit::qtKeyOfKeysym('1'), Qt::Key_1);
    EXPECT_EQ(WebKit::qtKeyOfKeysym(0xffc9), Qt::Key_F12);
    EXPECT_EQ(WebKit::qtKeyOfKeysym(0xff0d), Qt::Key_Return);
    EXPECT_EQ(WebKit::qtKeyOfKeysym(0xffe1), 0) << "a bare Shift is no key of the frame";
    EXPECT_EQ(WebKit::qtKeyOfKeysym(0x1003042), 0x3042);
}

// The program finds its host in the build folder (beside it) and in an installation
// (bin/ and libexec/tavix/ under one prefix), wherever that prefix is.
TEST(WebKitHostProgram, FoundBesideTheProgramOrWhereAnInstallationPutsIt) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = prefix.path() + QStringLiteral("/bin");
    const QString libexec = prefix.path() + QStringLiteral("/libexec/tavix");
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(libexec));
    const auto makeProgram = [](const QString& path, bool executable) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        const auto read = QFile::ReadOwner | QFile::WriteOwner;
        file.setPermissions(executable ? read | QFile::ExeOwner : read);
    };
    // Neither there: the error names the program's own folder.
    EXPECT_EQ(WebKit::hostProgramFor(bin), bin + QStringLiteral("/tavix-webkit-host"));
    makeProgram(libexec + QStringLiteral("/tavix-webkit-host"), true);
    EXPECT_EQ(WebKit::hostProgramFor(bin), libexec + QStringLiteral("/tavix-webkit-host"));
    // A data file that happens to carry the name beside the program is no program.
    makeProgram(bin + QStringLiteral("/tavix-webkit-host"), false);
    EXPECT_EQ(WebKit::hostProgramFor(bin), libexec + QStringLiteral("/tavix-webkit-host"));
    makeProgram(bin + QStringLiteral("/tavix-webkit-host"), true);
    EXPECT_EQ(WebKit::hostProgramFor(bin), bin + QStringLiteral("/tavix-webkit-host"));
}

}  // namespace

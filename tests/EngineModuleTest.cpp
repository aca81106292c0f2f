// Engines kept in libraries of their own: the first creation loads the library and
// hands over to the factory its entry registers; a library that cannot be loaded, or
// whose entry registers nothing, is a reported failure and never a loop or a crash.

#include "engines/EngineModule.h"
#include "engines/EngineRegistry.h"
#include "engines/EngineVersions.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/webkit/WebKitEngine.h"
#include "platform/Com.h"
#include "platform/Errors.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString Missing = QStringLiteral("{00000000-0000-0000-0000-00000000A001}");
const QString NoEntry = QStringLiteral("{00000000-0000-0000-0000-00000000A002}");
const QString Silent = QStringLiteral("{00000000-0000-0000-0000-00000000A003}");

class Unregister {
public:
    explicit Unregister(QStringList ids) : ids_(std::move(ids)) {}
    ~Unregister() {
        for (const QString& id : ids_) EngineRegistry::unregisterClass(id);
    }

private:
    QStringList ids_;
};

}  // namespace

TEST(EngineModules, LibrariesThatCannotServeAreReportedAndTriedAgain) {
    Unregister cleanup({Missing, NoEntry, Silent});
    EngineModule::registerOnFirstUse(Missing, QStringLiteral("libtavix-no-such-engine.so"), "entry");
    EXPECT_TRUE(EngineRegistry::isRegistered(Missing));
    EXPECT_FALSE(EngineModule::isLoaded(Missing));
    EXPECT_THROW(EngineRegistry::createInstance(Missing), EFOpenError);
    // Not marked loaded: the next use tries again, and fails the same way.
    EXPECT_FALSE(EngineModule::isLoaded(Missing));
    EXPECT_THROW(EngineModule::load(Missing), EFOpenError);

    // A library that loads but has no such entry.
    EngineModule::registerOnFirstUse(NoEntry, QStringLiteral("libc.so.6"), "tavix_no_such_entry");
    EXPECT_THROW(EngineRegistry::createInstance(NoEntry), EFOpenError);

    // An entry that registers nothing (getpid, harmless to call) leaves the deferring
    // factory in place: the creation fails as a factory that gives nothing does.
    EngineModule::registerOnFirstUse(Silent, QStringLiteral("libc.so.6"), "getpid");
    try {
        (void)EngineRegistry::createInstance(Silent);
        ADD_FAILURE() << "an engine was made";
    } catch (const ComError& e) {
        EXPECT_EQ(e.code(), CO_E_SERVER_EXEC_FAILURE);
    }
    EXPECT_TRUE(EngineModule::isLoaded(Silent));
    // Loading again is a no-op; a class never deferred counts as loaded.
    EXPECT_NO_THROW(EngineModule::load(Silent));
    EXPECT_TRUE(EngineModule::isLoaded(QStringLiteral("{00000000-0000-0000-0000-00000000A0FF}")));
}

// An engine brought up before its first window, a step per turn of the loop: the frame
// answers between the steps, the window comes after the last, and a library that fails
// is left for the window to report rather than tried without end.
TEST(EngineModules, StartingInStepsLeavesTheLoopTurnsBetweenAndAlwaysEnds) {
    const QString Stepped = QStringLiteral("{00000000-0000-0000-0000-00000000A004}");
    Unregister cleanup({Stepped, Missing});
    // Harmless libc functions stand for the two entries.
    EngineModule::registerOnFirstUse(Stepped, QStringLiteral("libc.so.6"), "getpid", "getppid");
    EXPECT_FALSE(EngineModule::isStarted(Stepped));
    int ready = 0, turns = 0;
    EngineModule::startInSteps(Stepped, qApp, [&] { ++ready; });
    // Nothing within the caller's turn.
    EXPECT_EQ(ready, 0);
    EXPECT_FALSE(EngineModule::isLoaded(Stepped));
    while (!ready && turns < 50) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        ++turns;
    }
    EXPECT_EQ(ready, 1);
    EXPECT_TRUE(EngineModule::isLoaded(Stepped));
    EXPECT_TRUE(EngineModule::isStarted(Stepped));
    // Started: at once.
    EngineModule::startInSteps(Stepped, qApp, [&] { ++ready; });
    EXPECT_EQ(ready, 2);

    EngineModule::registerOnFirstUse(Missing, QStringLiteral("libtavix-no-such-engine.so"), "entry", "start");
    ready = 0;
    EngineModule::startInSteps(Missing, qApp, [&] { ++ready; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ready == 1; }, 2000));
    EXPECT_FALSE(EngineModule::isLoaded(Missing));
    EXPECT_THROW(EngineRegistry::createInstance(Missing), EFOpenError);

    // A window that has gone by then is not opened.
    const QString Late = QStringLiteral("{00000000-0000-0000-0000-00000000A005}");
    Unregister lateCleanup({Late});
    EngineModule::registerOnFirstUse(Late, QStringLiteral("libc.so.6"), "getpid", "getppid");
    auto* context = new QObject;
    bool called = false;
    EngineModule::startInSteps(Late, context, [&] { called = true; });
    delete context;
    QTest::qWait(50);
    EXPECT_FALSE(called);
}

// The version box names each engine by what its registration recorded: the WebKitGTK
// version comes from the build, the built-in engine's from its library.
TEST(EngineModules, EachEngineNamesItsVersionWhenItRegisters) {
    const Unregister later({CLASS_WebBrowser, CLASS_MozillaBrowser});
    WebKit::registerEngine();
    Blink::registerEngine();
    const QString webkit = EngineVersions::get(EngineVersions::Slot::Gekko);
    const QString builtIn = EngineVersions::get(EngineVersions::Slot::InternetExplorer);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^WebKitGTK \\d+\\.\\d+\\.\\d+$")).match(webkit).hasMatch()) << webkit.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^QtWebEngine \\d+\\.\\d+\\.\\d+ \\(Chromium \\d+[.\\d]*、組み込み\\)$"))
                    .match(builtIn)
                    .hasMatch())
        << builtIn.toStdString();
    EngineVersions::set(EngineVersions::Slot::Gekko, QString());
    EngineVersions::set(EngineVersions::Slot::InternetExplorer, QString());
}

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

#include <QRegularExpression>
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

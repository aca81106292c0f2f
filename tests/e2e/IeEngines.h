#pragma once
// The two engines of the Internet Explorer slot, for end-to-end tests that run once with
// each: the system's Chromium, as the program registers it, and the built-in engine. A
// test chooses before it opens its pages; the slot asks at every new page, as it asks
// config.ini in the program.

#include "engines/EngineRegistry.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/chromium/ChromiumBrowser.h"
#include "engines/chromium/ChromiumEngine.h"
#include "engines/chromium/ChromiumProcess.h"
#include "engines/chromium/DevToolsPipe.h"
#include "engines/webkit/WebKitEngine.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

enum class IeEngine { SystemChromium, BuiltIn };

namespace IeEngines {

inline IeEngine& chosen() {
    static IeEngine engine = IeEngine::BuiltIn;
    return engine;
}

inline void use(IeEngine engine) { chosen() = engine; }

// The built-in engine under its own class id and the slot deciding between the two, with
// a Chromium profile of the test program's own; once per program.
inline void registerBoth() {
    static bool done = false;
    if (done) return;
    done = true;
    Blink::useOffTheRecordProfile();
    Blink::registerBuiltIn();
    static QTemporaryDir profile;
    Chromium::registerEngine(profile.path(), CLASS_BuiltInWebBrowser,
                             [] { return chosen() == IeEngine::SystemChromium; });
    // The browser goes with the program, not with the pipe's end after the last test.
    struct Quit : ::testing::Environment {
        void TearDown() override { Chromium::shutdown(); }
    };
    ::testing::AddGlobalTestEnvironment(new Quit);
    // A failed test with the system's Chromium shows what went on its pipe last.
    struct PipeOnFailure : ::testing::EmptyTestEventListener {
        void OnTestEnd(const ::testing::TestInfo& test) override {
            if (!test.result()->Failed() || !QString::fromUtf8(test.name()).endsWith(QLatin1String("SystemChromium"))) return;
            const QStringList traffic = DevTools::recentTraffic();
            std::fprintf(stderr, "--- the DevTools pipe, last %lld messages (ms since its first)\n",
                         static_cast<long long>(std::min<qsizetype>(traffic.size(), 250)));
            for (const QString& line : traffic.mid(std::max<qsizetype>(0, traffic.size() - 250)))
                std::fprintf(stderr, "%s\n", qPrintable(line));
        }
    };
    ::testing::UnitTest::GetInstance()->listeners().Append(new PipeOnFailure);
}

// Every engine a page of the frame may get: both of the Internet Explorer slot, and
// WebKit in the host this build made; once per program.
inline void registerEveryEngine() {
    registerBoth();
    WebKit::setHostProgram(QStringLiteral(TAVIX_WEBKIT_HOST));
    WebKit::registerEngine();
}

// The page a test runs with the system's Chromium needs the program; without it the test
// is skipped rather than run on the built-in engine twice.
inline bool unavailable(IeEngine engine) { return engine == IeEngine::SystemChromium && !Chromium::installed(); }

inline std::string name(const ::testing::TestParamInfo<IeEngine>& info) {
    return info.param == IeEngine::SystemChromium ? "SystemChromium" : "BuiltIn";
}

// The system's Chromium page of a control, null when the built-in engine serves it
// (chosen, or in its place after a failed start).
inline ChromiumBrowser* chromiumOf(WebBrowser2& control) {
    auto* chromium = dynamic_cast<ChromiumBrowser*>(&control);
    return chromium && !chromium->substitute() ? chromium : nullptr;
}

}  // namespace IeEngines

#define TAVIX_BOTH_IE_ENGINES(Suite)                                                                     \
    INSTANTIATE_TEST_SUITE_P(, Suite, ::testing::Values(IeEngine::SystemChromium, IeEngine::BuiltIn), \
                             IeEngines::name)

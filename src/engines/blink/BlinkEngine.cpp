#include "engines/blink/BlinkEngine.h"

#include "engines/EngineRegistry.h"
#include "engines/EngineVersions.h"
#include "engines/PageFonts.h"
#include "engines/blink/BlinkBrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <qtwebenginecoreglobal.h>

#include <array>

namespace Blink {

namespace {

bool offTheRecord = false;

}  // namespace

QWebEngineProfile* sharedProfile() {
    // Never freed: pages of windows still open at exit must not outlive their profile.
    static QWebEngineProfile* profile = [] {
        auto* p = offTheRecord ? new QWebEngineProfile : new QWebEngineProfile(QStringLiteral("Tavix"));
        p->setHttpAcceptLanguage(QStringLiteral("ja,en;q=0.8"));
        QWebEngineSettings* settings = p->settings();
        const QString sans = PageFonts::sans();
        const QString serif = PageFonts::serif();
        if (!sans.isEmpty()) {
            settings->setFontFamily(QWebEngineSettings::StandardFont, sans);
            settings->setFontFamily(QWebEngineSettings::SansSerifFont, sans);
        }
        if (!serif.isEmpty()) settings->setFontFamily(QWebEngineSettings::SerifFont, serif);
        settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
        return p;
    }();
    return profile;
}

const char* defaultChromiumFlags() {
    // Left to itself Chromium gives every page a renderer of its own, up to a limit set
    // by the machine's memory (dozens here): opening a web list of 50 pages then costs
    // about 12 MiB a page. Four renderers shared among the pages halve that and open
    // pages no slower; a renderer that dies takes only its share of the pages with it,
    // and each of those shows so and comes back on reload.
    return "--renderer-process-limit=4";
}

namespace {

void recordVersion() {
    EngineVersions::set(EngineVersions::Slot::InternetExplorer,
                        QStringLiteral("QtWebEngine %1 (Chromium %2、組み込み)")
                            .arg(QString::fromLatin1(qWebEngineVersion()), QString::fromLatin1(qWebEngineChromiumVersion())));
}

}  // namespace

void registerBuiltIn() {
    // The slot names the engine of its latest page: this library may be loaded while
    // the system's Chromium serves.
    EngineRegistry::registerClass(CLASS_BuiltInWebBrowser, []() -> std::unique_ptr<WebBrowser2> {
        recordVersion();
        return std::make_unique<BlinkBrowser>();
    });
}

void registerEngine() {
    registerBuiltIn();
    EngineRegistry::registerClass(CLASS_WebBrowser, [] { return std::make_unique<BlinkBrowser>(); });
    recordVersion();
}

void useOffTheRecordProfile() { offTheRecord = true; }

QString rendererGoneMessage() {
    return QStringLiteral("このページを表示していたプロセスが終了しました。\n再読み込みすると、もう一度表示します。");
}

}  // namespace Blink

#include "engines/blink/BlinkEngine.h"

#include "engines/EngineRegistry.h"
#include "engines/EngineVersions.h"
#include "engines/blink/BlinkBrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <qtwebenginecoreglobal.h>

#include <array>

namespace Blink {

namespace {

bool offTheRecord = false;

QString firstInstalled(std::initializer_list<const char*> families) {
    const QStringList installed = QFontDatabase::families();
    for (const char* family : families)
        if (installed.contains(QLatin1String(family), Qt::CaseInsensitive)) return QString::fromLatin1(family);
    return {};
}

}  // namespace

QWebEngineProfile* sharedProfile() {
    // Never freed: pages of windows still open at exit must not outlive their profile.
    static QWebEngineProfile* profile = [] {
        auto* p = offTheRecord ? new QWebEngineProfile : new QWebEngineProfile(QStringLiteral("Tavix"));
        p->setHttpAcceptLanguage(QStringLiteral("ja,en;q=0.8"));
        QWebEngineSettings* settings = p->settings();
        const QString sans = firstInstalled({"Noto Sans CJK JP", "IPAexGothic", "IPAGothic", "VL Gothic", "TakaoPGothic"});
        const QString serif = firstInstalled({"Noto Serif CJK JP", "IPAexMincho", "IPAMincho", "TakaoPMincho"});
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

void registerEngine() {
    EngineRegistry::registerClass(CLASS_WebBrowser, [] { return std::make_unique<BlinkBrowser>(); });
    const QString version = QStringLiteral("QtWebEngine %1 (Chromium %2、組み込み)")
                                .arg(QString::fromLatin1(qWebEngineVersion()), QString::fromLatin1(qWebEngineChromiumVersion()));
    EngineVersions::set(EngineVersions::Slot::InternetExplorer, version);
}

void useOffTheRecordProfile() { offTheRecord = true; }

QString rendererGoneMessage() {
    return QStringLiteral("このページを表示していたプロセスが終了しました。\n再読み込みすると、もう一度表示します。");
}

}  // namespace Blink

#include "engines/blink/BlinkEngine.h"

#include "engines/EngineRegistry.h"
#include "engines/blink/BlinkBrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <array>

namespace Blink {

namespace {

bool offTheRecord = false;
SaveFileChooser saveFileChooser;

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
}

void useOffTheRecordProfile() { offTheRecord = true; }

void setSaveFileChooser(SaveFileChooser chooser) { saveFileChooser = std::move(chooser); }

QString chooseSaveFile(QWidget* parent, const QString& suggestedName) {
    if (saveFileChooser) return saveFileChooser(parent, suggestedName);
    const QString complete = QStringLiteral("Web ページ、完全 (*.html *.htm)");
    const QString archive = QStringLiteral("Web アーカイブ、単一のファイル (*.mht *.mhtml)");
    QString filter = complete;
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("名前を付けて保存"), suggestedName,
                                                complete + QStringLiteral(";;") + archive, &filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += filter == archive ? QStringLiteral(".mht") : QStringLiteral(".html");
    return path;
}

QUrl addressToUrl(const QString& address) {
    const QString text = address.trimmed();
    if (text.isEmpty()) return QUrl(QStringLiteral("about:blank"));
    // A path that names an existing file is that file, even when it also reads as a host.
    const QFileInfo file(QDir::current(), text);
    if ((text.startsWith(QLatin1Char('/')) || text.startsWith(QLatin1String("./")) || file.exists()) &&
        !text.contains(QLatin1String("://")))
        return QUrl::fromLocalFile(file.absoluteFilePath());
    QUrl url = QUrl::fromUserInput(text);
    if (!url.isValid() || url.scheme().isEmpty()) return QUrl();
    // Web addresses need a host; "http:///" or "http://:80" is no address.
    if ((url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) && url.host().isEmpty())
        return QUrl();
    return url;
}

QString urlText(const QUrl& url) { return url.isEmpty() ? QString() : url.toString(); }

double zoomFactorForTextSize(int size) {
    static constexpr std::array<double, 5> factors = {0.75, 0.9, 1.0, 1.2, 1.5};
    return size >= 0 && size < int(factors.size()) ? factors[size] : 0.0;
}

QString rendererGoneMessage() {
    return QStringLiteral("このページを表示していたプロセスが終了しました。\n再読み込みすると、もう一度表示します。");
}

}  // namespace Blink

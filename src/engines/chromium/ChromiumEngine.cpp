#include "engines/chromium/ChromiumEngine.h"

#include "engines/EngineRegistry.h"
#include "engines/EngineVersions.h"
#include "engines/chromium/ChromiumBrowser.h"
#include "engines/chromium/ChromiumProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace Chromium {
namespace {

QString programOverride;
int timeoutMs = StartTimeoutMs;
QString profile;
std::function<bool()> wantedFunction;

}  // namespace

void registerEngine(const QString& profileFolder, const QString& builtInClassId, std::function<bool()> wanted) {
    profile = profileFolder;
    wantedFunction = std::move(wanted);
    EngineRegistry::registerClass(CLASS_WebBrowser, [builtInClassId]() -> std::unique_ptr<WebBrowser2> {
        if (serves()) return std::make_unique<ChromiumBrowser>(builtInClassId);
        return EngineRegistry::createInstance(builtInClassId);
    });
    static bool connected = false;
    if (!connected && qApp) connected = QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [] { shutdown(); });
}

bool serves() {
    return (!wantedFunction || wantedFunction()) && installed() && !ChromiumProcess::instance().failed();
}

QString program() {
    if (!programOverride.isEmpty()) return QFileInfo(programOverride).isExecutable() ? programOverride : QString();
    return QStandardPaths::findExecutable(QStringLiteral("chromium"));
}

void setProgram(const QString& path) { programOverride = path; }

bool installed() { return !program().isEmpty(); }

int startTimeout() { return timeoutMs; }

void setStartTimeout(int ms) { timeoutMs = ms; }

QString profileFolder() { return profile; }

QStringList browserArguments(const QString& profileFolder, bool runningAsRoot) {
    QStringList arguments{
        QStringLiteral("--remote-debugging-pipe"),
        QStringLiteral("--user-data-dir=") + profileFolder,
        QStringLiteral("--no-first-run"),
        QStringLiteral("--no-default-browser-check"),
        QStringLiteral("--disable-sync"),
        QStringLiteral("--disable-background-networking"),
        QStringLiteral("--disable-component-update"),
        QStringLiteral("--disable-default-apps"),
        QStringLiteral("--disable-extensions"),
        QStringLiteral("--disable-features=Translate,MediaRouter,OptimizationHints,AutofillServerCommunication,"
                       "SigninInterceptBubble,ChromeWhatsNewUI,PrivacySandboxSettings4"),
        // Passwords and cookies are kept in the profile, not in a desktop keyring that
        // would ask the user for its own password.
        QStringLiteral("--password-store=basic"),
        QStringLiteral("--lang=ja"),
        // Half the memory per page at no cost in load time, as for the built-in engine.
        QStringLiteral("--renderer-process-limit=4"),
        QStringLiteral("--window-position=0,0"),
    };
    if (runningAsRoot) {
        // Chromium's sandbox does not run as root; the flag's warning bar is kept off the
        // page by the test mode, which changes nothing else a page sees.
        arguments << QStringLiteral("--no-sandbox") << QStringLiteral("--test-type");
    }
    return arguments;
}

bool versionIsRecentEnough(const QString& number) {
    bool ok = false;
    const int major = number.section(u'.', 0, 0).toInt(&ok);
    return ok && major >= OldestMajorVersion;
}

void recordVersion(const QString& version) {
    EngineVersions::set(EngineVersions::Slot::InternetExplorer,
                        QStringLiteral("%1 (システムの Chromium)").arg(version));
}

void shutdown() { ChromiumProcess::instance().shutdown(); }

qint64 processId() { return ChromiumProcess::instance().processId(); }

QString missingMessage() { return QStringLiteral("システムの Chromium が見つかりません"); }

QString tooOldMessage(const QString& version) {
    return QStringLiteral("システムの Chromium %1 は組み込みのエンジンより古いため使いません").arg(version);
}

QString startFailedMessage(const QString& reason) {
    return reason.isEmpty() ? QStringLiteral("システムの Chromium を起動できませんでした")
                            : QStringLiteral("システムの Chromium を起動できませんでした (%1)").arg(reason);
}

QString processGoneMessage() {
    return QStringLiteral("Chromium のページを表示していたプロセスが終了しました。\n再読み込みすると、もう一度表示します。");
}

QString fallBackStatus(const QString& reason) {
    return QStringLiteral("%1。組み込みのエンジンで表示しています。").arg(reason);
}

}  // namespace Chromium

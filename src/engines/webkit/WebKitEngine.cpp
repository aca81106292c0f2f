#include "engines/webkit/WebKitEngine.h"

#include "engines/EngineRegistry.h"
#include "engines/EngineVersions.h"
#include "engines/webkit/WebKitBrowser.h"
#include "engines/webkit/WebKitHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace WebKit {

namespace {

QString hostProgramOverride;

#ifndef TAVIX_HOST_FOLDER_FROM_PROGRAM
#define TAVIX_HOST_FOLDER_FROM_PROGRAM "../libexec/tavix"
#endif
// The WebKitGTK the host is built against; empty when the build did not find it.
#ifndef TAVIX_WEBKITGTK_VERSION
#define TAVIX_WEBKITGTK_VERSION ""
#endif

}  // namespace

void registerEngine() {
    EngineRegistry::registerClass(CLASS_MozillaBrowser, [] { return std::make_unique<WebKitBrowser>(); });
    EngineVersions::set(EngineVersions::Slot::Gekko,
                        QStringLiteral("WebKitGTK %1").arg(QStringLiteral(TAVIX_WEBKITGTK_VERSION)).trimmed());
    // aboutToQuit comes while every window still exists, before main() deletes them.
    static bool connected = false;
    if (!connected && qApp) connected = QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [] { shutdownHost(); });
}

QString hostProgram() {
    if (!hostProgramOverride.isEmpty()) return hostProgramOverride;
    return hostProgramFor(QCoreApplication::applicationDirPath());
}

QString hostProgramFor(const QString& programFolder) {
    const QString beside = programFolder + QStringLiteral("/tavix-webkit-host");
    if (QFileInfo(beside).isExecutable()) return beside;
    const QString installed = QDir::cleanPath(programFolder + QStringLiteral("/" TAVIX_HOST_FOLDER_FROM_PROGRAM "/tavix-webkit-host"));
    // With neither there, the error the user sees names the folder the program is in.
    return QFileInfo(installed).isExecutable() ? installed : beside;
}

void setHostProgram(const QString& path) { hostProgramOverride = path; }

bool startHost() { return WebKitHost::instance().start(); }

void shutdownHost() { WebKitHost::instance().shutdown(); }

qint64 hostProcessId() { return WebKitHost::instance().processId(); }

QString hostGoneMessage() {
    return QStringLiteral("Gecko のページを表示していたプロセスが終了しました。\n再読み込みすると、もう一度表示します。");
}

QString pageGoneMessage() {
    return QStringLiteral("このページを表示していたプロセスが終了しました。\n再読み込みすると、もう一度表示します。");
}

int qtKeyOfKeysym(unsigned keysym) {
    if (keysym >= 'a' && keysym <= 'z') return Qt::Key_A + int(keysym - 'a');
    if (keysym >= 0x20 && keysym <= 0x7e) return int(keysym);
    if (keysym >= 0xa0 && keysym <= 0xff) return QChar(char16_t(keysym)).toUpper().unicode();
    if (keysym >= 0xffbe && keysym <= 0xffe0) return Qt::Key_F1 + int(keysym - 0xffbe);
    if (keysym > 0x1000000 && keysym <= 0x100ffff) return QChar(char16_t(keysym - 0x1000000)).toUpper().unicode();
    switch (keysym) {
    case 0xff0d: return Qt::Key_Return;
    case 0xff8d: return Qt::Key_Enter;
    case 0xff1b: return Qt::Key_Escape;
    case 0xff09: return Qt::Key_Tab;
    case 0xfe20: return Qt::Key_Backtab;
    case 0xff08: return Qt::Key_Backspace;
    case 0xffff: return Qt::Key_Delete;
    case 0xff63: return Qt::Key_Insert;
    case 0xff50: return Qt::Key_Home;
    case 0xff57: return Qt::Key_End;
    case 0xff51: return Qt::Key_Left;
    case 0xff52: return Qt::Key_Up;
    case 0xff53: return Qt::Key_Right;
    case 0xff54: return Qt::Key_Down;
    case 0xff55: return Qt::Key_PageUp;
    case 0xff56: return Qt::Key_PageDown;
    default: return 0;
    }
}

}  // namespace WebKit

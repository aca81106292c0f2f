#include "engines/EngineModule.h"

#include "engines/EngineRegistry.h"
#include "platform/Errors.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <dlfcn.h>
#include <memory>
#include <vector>

// QtGui's own record of the context every other one shares with (exported, not in its
// public headers). QtWebEngine expects it to be set before its library initialises.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace EngineModule {
namespace {

struct Module {
    QString fileName;
    QByteArray entry;
    QByteArray startEntry;  // empty: the engine starts with its first page
    bool loaded = false;
    bool started = false;
    void* handle = nullptr;
};

QHash<QString, Module>& modules() {
    static QHash<QString, Module> table;
    return table;
}

QString key(const QString& classId) { return classId.trimmed().toUpper(); }

// The folder of the library (or program) this code is linked into.
QString ownFolder() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ownFolder), &info) == 0 || !info.dli_fname) return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
}

}  // namespace

// Chromium's first page comes sooner when the context has been made (with the GL driver
// loaded) beforehand, even with views drawn in software: made here, after the first
// paint, rather than by the application before it, where loading the driver, Mesa's
// compiler among it, took longer than the rest of the start-up together.
void provideShareContext() {
    if (qt_gl_global_share_context() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    // Never freed: QtWebEngine may read it until the program's last moment.
    auto* context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    context->create();
    // The attribute that would have asked the application for this context cannot be
    // set once the application exists, and is not needed: Qt's widgets look for the
    // context itself.
    qt_gl_set_global_share_context(context);
}

namespace {

void loadModule(Module& module) {
    if (module.loaded) return;
    provideShareContext();
    const QString beside = ownFolder() + u'/' + module.fileName;
    const QByteArray path = QFile::encodeName(QFileInfo::exists(beside) ? beside : module.fileName);
    void* handle = ::dlopen(path.constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) throw EFOpenError(module.fileName, QString::fromLocal8Bit(::dlerror()));
    auto* entry = reinterpret_cast<void (*)()>(::dlsym(handle, module.entry.constData()));
    if (!entry) throw EFOpenError(module.fileName, QString::fromLocal8Bit(::dlerror()));
    // The library stays loaded for the life of the program: its engines' objects do.
    module.loaded = true;
    module.handle = handle;
    entry();
}

void startModule(Module& module) {
    // Tried once is enough: a library that failed is tried again, and reported, by the
    // first page.
    module.started = true;
    if (!module.loaded || module.startEntry.isEmpty()) return;
    if (auto* start = reinterpret_cast<void (*)()>(::dlsym(module.handle, module.startEntry.constData()))) start();
}

// Does `work` on the module of `classId`, if it is still registered; a failure is left
// to the first page, which asks again and reports it where the user sees it.
void attempt(const QString& classId, void (*work)(Module&)) {
    const auto it = modules().find(key(classId));
    if (it == modules().end()) return;
    try {
        work(it.value());
    } catch (const TavixError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    }
}

using Steps = std::vector<std::function<void()>>;

// Runs steps[next..] one per turn of the event loop while `context` lives.
void runInTurns(const QPointer<QObject>& context, const std::shared_ptr<const Steps>& steps, std::size_t next = 0) {
    QTimer::singleShot(0, context, [context, steps, next] {
        if (!context) return;
        (*steps)[next]();
        if (next + 1 < steps->size()) runInTurns(context, steps, next + 1);
    });
}

}  // namespace

void registerOnFirstUse(const QString& classId, const QString& fileName, const char* entry, const char* startEntry) {
    modules().insert(key(classId), Module{fileName, entry, startEntry ? QByteArray(startEntry) : QByteArray()});
    EngineRegistry::registerClass(classId, [classId]() -> std::unique_ptr<WebBrowser2> {
        // A library whose entry left this factory in place would bring us back here:
        // that is an engine that could not be made, not an endless loop.
        static bool inside = false;
        if (inside) return nullptr;
        load(classId);
        inside = true;
        struct Reset {
            ~Reset() { inside = false; }
        } reset;
        // The entry has put the real factory in this one's place.
        return EngineRegistry::createInstance(classId);
    });
}

void load(const QString& classId) {
    const auto it = modules().find(key(classId));
    if (it == modules().end()) return;
    loadModule(it.value());
}

bool isLoaded(const QString& classId) {
    const auto it = modules().constFind(key(classId));
    return it == modules().constEnd() || it->loaded;
}

bool isStarted(const QString& classId) {
    const auto it = modules().constFind(key(classId));
    return it == modules().constEnd() || it->started;
}

void loadInSteps(const QString& classId, QObject* context, std::function<void()> ready) {
    runInTurns(context, std::make_shared<const Steps>(Steps{
                            [] { provideShareContext(); },
                            [classId] { attempt(classId, &loadModule); },
                            std::move(ready),
                        }));
}

void startInSteps(const QString& classId, QObject* context, std::function<void()> ready) {
    if (isStarted(classId)) return ready();
    runInTurns(context, std::make_shared<const Steps>(Steps{
                            [] { provideShareContext(); },
                            [classId] { attempt(classId, &loadModule); },
                            [classId] { attempt(classId, &startModule); },
                            std::move(ready),
                        }));
}

}  // namespace EngineModule

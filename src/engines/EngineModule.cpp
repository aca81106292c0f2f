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
#include <dlfcn.h>

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
    bool loaded = false;
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
    entry();
}

}  // namespace

void registerOnFirstUse(const QString& classId, const QString& fileName, const char* entry) {
    modules().insert(key(classId), Module{fileName, entry, false});
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

}  // namespace EngineModule

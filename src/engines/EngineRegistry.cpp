#include "engines/EngineRegistry.h"

#include <QHash>

namespace {

QHash<QString, EngineFactory>& factories() {
    static QHash<QString, EngineFactory> table;
    return table;
}

QString key(const QString& classId) { return classId.trimmed().toUpper(); }

}  // namespace

namespace EngineRegistry {

void registerClass(const QString& classId, EngineFactory factory) {
    if (!factory) {
        unregisterClass(classId);
        return;
    }
    factories().insert(key(classId), std::move(factory));
}

void unregisterClass(const QString& classId) { factories().remove(key(classId)); }

bool isRegistered(const QString& classId) { return factories().contains(key(classId)); }

std::unique_ptr<WebBrowser2> createInstance(const QString& classId) {
    const auto it = factories().constFind(key(classId));
    if (it == factories().constEnd()) throw ComError(REGDB_E_CLASSNOTREG);
    // Copy the factory: creating an engine may register or unregister classes.
    const EngineFactory factory = it.value();
    std::unique_ptr<WebBrowser2> engine = factory();
    if (!engine) throw ComError(CO_E_SERVER_EXEC_FAILURE);
    return engine;
}

ScopedRegistration::ScopedRegistration(QString classId, EngineFactory factory) : classId_(std::move(classId)) {
    const auto it = factories().constFind(key(classId_));
    if (it != factories().constEnd()) previous_ = it.value();
    registerClass(classId_, std::move(factory));
}

ScopedRegistration::~ScopedRegistration() {
    if (previous_) registerClass(classId_, *previous_);
    else unregisterClass(classId_);
}

}  // namespace EngineRegistry

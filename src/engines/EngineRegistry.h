#pragma once
// The engine class registry: what class creation by class id is on Windows. The program
// registers its engines at start-up; tests register a recording fake under the same ids.

#include "engines/WebBrowser2.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The class id of the IE WebBrowser control (used by TUIWebBrowser and TWebBrowser).
inline const QString CLASS_WebBrowser = QStringLiteral("{8856F961-340A-11D0-A96B-00C04FD705A2}");
// The class id of the Mozilla control (used by TMozillaBrowser).
inline const QString CLASS_MozillaBrowser = QStringLiteral("{1339B54C-3453-11D2-93B9-000000000000}");
// The built-in Chromium engine (QtWebEngine), which serves the IE class id when the
// system's Chromium does not. A private id: nothing outside the program creates it.
inline const QString CLASS_BuiltInWebBrowser = QStringLiteral("{8856F961-340A-11D0-A96B-00C04FD705A2}.QtWebEngine");

using EngineFactory = std::function<std::unique_ptr<WebBrowser2>()>;

namespace EngineRegistry {

// Registers (or replaces) the factory of a class id. Class ids compare without regard
// to case, as GUID strings do.
void registerClass(const QString& classId, EngineFactory factory);
void unregisterClass(const QString& classId);
bool isRegistered(const QString& classId);

// Creates an engine of the class. An unregistered class raises
// ComError(REGDB_E_CLASSNOTREG); a factory that gives nothing raises
// ComError(CO_E_SERVER_EXEC_FAILURE).
std::unique_ptr<WebBrowser2> createInstance(const QString& classId);

// Puts a factory in place for its lifetime and restores what was there before.
class ScopedRegistration {
public:
    ScopedRegistration(QString classId, EngineFactory factory);
    ~ScopedRegistration();
    ScopedRegistration(const ScopedRegistration&) = delete;
    ScopedRegistration& operator=(const ScopedRegistration&) = delete;

private:
    QString classId_;
    std::optional<EngineFactory> previous_;
};

}  // namespace EngineRegistry

#pragma once
// An engine kept in a library of its own, loaded when the program first needs it. The
// frame paints without the engine's libraries (QtWebEngine, Qt Quick, their GL setup),
// which would otherwise be loaded, relocated and initialised before the first picture.

#include <QObject>
#include <QString>
#include <functional>

namespace EngineModule {

// Registers `classId` so that its first creation loads the library `fileName` (looked
// for next to the program's own libraries, then where the dynamic loader looks) and
// calls its C entry `entry`, which registers the real factory under the same class id.
// `startEntry`, when given, is a second C entry that starts the engine itself (its
// processes, its profile) before its first page.
void registerOnFirstUse(const QString& classId, const QString& fileName, const char* entry,
                        const char* startEntry = nullptr);

// Loads the library of `classId` now, unless it is loaded or was never registered:
// the engine is then at hand when the first page needs it. Starts no engine process.
// Throws EFOpenError when the library cannot be loaded; a later use tries again.
void load(const QString& classId);

// Makes the GL context QtWebEngine's views share, unless there is one. Loading a library
// does it first; calling it on its own takes that part of the loading apart.
void provideShareContext();

// Whether the library of `classId` is loaded (or the class was never deferred).
bool isLoaded(const QString& classId);

// Whether the engine of `classId` has been started (or its start tried), or was never
// deferred.
bool isStarted(const QString& classId);

// Makes the GL context and loads the library of `classId`, each in a turn of the event
// loop of its own, then calls `ready` unless `context` has gone. Starts no engine process.
void loadInSteps(const QString& classId, QObject* context, std::function<void()> ready);

// Brings the engine of `classId` up one step per turn of the event loop (the GL context,
// the library, the engine's own start), so that no one turn keeps the frame from its
// user for all of them, then calls `ready` unless `context` has gone. A step that fails
// is left to the first page, which reports it.
void startInSteps(const QString& classId, QObject* context, std::function<void()> ready);

}  // namespace EngineModule

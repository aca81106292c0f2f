#pragma once
// An engine kept in a library of its own, loaded when the program first needs it. The
// frame paints without the engine's libraries (QtWebEngine, Qt Quick, their GL setup),
// which would otherwise be loaded, relocated and initialised before the first picture.

#include <QString>

namespace EngineModule {

// Registers `classId` so that its first creation loads the library `fileName` (looked
// for next to the program's own libraries, then where the dynamic loader looks) and
// calls its C entry `entry`, which registers the real factory under the same class id.
void registerOnFirstUse(const QString& classId, const QString& fileName, const char* entry);

// Loads the library of `classId` now, unless it is loaded or was never registered:
// the engine is then at hand when the first page needs it. Starts no engine process.
// Throws EFOpenError when the library cannot be loaded; a later use tries again.
void load(const QString& classId);

// Makes the GL context QtWebEngine's views share, unless there is one. Loading a library
// does it first; calling it on its own takes that part of the loading apart.
void provideShareContext();

// Whether the library of `classId` is loaded (or the class was never deferred).
bool isLoaded(const QString& classId);

}  // namespace EngineModule

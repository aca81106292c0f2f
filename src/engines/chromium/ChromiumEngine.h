#pragma once
// The system's Chromium in the "Internet Explorer" slot: where its program and profile
// are, how it is started, and the slot's choice between it and the built-in engine.

#include <QString>
#include <QStringList>
#include <functional>

namespace Chromium {

// How long a starting browser has to answer before the slot falls back; tests shorten it.
inline constexpr int StartTimeoutMs = 8000;
int startTimeout();
void setStartTimeout(int ms);
// The built-in engine's Chromium: a system Chromium older than it is no gain.
inline constexpr int OldestMajorVersion = 102;

// The slot's engine: the system's Chromium when `wanted` says so (read at every new
// page) and it is installed and has not failed this run, else the class `builtIn`.
void registerEngine(const QString& profileFolder, const QString& builtInClassId, std::function<bool()> wanted);
// Whether the next page of the slot gets the system's Chromium.
bool serves();

// The Chromium program: `chromium` on the PATH (or what a test put in place; an empty
// path restores the search). Empty when there is none.
QString program();
void setProgram(const QString& path);
bool installed();

QString profileFolder();

// The switches of the browser: the pipe and nothing of the browser's own on the network
// or on the screen; without the sandbox only as root, where it cannot run with one.
QStringList browserArguments(const QString& profileFolder, bool runningAsRoot);

// Whether a version number ("156.0.8078.129") is at least OldestMajorVersion.
bool versionIsRecentEnough(const QString& number);
void recordVersion(const QString& version);

// Quits the browser and waits for it, before the frame's windows go.
void shutdown();
qint64 processId();

QString missingMessage();
QString tooOldMessage(const QString& version);
QString startFailedMessage(const QString& reason);
// What a view shows when the browser process has ended.
QString processGoneMessage();
// What the status bar says when the built-in engine serves in its place.
QString fallBackStatus(const QString& reason);

}  // namespace Chromium

#pragma once
// WebKit in the Gecko slot: registration, the host process and the choices the shell
// makes for its pages. Names no toolkit type of the host, so the entry point and the
// tests may include it.

#include <QString>
#include <functional>

class QWidget;

namespace WebKit {

// Registers the WebKit engine under the Mozilla class id, and quits the host when the
// application leaves its event loop.
void registerEngine();

// The host program: hostProgramFor() the running executable's folder unless a test put
// another path in place (an empty path restores the default).
QString hostProgram();
void setHostProgram(const QString& path);
// tavix-webkit-host beside a program in programFolder (as in the build folder) or else
// where an installation puts it, relative to that folder.
QString hostProgramFor(const QString& programFolder);

// Starts the host ahead of its first view, when a page for it will come soon: its start
// then runs beside the shell's own. False when the program cannot be started.
bool startHost();

// Quits the host and waits for it. The shell calls this before Qt destroys the native
// windows the host's windows live in; every open view then shows the host as ended.
void shutdownHost();

// The id of the running host process; 0 when none runs.
qint64 hostProcessId();

// What a view shows in place of its page when the host process has ended, and when
// the process drawing its page has.
QString hostGoneMessage();
QString pageGoneMessage();

// The Qt key of an X keysym; 0 for keys the shell has no use for.
int qtKeyOfKeysym(unsigned keysym);

}  // namespace WebKit

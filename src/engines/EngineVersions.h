#pragma once
// What serves each engine slot, in words the version box shows: filled in by each
// engine when it knows its own version (a library when it is loaded, a process when it
// has answered), read by whoever shows it.

#include <QString>
#include <QStringList>

namespace EngineVersions {

enum class Slot { InternetExplorer, Gekko };

// Records the text for a slot ("Chromium 156.0.8078.129 (システムの Chromium)"); an empty
// text forgets it.
void set(Slot slot, const QString& text);
// The text for a slot; empty while no engine of that slot has said.
QString get(Slot slot);
// One line a slot, "Internet Explorer の枠: …" and "Gekko の枠: …", with "未使用" for a
// slot no engine has filled yet.
QStringList describe();

}  // namespace EngineVersions

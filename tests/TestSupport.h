#pragma once
// Shared fixtures: a temporary program folder, and recorders in place of the error box
// and the beep.

#include "EventWait.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

// How many times slower than a plain build this one runs its tests. A bound on a
// duration that tells a slower algorithm from a fast one (not a slow machine from a
// fast one) is multiplied by it; AddressSanitizer costs a few times.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr int BuildSlowdown = 5;
#else
inline constexpr int BuildSlowdown = 1;
#endif

// A program folder of its own, holding an empty CloseURL.txt as an installation does,
// removed afterwards; path() ends in "/".
class ProgramFolder {
public:
    ProgramFolder();
    QString path() const { return dir_.path() + QStringLiteral("/"); }
    QString file(const QString& name) const { return path() + name; }
    void write(const QString& name, const std::string& bytes) const;
    std::string read(const QString& name) const;

private:
    QTemporaryDir dir_;
};

// Records the messages that would have been shown, for as long as it lives.
class ErrorRecorder {
public:
    ErrorRecorder();
    ~ErrorRecorder();
    QStringList messages;
};

// Counts beeps, for as long as it lives.
class BeepCounter {
public:
    BeepCounter();
    ~BeepCounter();
    int count = 0;
};

#include "platform/Com.h"
#include <ostream>

// Readable variants in test failures.
void PrintTo(const Variant& value, std::ostream* os);
// Text as text, not as a list of code units.
void PrintTo(const QString& value, std::ostream* os);

#pragma once
// Addresses as the engines take and report them.

#include <QString>
#include <QUrl>

// What the engine loads for an address as a user typed it: nothing → about:blank; an
// existing local file (absolute, or relative to the current folder) → its file URL; a
// name without a scheme → http://. Invalid addresses give an invalid URL.
QUrl addressToUrl(const QString& address);

// The text form of an address the engine reports (LocationURL, BeforeNavigate2's URL):
// one form for both, so that an address read from a page matches the address a later
// navigation to it announces.
QString urlText(const QUrl& url);

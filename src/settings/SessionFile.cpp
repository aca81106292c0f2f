#include "settings/SessionFile.h"

#include "platform/AtomicFile.h"
#include "platform/TextLines.h"

const QString SessionFile::IECaption = QStringLiteral("Internet Explorer");
const QString SessionFile::GeckoCaption = QStringLiteral("Gecko");

SessionFile::SessionFile(const QString& appPath) : path_(appPath + QStringLiteral("session.txt")) {}

std::vector<SessionEntry> SessionFile::read() const {
    const std::optional<std::string> bytes = AtomicFile::readIfExists(path_);
    if (!bytes) return {};
    std::vector<SessionEntry> entries;
    for (const QString& line : TextLines::split(*bytes)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        const bool known = fields.size() >= 2 && (fields[0] == IECaption || fields[0] == GeckoCaption);
        const bool marked = fields.size() == 3 && fields[2] == QStringLiteral("*");
        // A damaged file reopens nothing rather than a guess at what it meant.
        if (!known || fields.size() > 3 || (fields.size() == 3 && !marked)) return {};
        entries.push_back({fields[0], fields[1], marked});
    }
    return entries;
}

void SessionFile::write(const std::vector<SessionEntry>& entries) const {
    QStringList lines;
    for (const SessionEntry& e : entries) {
        // An address is one field of one line: its own tabs and line breaks go escaped,
        // as an address may write them.
        QString address = e.address;
        address.replace(QLatin1Char('\t'), QStringLiteral("%09"))
            .replace(QLatin1Char('\r'), QStringLiteral("%0D"))
            .replace(QLatin1Char('\n'), QStringLiteral("%0A"));
        QString line = e.caption + QLatin1Char('\t') + address;
        if (e.active) line += QStringLiteral("\t*");
        lines << line;
    }
    TextLines::write(path_, lines);
}

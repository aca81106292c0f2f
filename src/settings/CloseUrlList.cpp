#include "settings/CloseUrlList.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/TextLines.h"

#include <QFile>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unordered_set>

namespace {

// The list's lines as the bytes they are in the file. A line is the address exactly when
// it decodes (losslessly) to it; lossless decoding has an exact inverse, so that is when
// the line's bytes are the address encoded back, and the bytes can be compared
// directly, whatever the locale's character set is now.
using LineSet = std::unordered_set<std::string>;

std::shared_ptr<const LineSet> splitIntoSet(std::string_view bytes) {
    auto set = std::make_shared<LineSet>();
    std::size_t start = 0, i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            set->emplace(bytes.substr(start, i - start));
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) set->emplace(bytes.substr(start));
    return set;
}

// One parsed copy per list file, trusted while the file keeps its inode, size and
// modification time (to the nanosecond): any replacement or edit is seen at the next
// check.
struct Parsed {
    dev_t dev;
    ino_t ino;
    off_t size;
    struct timespec mtime;
    std::shared_ptr<const LineSet> lines;
};

std::map<QString, Parsed>& parsedLists() {
    static std::map<QString, Parsed> lists;
    return lists;
}

bool sameFile(const Parsed& p, const struct stat& st) {
    return p.dev == st.st_dev && p.ino == st.st_ino && p.size == st.st_size && p.mtime.tv_sec == st.st_mtim.tv_sec &&
           p.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

std::shared_ptr<const LineSet> lineSet(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    const bool found = ::stat(name.constData(), &st) == 0;
    if (found) {
        const auto it = parsedLists().find(path);
        if (it != parsedLists().end() && sameFile(it->second, st)) return it->second.lines;
    }
    parsedLists().erase(path);
    // A missing or unreadable list throws here, as reading it always has.
    const std::string bytes = AtomicFile::read(path);
    auto lines = splitIntoSet(bytes);
    // Kept only if the file did not change while it was read.
    struct stat after {};
    if (found && ::stat(name.constData(), &after) == 0 && sameFile(Parsed{st.st_dev, st.st_ino, st.st_size, st.st_mtim, {}}, after) &&
        after.st_size == static_cast<off_t>(bytes.size()))
        parsedLists()[path] = Parsed{st.st_dev, st.st_ino, st.st_size, st.st_mtim, lines};
    return lines;
}

}  // namespace

CloseUrlList::CloseUrlList(const QString& appPath) : path_(appPath + QStringLiteral("CloseURL.txt")) {}

bool CloseUrlList::contains(const QString& address) const {
    const auto lines = lineSet(path_);
    const std::string bytes = CodePage::fromUnicodeLossless(address);
    // An address no line can decode to (a stray surrogate the encoder had to replace)
    // matches nothing.
    if (CodePage::toUnicodeLossless(bytes) != address) return false;
    return lines->count(bytes) != 0;
}

void CloseUrlList::append(const QString& address) {
    // Only the new line is ours to encode; the rest goes back untouched.
    std::string bytes = AtomicFile::readIfExists(path_).value_or(std::string());
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') bytes += "\r\n";
    // The address comes from a page: the lossy encoder keeps its stray surrogates from
    // turning into raw bytes.
    bytes += CodePage::fromUnicode(address);
    bytes += "\r\n";
    AtomicFile::write(path_, bytes);
}

QStringList CloseUrlList::lines() const { return TextLines::readLossless(path_); }

void CloseUrlList::replace(const QStringList& lines) { TextLines::writeLossless(path_, lines); }

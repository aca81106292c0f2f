#include "settings/CloseUrlList.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileIdentity.h"
#include "platform/FileNames.h"
#include "platform/TextLines.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The list's lines as the bytes they are in the file. A line is the address exactly when
// it decodes (losslessly, in the list's character set) to it; lossless decoding has an
// exact inverse, so that is when the line's bytes are the address encoded back, and the
// bytes can be compared directly.
//
// A list of 100,000 lines is read again after every change, so the parsed form costs
// one allocation for the bytes and two flat arrays, not a node and a string per line:
// the lines are views into the file's bytes, found through an open-addressed table.
class LineSet {
public:
    explicit LineSet(std::string bytes) : bytes_(std::move(bytes)), charset_(CodePage::listFileCharset(bytes_)) {
        const char* p = bytes_.data();
        const std::size_t n = bytes_.size();
        // The next CR and the next LF, each searched for again only once passed: a
        // list with one kind of line end must not be scanned to its end for the other
        // kind at every line.
        std::size_t cr = 0, lf = 0, start = 0;
        const auto next = [&](char c, std::size_t from) {
            const void* hit = from < n ? std::memchr(p + from, c, n - from) : nullptr;
            return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - p) : n;
        };
        cr = next('\r', 0);
        lf = next('\n', 0);
        while (start < n) {
            const std::size_t at = std::min(cr, lf);
            if (at == n) break;
            lines_.push_back({start, at - start});
            start = at + ((p[at] == '\r' && at + 1 < n && p[at + 1] == '\n') ? 2 : 1);
            if (cr < start) cr = next('\r', start);
            if (lf < start) lf = next('\n', start);
        }
        if (start < n) lines_.push_back({start, n - start});
        std::size_t capacity = 16;
        while (capacity < lines_.size() * 2) capacity *= 2;
        slots_.assign(capacity, 0);
        for (std::size_t k = 0; k < lines_.size(); ++k) {
            const std::string_view line = view(k);
            std::size_t s = std::hash<std::string_view>{}(line) & (capacity - 1);
            bool present = false;
            while (slots_[s] != 0) {
                if (view(slots_[s] - 1) == line) {
                    present = true;
                    break;
                }
                s = (s + 1) & (capacity - 1);
            }
            if (!present) slots_[s] = k + 1;
        }
    }

    bool contains(std::string_view line) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t s = std::hash<std::string_view>{}(line) & mask; slots_[s] != 0; s = (s + 1) & mask)
            if (view(slots_[s] - 1) == line) return true;
        return false;
    }

    const std::string& charset() const { return charset_; }

private:
    struct Line {
        std::size_t start, size;
    };

    std::string_view view(std::size_t k) const { return std::string_view(bytes_).substr(lines_[k].start, lines_[k].size); }

    std::string bytes_;
    std::string charset_;
    std::vector<Line> lines_;
    std::vector<std::size_t> slots_;  // line index + 1; 0 is an empty slot
};

// One parsed copy per list file, trusted while the file keeps its identity.
using Identity = FileIdentity;

struct Parsed {
    Identity identity;
    std::shared_ptr<const LineSet> lines;
};

std::map<QString, Parsed>& parsedLists() {
    static std::map<QString, Parsed> lists;
    return lists;
}

[[noreturn]] void cannotRead(const QString& path, int err) {
    throw EFOpenError(path, QString::fromLocal8Bit(std::strerror(err)));
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The whole file in one buffer sized from the open file, and whether the file stayed
// the same while it was read (only then may the parsed copy be kept).
std::string readWhole(const QString& path, struct stat& opened, bool& steady) {
    const Fd fd(AtomicFile::openForReading(path));
    if (fd.get() < 0) cannotRead(path, ENOENT);
    if (::fstat(fd.get(), &opened) != 0) cannotRead(path, errno);
    std::string bytes;
    // One byte more than the file holds, so that the read that finds the end needs no
    // larger buffer; a file that grows meanwhile is still read to its end.
    bytes.resize((opened.st_size > 0 ? static_cast<std::size_t>(opened.st_size) : 0) + 1);
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t n = ::read(fd.get(), bytes.data() + have, bytes.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            cannotRead(path, errno);
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    bytes.resize(have);
    struct stat after {};
    steady = ::fstat(fd.get(), &after) == 0 && Identity(after) == Identity(opened) &&
             have == static_cast<std::size_t>(opened.st_size);
    return bytes;
}

std::shared_ptr<const LineSet> lineSet(const QString& path) {
    const std::string name = encodeFileName(path);
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0) {
        const auto it = parsedLists().find(path);
        if (it != parsedLists().end() && it->second.identity == Identity(st)) return it->second.lines;
    }
    parsedLists().erase(path);
    // A missing or unreadable list throws here, as reading it always has.
    struct stat opened {};
    bool steady = false;
    auto lines = std::make_shared<const LineSet>(readWhole(path, opened, steady));
    if (steady) parsedLists().insert_or_assign(path, Parsed{Identity(opened), lines});
    return lines;
}

}  // namespace

CloseUrlList::CloseUrlList(const QString& appPath) : path_(appPath + QStringLiteral("CloseURL.txt")) {}

bool CloseUrlList::contains(const QString& address) const {
    const auto lines = lineSet(path_);
    const std::string bytes = CodePage::encodeLossless(address, lines->charset());
    // An address no line can decode to (a stray surrogate the encoder had to replace, a
    // character the list's set cannot hold) matches nothing.
    if (CodePage::decodeLossless(bytes, lines->charset()) != address) return false;
    return lines->contains(bytes);
}

void CloseUrlList::append(const QString& address) {
    // Only the new line is ours to encode; the rest goes back untouched.
    std::string bytes = AtomicFile::readIfExists(path_).value_or(std::string());
    const std::string charset = CodePage::listFileCharset(bytes);
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') bytes += "\r\n";
    // The address comes from a page: the lossy encoder keeps its stray surrogates from
    // turning into raw bytes.
    bytes += CodePage::encode(address, charset);
    bytes += "\r\n";
    AtomicFile::write(path_, bytes);
}

void CloseUrlList::createIfMissing() {
    if (!AtomicFile::exists(path_)) AtomicFile::write(path_, std::string());
}

TextLines::ListFile CloseUrlList::readAll() const { return TextLines::readList(path_); }

void CloseUrlList::replace(const TextLines::ListFile& list) { TextLines::writeList(path_, list); }

#include "platform/PrivateProfile.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <QFile>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace PrivateProfile {
namespace {

struct Line {
    std::size_t begin;    // first byte of the content
    std::size_t end;      // one past the content
    std::size_t termEnd;  // one past the line end (== end for a last line without one)
};

std::vector<Line> splitLines(std::string_view s) {
    std::vector<Line> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '\r' || s[i] == '\n') {
            const std::size_t term = (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
            lines.push_back({start, i, i + term});
            i += term;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < s.size()) lines.push_back({start, s.size(), s.size()});
    return lines;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view v) {
    while (!v.empty() && isBlank(v.front())) v.remove_prefix(1);
    while (!v.empty() && isBlank(v.back())) v.remove_suffix(1);
    return v;
}

std::string lower(std::string_view v) {
    std::string out(v);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A section header's name, or nothing when the line is no header.
std::optional<std::string_view> sectionName(std::string_view content) {
    const std::string_view t = trim(content);
    if (t.empty() || t.front() != '[') return std::nullopt;
    std::string_view name = t.substr(1);
    const auto close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    return trim(name);
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view content) {
    const auto eq = content.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view value = trim(content.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return KeyLine{trim(content.substr(0, eq)), value};
}

std::string cut(std::string_view value) {
    return std::string(value.substr(0, CodePage::prefixAtCharBoundary(value, MaxValueBytes)));
}

// First-occurrence index of a whole file, for repeated reads.
struct Parsed {
    std::map<std::string, std::map<std::string, std::string>> sections;
};

std::shared_ptr<const Parsed> parse(std::string_view contents) {
    auto parsed = std::make_shared<Parsed>();
    std::map<std::string, std::string>* current = nullptr;
    bool firstOccurrence = false;
    for (const Line& line : splitLines(contents)) {
        const std::string_view content = contents.substr(line.begin, line.end - line.begin);
        if (auto name = sectionName(content)) {
            const std::string key = lower(*name);
            firstOccurrence = parsed->sections.find(key) == parsed->sections.end();
            current = &parsed->sections[key];
            continue;
        }
        if (!current || !firstOccurrence) continue;
        if (auto kv = keyLine(content)) current->try_emplace(lower(kv->key), cut(kv->value));
    }
    return parsed;
}

struct CacheEntry {
    dev_t dev;
    ino_t ino;
    off_t size;
    struct timespec mtime;
    std::shared_ptr<const Parsed> parsed;
};

std::unordered_map<std::string, CacheEntry>& cache() {
    static std::unordered_map<std::string, CacheEntry> entries;
    return entries;
}

bool sameFile(const CacheEntry& e, const struct stat& st) {
    return e.dev == st.st_dev && e.ino == st.st_ino && e.size == st.st_size &&
           e.mtime.tv_sec == st.st_mtim.tv_sec && e.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

std::shared_ptr<const Parsed> parsedFile(const QString& path) {
    const QByteArray nameBytes = QFile::encodeName(path);
    const std::string name(nameBytes.constData(), static_cast<std::size_t>(nameBytes.size()));
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        cache().erase(name);
        return nullptr;
    }
    auto it = cache().find(name);
    if (it != cache().end() && sameFile(it->second, st)) return it->second.parsed;
    std::optional<std::string> contents;
    try {
        contents = AtomicFile::readIfExists(path);
    } catch (const std::exception&) {
        return nullptr;
    }
    if (!contents) return nullptr;
    auto parsed = parse(*contents);
    // Only trust the copy if the file did not change while we read it.
    struct stat after {};
    if (::stat(name.c_str(), &after) == 0 && after.st_ino == st.st_ino &&
        after.st_size == static_cast<off_t>(contents->size()) && after.st_mtim.tv_sec == st.st_mtim.tv_sec &&
        after.st_mtim.tv_nsec == st.st_mtim.tv_nsec)
        cache()[name] = CacheEntry{st.st_dev, st.st_ino, st.st_size, st.st_mtim, parsed};
    return parsed;
}

// The open batch of each path that has one.
struct Pending {
    std::optional<std::string> contents;  // read at the batch's first write
    bool changed = false;
    std::shared_ptr<const Parsed> parsed;  // of contents, for reads inside the batch
};

std::map<QString, Pending>& pending() {
    static std::map<QString, Pending> batches;
    return batches;
}

Pending* pendingFor(const QString& path) {
    const auto it = pending().find(path);
    return it == pending().end() ? nullptr : &it->second;
}

std::string readForWrite(const QString& path) {
    try {
        return AtomicFile::readIfExists(path).value_or(std::string());
    } catch (const std::exception&) {
        // Replacing a file we cannot read would lose whatever it holds.
        throw EWriteError(path);
    }
}

std::optional<std::string> find(const Parsed& parsed, std::string_view section, std::string_view key) {
    const auto s = parsed.sections.find(lower(section));
    if (s == parsed.sections.end()) return std::nullopt;
    const auto k = s->second.find(lower(key));
    if (k == s->second.end()) return std::nullopt;
    return k->second;
}

std::string sanitized(std::string_view text) {
    // A line end inside a value would start a new line of the file and could plant keys.
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

std::optional<std::string> lookup(std::string_view contents, std::string_view section, std::string_view key) {
    return find(*parse(contents), section, key);
}

std::optional<std::string> read(const QString& path, std::string_view section, std::string_view key) {
    if (Pending* batch = pendingFor(path); batch && batch->contents) {
        if (!batch->parsed) batch->parsed = parse(*batch->contents);
        return find(*batch->parsed, section, key);
    }
    const auto parsed = parsedFile(path);
    if (!parsed) return std::nullopt;
    return find(*parsed, section, key);
}

void applyValue(std::string& contents, std::string_view section, std::string_view key, std::string_view value) {
    const std::string newLine = std::string(key) + "=" + sanitized(value);

    // Find the first section of that name, its first matching key and its last
    // non-blank line. The scan ends with that section: a large file is read only as
    // far as the key's place.
    std::optional<Line> header;
    std::optional<Line> keyLineFound;
    Line lastFilled{};
    const std::string_view all(contents);
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t i = start;
        while (i < all.size() && all[i] != '\r' && all[i] != '\n') ++i;
        std::size_t termEnd = i;
        if (i < all.size()) termEnd += (all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ? 2 : 1;
        const Line line{start, i, termEnd};
        start = termEnd;
        const std::string_view content = all.substr(line.begin, line.end - line.begin);
        if (auto name = sectionName(content)) {
            if (header) break;
            if (equalNoCase(*name, section)) {
                header = line;
                lastFilled = line;
            }
            continue;
        }
        if (!header) continue;
        if (!trim(content).empty()) lastFilled = line;
        if (!keyLineFound) {
            if (auto kv = keyLine(content); kv && equalNoCase(kv->key, key)) keyLineFound = line;
        }
    }

    if (keyLineFound) {
        contents.replace(keyLineFound->begin, keyLineFound->end - keyLineFound->begin, newLine);
        return;
    }
    if (header) {
        // After the section's last line, whose own line end stays; one is added when it
        // has none (the file's last line).
        const Line& l = lastFilled;
        if (l.termEnd > l.end) contents.insert(l.termEnd, newLine + "\r\n");
        else contents.insert(l.end, "\r\n" + newLine + "\r\n");
        return;
    }
    if (!contents.empty() && contents.back() != '\n' && contents.back() != '\r') contents.append("\r\n");
    contents.append("[").append(section).append("]\r\n").append(newLine).append("\r\n");
}

std::string withValue(std::string_view contents, std::string_view section, std::string_view key,
                      std::string_view value) {
    std::string out;
    out.reserve(contents.size() + key.size() + value.size() + section.size() + 8);
    out.append(contents);
    applyValue(out, section, key, value);
    return out;
}

void write(const QString& path, std::string_view section, std::string_view key, std::string_view value) {
    if (Pending* batch = pendingFor(path)) {
        if (!batch->contents) batch->contents = readForWrite(path);
        applyValue(*batch->contents, section, key, value);
        batch->changed = true;
        batch->parsed.reset();
        return;
    }
    AtomicFile::write(path, withValue(readForWrite(path), section, key, value));
}

Batch::Batch(const QString& path) : path_(path) {
    outer_ = pending().try_emplace(path).second;
}

Batch::~Batch() {
    if (done_ || !outer_) return;
    try {
        commit();
    } catch (...) {
        // Reached only while another exception is on its way out (or commit() was
        // never called): that one is reported, and the file is as before the batch.
    }
}

void Batch::commit() {
    if (done_) return;
    done_ = true;
    if (!outer_) return;
    const auto it = pending().find(path_);
    if (it == pending().end()) return;
    const Pending batch = std::move(it->second);
    pending().erase(it);
    if (batch.changed) AtomicFile::write(path_, *batch.contents);
}

}  // namespace PrivateProfile

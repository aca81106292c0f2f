#include "settings/SiteRuleFile.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileIdentity.h"
#include "platform/FileNames.h"

#include <QUrl>
#include <algorithm>
#include <map>

namespace {

struct Parsed {
    FileIdentity identity;
    std::shared_ptr<const SiteRuleIndex> index;
};

std::map<QString, Parsed>& parsedFiles() {
    static std::map<QString, Parsed> files;
    return files;
}

}  // namespace

SiteRuleDocument::SiteRuleDocument(std::string bytes) : charset_(CodePage::listFileCharset(bytes)) {
    std::size_t start = 0;
    const std::size_t n = bytes.size();
    while (start < n) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        Line line{nextId_++, {}, {}, std::nullopt};
        if (end == std::string::npos) {
            line.text = bytes.substr(start);
            start = n;
        } else {
            line.text = bytes.substr(start, end - start);
            const std::size_t endLength = (bytes[end] == '\r' && end + 1 < n && bytes[end + 1] == '\n') ? 2 : 1;
            line.ending = bytes.substr(end, endLength);
            start = end + endLength;
        }
        line.rule = SiteRules::parseLine(CodePage::decodeLossless(line.text, charset_));
        lines_.push_back(std::move(line));
    }
}

QList<SiteRuleDocument::Entry> SiteRuleDocument::rules() const {
    QList<Entry> entries;
    for (const Line& line : lines_)
        if (line.rule) entries.append({line.id, *line.rule});
    return entries;
}

std::vector<SiteRule> SiteRuleDocument::ruleList() const {
    std::vector<SiteRule> list;
    for (const Line& line : lines_)
        if (line.rule) list.push_back(*line.rule);
    return list;
}

SiteRuleDocument::Line* SiteRuleDocument::find(int id) {
    const auto it = std::find_if(lines_.begin(), lines_.end(), [id](const Line& l) { return l.id == id && l.rule; });
    return it == lines_.end() ? nullptr : &*it;
}

void SiteRuleDocument::setRule(int id, const SiteRule& rule) {
    Line* line = find(id);
    if (!line || *line->rule == rule) return;
    line->text = CodePage::encode(SiteRules::formatLine(rule), charset_);
    line->rule = rule;
}

int SiteRuleDocument::addRule(const SiteRule& rule) {
    // A last line without a line end gets one, or the new rule would join it.
    if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = "\r\n";
    lines_.push_back({nextId_, CodePage::encode(SiteRules::formatLine(rule), charset_), "\r\n", rule});
    return nextId_++;
}

void SiteRuleDocument::removeRule(int id) {
    std::erase_if(lines_, [id](const Line& l) { return l.id == id && l.rule; });
}

std::optional<SiteRuleDocument::Entry> SiteRuleDocument::hostRule(const QString& host) const {
    const std::string key = SiteRules::hostKey(host);
    if (key.empty()) return std::nullopt;
    // The last one, as the last of equal patterns is the one that counts.
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
        if (it->rule && !it->rule->pattern.contains(QLatin1String("://")) &&
            !it->rule->pattern.startsWith(QLatin1String("*.")) && SiteRules::hostKey(it->rule->pattern) == key)
            return Entry{it->id, *it->rule};
    return std::nullopt;
}

std::string SiteRuleDocument::bytes() const {
    std::string out;
    for (const Line& line : lines_) out += line.text + line.ending;
    return out;
}

SiteRuleFile::SiteRuleFile(const QString& appPath) : path_(appPath + QStringLiteral("SiteEngine.txt")) {}

std::optional<SiteEngine> SiteRuleFile::engineFor(const QUrl& url) const {
    struct stat st {};
    if (::stat(encodeFileName(path_).c_str(), &st) != 0) {
        parsedFiles().erase(path_);
        return std::nullopt;
    }
    auto it = parsedFiles().find(path_);
    if (it == parsedFiles().end() || !(it->second.identity == FileIdentity(st))) {
        // Read after the look at its identity: a change while it is read is seen again
        // at the next decision rather than kept.
        auto index = std::make_shared<const SiteRuleIndex>(read().ruleList());
        it = parsedFiles().insert_or_assign(path_, Parsed{FileIdentity(st), std::move(index)}).first;
    }
    return it->second.index->decide(url);
}

SiteRuleDocument SiteRuleFile::read() const {
    return SiteRuleDocument(AtomicFile::readIfExists(path_).value_or(std::string()));
}

void SiteRuleFile::write(const SiteRuleDocument& document) { AtomicFile::write(path_, document.bytes()); }

void SiteRuleFile::setHostRule(const QString& host, SiteEngine engine) {
    SiteRuleDocument document = read();
    if (const auto existing = document.hostRule(host)) {
        if (existing->rule.engine == engine) return;
        document.setRule(existing->id, {existing->rule.pattern, engine});
    } else {
        document.addRule({host, engine});
    }
    write(document);
}

#pragma once
// SiteEngine.txt beside the user's other files: the site rules (settings/SiteRules.h),
// one a line. This class is the only reader and writer of that file.
//
// The file is the user's as much as the program's: it may be edited by hand, hold
// comments and lines of a later version, and end its lines with CR LF, LF or CR. Every
// line that is no rule is kept byte for byte and ignored. A write changes only what it
// was asked to: a changed rule rewrites that line's text (its line end stays), a new
// rule is added as the last line with CR LF, a removed rule takes its line end with it.
// The text is read as UTF-8 when its bytes are UTF-8 and as Shift_JIS otherwise, and
// written back in the set it was read in.

#include "settings/SiteRules.h"

#include <QList>
#include <QString>
#include <memory>
#include <string>
#include <vector>

// The file's lines as an editor changes them. Each rule line has an id that stays with
// it while other lines come and go.
class SiteRuleDocument {
public:
    SiteRuleDocument() = default;
    explicit SiteRuleDocument(std::string bytes);

    struct Entry {
        int id;
        SiteRule rule;
    };
    // The rules, in file order.
    QList<Entry> rules() const;
    std::vector<SiteRule> ruleList() const;
    // The line of this id becomes this rule.
    void setRule(int id, const SiteRule& rule);
    // A new last line; its id.
    int addRule(const SiteRule& rule);
    void removeRule(int id);
    // The rule for exactly this host (a host pattern, compared as hosts are), else none.
    std::optional<Entry> hostRule(const QString& host) const;

    std::string bytes() const;

private:
    struct Line {
        int id;
        std::string text;    // the line's bytes, without its end
        std::string ending;  // "\r\n", "\n", "\r", or empty for a last line without one
        std::optional<SiteRule> rule;
    };
    Line* find(int id);

    std::vector<Line> lines_;
    std::string charset_;
    int nextId_ = 1;
};

class SiteRuleFile {
public:
    // appPath: the folder of the user's files, ending in "/".
    explicit SiteRuleFile(const QString& appPath);

    const QString& path() const { return path_; }

    // The engine a rule gives the address; none when no rule matches or there is no
    // file. The rules are read once and kept while the file stays the same, so that a
    // decision costs a few hash lookups; a change counts from the next one. Throws
    // EFOpenError when the file exists but cannot be read.
    std::optional<SiteEngine> engineFor(const QUrl& url) const;

    // The whole file for an editor; a missing file is an empty one. Throws EFOpenError
    // when it exists but cannot be read.
    SiteRuleDocument read() const;
    // Replaces the file atomically. Throws EWriteError; the file is then as it was.
    void write(const SiteRuleDocument& document);

    // Pages of this host always open in this engine: its host rule is changed, or one is
    // added. Reads and writes the file; throws as read() and write() do.
    void setHostRule(const QString& host, SiteEngine engine);

private:
    QString path_;
};

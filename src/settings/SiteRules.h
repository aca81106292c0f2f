#pragma once
// Site rules: which engine the pages of a site always open in. A rule's pattern is a
// host ("example.jp"), a host with every host below it ("*.example.jp"), or the start
// of an address ("https://example.jp/app/"). Only web addresses (http, https) are ever
// ruled: a local file, a script or a data address opens as it always has.
//
// Hosts are compared in their ASCII form (an international name as its "xn--" form) and
// in lower case, so that either spelling of a name matches. A host rule matches any
// port; an address start matches only its own port (the scheme's own when it names
// none). Among the rules that match, an address start beats a host, a host beats a
// host with its subdomains, and the longer beats the shorter.

#include <QString>
#include <QUrl>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

enum class SiteEngine { InternetExplorer, Gekko };

struct SiteRule {
    QString pattern;  // as the user wrote it
    SiteEngine engine = SiteEngine::InternetExplorer;
    bool operator==(const SiteRule&) const = default;
};

namespace SiteRules {

// The engine's name in the rules file and the options window: "Internet Explorer" or
// "Gekko"; none for any other text.
QString engineName(SiteEngine engine);
std::optional<SiteEngine> engineNamed(const QString& name);

// Whether the text is a pattern a rule can hold.
bool isPattern(const QString& pattern);

// One line of the rules file: the pattern, a TAB, the engine's name. Any other line is
// none (and the file keeps it as it is).
std::optional<SiteRule> parseLine(const QString& line);
QString formatLine(const SiteRule& rule);

// The host of a web address as a host rule names it (ASCII, lower case); empty for any
// other address.
QString ruleHost(const QUrl& url);

// The key a host pattern is compared under: ASCII, lower case, no final dot; empty
// when the text is no host name.
std::string hostKey(const QString& host);

}  // namespace SiteRules

// The rules ready to decide: one hash lookup for the address's host and one for each of
// its parent domains, whatever the number of rules.
class SiteRuleIndex {
public:
    SiteRuleIndex() = default;
    // Of two rules with the same pattern, the later one counts.
    explicit SiteRuleIndex(const std::vector<SiteRule>& rules);

    // The engine the address's pages open in; none when no rule matches.
    std::optional<SiteEngine> decide(const QUrl& url) const;
    bool empty() const { return hosts_.empty() && domains_.empty() && prefixes_.empty(); }

private:
    struct Prefix {
        bool https;
        int port;
        QString path;  // path and query, encoded, starting with "/"
        SiteEngine engine;
    };
    std::unordered_map<std::string, SiteEngine> hosts_;
    std::unordered_map<std::string, SiteEngine> domains_;
    // Per host, the longest start first.
    std::unordered_map<std::string, std::vector<Prefix>> prefixes_;
};

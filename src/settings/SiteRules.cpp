#include "settings/SiteRules.h"

#include <algorithm>

namespace {

const QString IEName = QStringLiteral("Internet Explorer");
const QString GekkoName = QStringLiteral("Gekko");
const QString DomainMark = QStringLiteral("*.");

bool isWebScheme(const QString& scheme) { return scheme == QLatin1String("http") || scheme == QLatin1String("https"); }

int defaultPort(bool https) { return https ? 443 : 80; }

// The path and query the way an address start is compared: encoded, the empty path as "/".
QString pathAndQuery(const QUrl& url) {
    QString path = url.path(QUrl::FullyEncoded);
    if (path.isEmpty()) path = QStringLiteral("/");
    if (url.hasQuery()) path += QLatin1Char('?') + url.query(QUrl::FullyEncoded);
    return path;
}

struct PrefixPattern {
    std::string host;
    bool https;
    int port;
    QString path;
};

std::optional<PrefixPattern> parsePrefix(const QString& pattern) {
    const QUrl url(pattern, QUrl::StrictMode);
    if (!url.isValid() || !isWebScheme(url.scheme()) || url.host().isEmpty() || !url.userInfo().isEmpty() ||
        url.hasFragment())
        return std::nullopt;
    const std::string host = SiteRules::hostKey(url.host());
    if (host.empty()) return std::nullopt;
    const bool https = url.scheme() == QLatin1String("https");
    return PrefixPattern{host, https, url.port(defaultPort(https)), pathAndQuery(url)};
}

}  // namespace

namespace SiteRules {

QString engineName(SiteEngine engine) { return engine == SiteEngine::Gekko ? GekkoName : IEName; }

std::optional<SiteEngine> engineNamed(const QString& name) {
    if (name == IEName) return SiteEngine::InternetExplorer;
    if (name == GekkoName) return SiteEngine::Gekko;
    return std::nullopt;
}

std::string hostKey(const QString& host) {
    QString text = host;
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    if (text.isEmpty()) return {};
    for (const QChar c : text)
        if (c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char(':') || c == QLatin1Char('*') ||
            c == QLatin1Char('@') || c == QLatin1Char('?') || c == QLatin1Char('#') || c == QLatin1Char('\\'))
            return {};
    const QByteArray ace = QUrl::toAce(text);
    if (ace.isEmpty()) return {};
    return ace.toLower().toStdString();
}

bool isPattern(const QString& pattern) {
    if (pattern.contains(QLatin1String("://"))) return parsePrefix(pattern).has_value();
    if (pattern.startsWith(DomainMark)) return !hostKey(pattern.mid(2)).empty();
    return !hostKey(pattern).empty();
}

std::optional<SiteRule> parseLine(const QString& line) {
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab < 0) return std::nullopt;
    const QString pattern = line.left(tab);
    const std::optional<SiteEngine> engine = engineNamed(line.mid(tab + 1));
    if (!engine || !isPattern(pattern)) return std::nullopt;
    return SiteRule{pattern, *engine};
}

QString formatLine(const SiteRule& rule) { return rule.pattern + QLatin1Char('\t') + engineName(rule.engine); }

QString ruleHost(const QUrl& url) {
    if (!isWebScheme(url.scheme())) return {};
    return QString::fromStdString(hostKey(url.host()));
}

}  // namespace SiteRules

SiteRuleIndex::SiteRuleIndex(const std::vector<SiteRule>& rules) {
    for (const SiteRule& rule : rules) {
        if (rule.pattern.contains(QLatin1String("://"))) {
            const std::optional<PrefixPattern> p = parsePrefix(rule.pattern);
            if (!p) continue;
            std::vector<Prefix>& list = prefixes_[p->host];
            const auto same = std::find_if(list.begin(), list.end(), [&](const Prefix& q) {
                return q.https == p->https && q.port == p->port && q.path == p->path;
            });
            if (same != list.end()) same->engine = rule.engine;
            else list.push_back({p->https, p->port, p->path, rule.engine});
        } else if (rule.pattern.startsWith(DomainMark)) {
            const std::string key = SiteRules::hostKey(rule.pattern.mid(2));
            if (!key.empty()) domains_[key] = rule.engine;
        } else {
            const std::string key = SiteRules::hostKey(rule.pattern);
            if (!key.empty()) hosts_[key] = rule.engine;
        }
    }
    for (auto& [host, list] : prefixes_)
        std::stable_sort(list.begin(), list.end(), [](const Prefix& a, const Prefix& b) { return a.path.size() > b.path.size(); });
}

std::optional<SiteEngine> SiteRuleIndex::decide(const QUrl& url) const {
    if (!isWebScheme(url.scheme())) return std::nullopt;
    const std::string host = SiteRules::hostKey(url.host());
    if (host.empty()) return std::nullopt;
    if (!prefixes_.empty())
        if (const auto it = prefixes_.find(host); it != prefixes_.end()) {
            const bool https = url.scheme() == QLatin1String("https");
            const int port = url.port(defaultPort(https));
            const QString path = pathAndQuery(url);
            for (const Prefix& p : it->second)
                if (p.https == https && p.port == port && path.startsWith(p.path)) return p.engine;
        }
    if (const auto it = hosts_.find(host); it != hosts_.end()) return it->second;
    if (domains_.empty()) return std::nullopt;
    // The host itself, then each parent domain: the first found is the longest.
    for (std::size_t at = 0; at != std::string::npos;) {
        if (const auto it = domains_.find(host.substr(at)); it != domains_.end()) return it->second;
        const std::size_t dot = host.find('.', at);
        at = dot == std::string::npos ? dot : dot + 1;
    }
    return std::nullopt;
}

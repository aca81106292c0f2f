#include "engines/webkit/HostProtocol.h"

#include <array>

namespace HostProtocol {

namespace {

struct KindInfo {
    std::string_view name;
    Direction receiver;
    int args;
    // Which arguments must be numbers: bit i for argument i.
    unsigned numeric;
    // A message of the connection (view 0), not of one view.
    bool connection = false;
};

constexpr std::array<KindInfo, 48> Kinds = {{
    {"create", Direction::ToHost, 2, 0b11},
    {"show", Direction::ToHost, 0, 0},
    {"resize", Direction::ToHost, 2, 0b11},
    {"navigate", Direction::ToHost, 1, 0},
    {"back", Direction::ToHost, 0, 0},
    {"forward", Direction::ToHost, 0, 0},
    {"reload", Direction::ToHost, 0, 0},
    {"stop", Direction::ToHost, 0, 0},
    {"copy", Direction::ToHost, 0, 0},
    {"selectall", Direction::ToHost, 0, 0},
    {"zoom", Direction::ToHost, 1, 0b1},
    {"save", Direction::ToHost, 1, 0},
    {"focus", Direction::ToHost, 1, 0b1},
    {"close", Direction::ToHost, 0, 0},
    {"quit", Direction::ToHost, 0, 0},
    {"signinanswer", Direction::ToHost, 4, 0b0011},
    {"certificateanswer", Direction::ToHost, 2, 0b11},
    {"permissionanswer", Direction::ToHost, 2, 0b11},
    {"leavefullscreen", Direction::ToHost, 0, 0},
    {"ready", Direction::ToShell, 1, 0b1},
    {"window", Direction::ToShell, 1, 0b1},
    {"title", Direction::ToShell, 1, 0},
    {"location", Direction::ToShell, 1, 0},
    {"loading", Direction::ToShell, 1, 0b1},
    {"progress", Direction::ToShell, 2, 0b11},
    {"status", Direction::ToShell, 1, 0},
    {"history", Direction::ToShell, 2, 0b11},
    {"newwindow", Direction::ToShell, 1, 0},
    {"click", Direction::ToShell, 0, 0},
    {"key", Direction::ToShell, 3, 0b011},
    {"saved", Direction::ToShell, 2, 0},
    {"gone", Direction::ToShell, 1, 0},
    {"signin", Direction::ToShell, 4, 0b1001},
    {"certificate", Direction::ToShell, 4, 0b0001},
    {"permission", Direction::ToShell, 3, 0b001},
    {"fullscreen", Direction::ToShell, 1, 0b1},
    {"error", Direction::Both, 1, 0},
    {"download", Direction::ToShell, 5, 0b10001},
    {"downloadprogress", Direction::ToShell, 3, 0b111, true},
    {"downloadend", Direction::ToShell, 2, 0b1, true},
    {"downloadaccept", Direction::ToHost, 2, 0b1, true},
    {"downloadcancel", Direction::ToHost, 1, 0b1, true},
    // find in page and printing
    {"find", Direction::ToHost, 3, 0b110},
    {"findstop", Direction::ToHost, 0, 0},
    {"print", Direction::ToHost, 4, 0b1110},
    {"found", Direction::ToShell, 1, 0b1},
    {"printed", Direction::ToShell, 2, 0},
    {"", Direction::Both, 0, 0},
}};

bool mustEscape(unsigned char c) { return c == '%' || c <= 0x20 || c == 0x7f; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool fail(std::string* error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

}  // namespace

std::string encodeArg(std::string_view raw) {
    if (raw.empty()) return "%";
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(raw.size());
    for (char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (mustEscape(c)) {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::optional<std::string> decodeArg(std::string_view token) {
    if (token == "%") return std::string();
    if (token.empty()) return std::nullopt;
    std::string out;
    out.reserve(token.size());
    for (std::size_t i = 0; i < token.size(); ++i) {
        const auto c = static_cast<unsigned char>(token[i]);
        if (c != '%') {
            if (mustEscape(c)) return std::nullopt;
            out += token[i];
            continue;
        }
        if (i + 2 >= token.size()) return std::nullopt;
        const int hi = hexValue(token[i + 1]);
        const int lo = hexValue(token[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::optional<std::int64_t> number(const std::string& text, std::int64_t max) {
    if (text.empty() || max < 0) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        // Checked before the step, so that no input can overflow and wrap past the bound.
        if (value > max / 10 || (value == max / 10 && digit > max % 10)) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::string encode(const Message& message) {
    std::string line = message.kind;
    line += ' ';
    line += std::to_string(message.view);
    for (const std::string& arg : message.args) {
        line += ' ';
        line += encodeArg(arg);
    }
    line += '\n';
    return line;
}

std::optional<Message> decode(std::string_view line, std::string* error) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t space = line.find(' ', start);
        const std::size_t end = space == std::string_view::npos ? line.size() : space;
        tokens.push_back(line.substr(start, end - start));
        if (space == std::string_view::npos) break;
        start = space + 1;
    }
    if (tokens.size() < 2 || tokens[0].empty()) {
        fail(error, "a message needs a kind and a view");
        return std::nullopt;
    }
    Message message;
    for (char c : tokens[0]) {
        if (c < 'a' || c > 'z') {
            fail(error, "bad message kind");
            return std::nullopt;
        }
    }
    message.kind = std::string(tokens[0]);
    const auto view = number(std::string(tokens[1]));
    if (!view) {
        fail(error, "bad view id");
        return std::nullopt;
    }
    message.view = *view;
    for (std::size_t i = 2; i < tokens.size(); ++i) {
        auto arg = decodeArg(tokens[i]);
        if (!arg) {
            fail(error, "bad argument " + std::to_string(i - 1));
            return std::nullopt;
        }
        message.args.push_back(std::move(*arg));
    }
    return message;
}

bool validate(const Message& message, Direction receiver, std::string* error) {
    for (const KindInfo& kind : Kinds) {
        if (kind.name.empty() || kind.name != message.kind) continue;
        if (kind.receiver != Direction::Both && kind.receiver != receiver)
            return fail(error, "unknown message: " + message.kind);
        if (static_cast<int>(message.args.size()) != kind.args)
            return fail(error, message.kind + " takes " + std::to_string(kind.args) + " argument(s)");
        for (int i = 0; i < kind.args; ++i)
            if ((kind.numeric >> i & 1u) && !number(message.args[i], INT64_MAX / 10))
                return fail(error, message.kind + ": argument " + std::to_string(i + 1) + " is not a number");
        const bool perView = !kind.connection && message.kind != "ready" && message.kind != "quit" && message.kind != "error";
        if (perView && message.view == 0) return fail(error, message.kind + " needs a view");
        return true;
    }
    return fail(error, "unknown message: " + message.kind);
}

bool LineReader::next(std::string& line, bool& overlong) {
    overlong = false;
    for (;;) {
        const std::size_t newline = buffer_.find('\n');
        if (newline == std::string::npos) {
            if (!skipping_ && buffer_.size() > max_) {
                // Too long already: drop what came and the rest up to its end.
                skipping_ = true;
                buffer_.clear();
                overlong = true;
                line.clear();
                return true;
            }
            if (skipping_) buffer_.clear();
            return false;
        }
        if (skipping_) {
            skipping_ = false;
            buffer_.erase(0, newline + 1);
            continue;
        }
        if (newline > max_) {
            buffer_.erase(0, newline + 1);
            overlong = true;
            line.clear();
            return true;
        }
        line.assign(buffer_, 0, newline);
        buffer_.erase(0, newline + 1);
        return true;
    }
}

std::string untitledCaption(std::string_view address) {
    constexpr std::string_view http = "http://", file = "file://";
    if (address.substr(0, file.size()) == file) {
        const std::string_view path = address.substr(file.size());
        const auto slash = path.find_last_of('/');
        const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
        // A name that decodes to nothing (a lone "%") is no name either.
        std::string decoded = decodeArg(name).value_or(std::string(name));
        return decoded.empty() ? std::string(address) : decoded;
    }
    if (address.substr(0, http.size()) != http) return std::string(address);
    std::string rest(address.substr(http.size()));
    // Only a lone slash at the very end goes; "http://" itself has nothing after it.
    if (!rest.empty() && rest.find('/') == rest.size() - 1) rest.pop_back();
    // What leaves nothing to show ("http://", "http:///") is shown whole.
    return rest.empty() ? std::string(address) : rest;
}

}  // namespace HostProtocol

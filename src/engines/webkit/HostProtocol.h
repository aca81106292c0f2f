#pragma once
// The line protocol between the shell and tavix-webkit-host. Standard C++ only, so that
// both sides (Qt in the shell, GTK in the host) compile the same code.
//
// One message per line, ending in "\n":   KIND VIEW [ARG ...]
//   KIND  a lower-case word from the tables below
//   VIEW  decimal view id, 0 to 2147483647; 0 stands for the connection itself
//   ARG   percent-encoded bytes: "%", space and every byte below 0x21 or equal to 0x7f
//         travel as %XX; an empty argument is a lone "%". Text is UTF-8.
//
// The host speaks first: "ready 0 VERSION". A side that receives a line it cannot
// parse or a message it does not know answers "error VIEW TEXT" (never to an error) and
// goes on with the next line.
//
// Shell → host                         Host → shell
//   create V WIDTH HEIGHT                ready 0 VERSION
//   show V                               window V XID
//   resize V WIDTH HEIGHT                title V TEXT
//   navigate V URL                       location V URL
//   back V / forward V                   loading V 0|1
//   reload V / stop V                    progress V DONE TOTAL
//   copy V / selectall V                 status V TEXT
//   zoom V SIZE(0-4)                     history V CANBACK CANFORWARD
//   save V PATH                          newwindow V URL
//   focus V 0|1                          click V
//   close V                              key V KEYSYM MODIFIERS TEXT
//   quit 0                               saved V PATH RESULT ("ok" or the reason)
//   error V TEXT                         gone V REASON
//                                        error V TEXT
//
// What a page asks of the user carries the host's number for the request (ID); the
// shell answers each once, 1 yes and 0 no. A request of a view that closes is refused.
//   signinanswer V ID 0|1 USER PASSWORD  signin V ID HOST REALM PROXY(0|1)
//   certificateanswer V ID 0|1           certificate V ID HOST URL REASON
//   permissionanswer V ID 0|1            permission V ID FEATURE SITE
//   leavefullscreen V                    fullscreen V 0|1
// REASON: untrusted, expired, name, revoked, insecure or other. FEATURE: geolocation,
// notifications, camera, microphone, camera+microphone, screen or pointerlock.
// Downloads belong to the connection, not to a view: once a view's page has started one,
// it goes on when the view closes. The host numbers them (ID) and waits, before it writes
// anything, for the shell's answer: a path to write to, or cancel.
//   downloadaccept 0 ID PATH             download V ID URL NAME MIME TOTAL (0: unknown)
//   downloadcancel 0 ID                  downloadprogress 0 ID RECEIVED TOTAL
//                                        downloadend 0 ID RESULT ("ok" or the reason)
// Find in page and printing:
//   find V TEXT FORWARD(0|1) CASE(0|1)   found V TOTAL (matches of the last find)
//   findstop V                           printed V PATH RESULT ("ok" or the reason)
//   print V PATH WIDTH HEIGHT LANDSCAPE(0|1)
//     the page as a PDF file at PATH, on paper WIDTH x HEIGHT (portrait, 1/100 mm)

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace HostProtocol {

inline constexpr int Version = 1;
// Longer lines are refused whole; an address or title is far shorter.
inline constexpr std::size_t MaxLineLength = 1u << 20;
inline constexpr std::int64_t MaxViewId = 2147483647;

// Modifier bits of the key event.
inline constexpr int ModShift = 1;
inline constexpr int ModControl = 2;
inline constexpr int ModAlt = 4;

enum class Direction { ToHost, ToShell, Both };

struct Message {
    std::string kind;
    std::int64_t view = 0;
    std::vector<std::string> args;

    bool operator==(const Message&) const = default;
};

std::string encodeArg(std::string_view raw);
std::optional<std::string> decodeArg(std::string_view token);

// The line for a message, "\n" included.
std::string encode(const Message& message);

// Parses one line (without its "\n"; a trailing "\r" is tolerated). On failure returns
// nothing and, when error is given, says why.
std::optional<Message> decode(std::string_view line, std::string* error = nullptr);

// Whether the message is one the receiving side knows, with the right number of
// arguments and numeric arguments where numbers are due.
bool validate(const Message& message, Direction receiver, std::string* error = nullptr);

// Reads an argument as a non-negative decimal integer not above max.
std::optional<std::int64_t> number(const std::string& text, std::int64_t max = MaxViewId);

// What a page without a title is called in its caption and tab, in the form the other
// engine shows: "http://" and a bare host's trailing "/" left out, a local file by its
// name, any other address whole; never an empty caption for an address that is not empty.
std::string untitledCaption(std::string_view address);

// Splits a byte stream into lines. A line longer than MaxLineLength is dropped whole and
// reported once as overlong.
class LineReader {
public:
    explicit LineReader(std::size_t maxLength = MaxLineLength) : max_(maxLength) {}
    void feed(std::string_view bytes) { buffer_.append(bytes); }
    // The next complete line; overlong set when it stood for a dropped line.
    bool next(std::string& line, bool& overlong);

private:
    std::size_t max_;
    std::string buffer_;
    bool skipping_ = false;
};

}  // namespace HostProtocol

// The line protocol between the shell and the WebKit host: framing, every kind of
// message, and what malformed input does.

#include "engines/webkit/HostProtocol.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace HostProtocol;

namespace {

std::optional<Message> roundTrip(const Message& m) {
    std::string line = encode(m);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one message, one line";
    line.pop_back();
    return decode(line);
}

TEST(WebKitProtocol, ArgumentsSurviveTheLineWhateverTheyHold) {
    const Message m{"title", 7,
                    {"", "a b", "100%", "tab\there", "line\nbreak\r", "日本語のページ", "-", "%41", std::string("\x7f\x01", 2)}};
    EXPECT_EQ(roundTrip(m), m);
    EXPECT_EQ(encode({"back", 3, {}}), "back 3\n");
    EXPECT_EQ(encode({"navigate", 12, {"http://a/b c"}}), "navigate 12 http://a/b%20c\n");
    EXPECT_EQ(encode({"status", 1, {""}}), "status 1 %\n");
    // A carriage return before the newline is tolerated.
    EXPECT_EQ(decode("loading 2 1\r"), (Message{"loading", 2, {"1"}}));
    EXPECT_EQ(decode("title 2 %e6%97%a5")->args[0], "日");
}

TEST(WebKitProtocol, EveryKindIsKnownToItsReceiverOnly) {
    const std::vector<Message> toHost = {
        {"create", 1, {"400", "300"}}, {"show", 1, {}}, {"resize", 1, {"1", "2"}}, {"navigate", 1, {"http://a/"}},
        {"back", 1, {}}, {"forward", 1, {}}, {"reload", 1, {}}, {"stop", 1, {}}, {"copy", 1, {}},
        {"selectall", 1, {}}, {"zoom", 1, {"4"}}, {"save", 1, {"/tmp/x.mht"}}, {"focus", 1, {"0"}},
        {"close", 1, {}}, {"quit", 0, {}}, {"error", 0, {"why"}},
        {"signinanswer", 1, {"7", "1", "taro", "pass word"}}, {"certificateanswer", 1, {"8", "0"}},
        {"permissionanswer", 1, {"9", "1"}}, {"leavefullscreen", 1, {}},
        {"downloadaccept", 0, {"7", "/tmp/a.zip.part"}}, {"downloadcancel", 0, {"7"}},
        {"find", 1, {"a b", "1", "0"}}, {"findstop", 1, {}}, {"print", 1, {"/tmp/p.pdf", "21000", "29700", "0"}}};
    const std::vector<Message> toShell = {
        {"ready", 0, {"1"}}, {"window", 1, {"4194305"}}, {"title", 1, {"t"}}, {"location", 1, {"u"}},
        {"loading", 1, {"1"}}, {"progress", 1, {"30", "100"}}, {"status", 1, {""}}, {"history", 1, {"1", "0"}},
        {"newwindow", 1, {"http://p/"}}, {"click", 1, {}}, {"key", 1, {"65478", "2", ""}},
        {"saved", 1, {"/tmp/x", "ok"}}, {"gone", 1, {"crashed"}}, {"error", 3, {"no such view"}},
        {"signin", 1, {"7", "h:8080", "", "0"}}, {"certificate", 1, {"8", "h", "https://h/", "untrusted"}},
        {"permission", 1, {"9", "geolocation", "https://h"}}, {"fullscreen", 1, {"1"}},
        {"download", 1, {"7", "http://a/a.zip", "a.zip", "application/zip", "0"}},
        {"downloadprogress", 0, {"7", "65536", "20971520"}}, {"downloadend", 0, {"7", "ok"}},
        {"found", 1, {"12"}}, {"printed", 1, {"/tmp/p.pdf", "ok"}}};
    for (const Message& m : toHost) {
        std::string why;
        EXPECT_TRUE(validate(m, Direction::ToHost, &why)) << m.kind << ": " << why;
        EXPECT_EQ(roundTrip(m), m);
        if (m.kind != "error") {
            EXPECT_FALSE(validate(m, Direction::ToShell)) << m.kind;
        }
    }
    for (const Message& m : toShell) {
        std::string why;
        EXPECT_TRUE(validate(m, Direction::ToShell, &why)) << m.kind << ": " << why;
        EXPECT_EQ(roundTrip(m), m);
        if (m.kind != "error") {
            EXPECT_FALSE(validate(m, Direction::ToHost)) << m.kind;
        }
    }
}

TEST(WebKitProtocol, WrongShapesAreRefusedWithAReason) {
    std::string why;
    EXPECT_FALSE(validate({"create", 1, {"400"}}, Direction::ToHost, &why));
    EXPECT_NE(why.find("create"), std::string::npos);
    EXPECT_FALSE(validate({"create", 1, {"wide", "300"}}, Direction::ToHost));
    EXPECT_FALSE(validate({"zoom", 1, {"-1"}}, Direction::ToHost));
    EXPECT_FALSE(validate({"back", 1, {"extra"}}, Direction::ToHost));
    EXPECT_FALSE(validate({"print", 1, {"/tmp/p.pdf", "A4", "29700", "0"}}, Direction::ToHost));
    EXPECT_FALSE(validate({"find", 1, {"a", "forward", "0"}}, Direction::ToHost));
    EXPECT_FALSE(validate({"navigate", 0, {"http://a/"}}, Direction::ToHost)) << "view 0 is the connection";
    // A download is a page's when it starts, the connection's afterwards.
    EXPECT_FALSE(validate({"download", 0, {"7", "http://a/", "a", "", "0"}}, Direction::ToShell));
    EXPECT_FALSE(validate({"downloadprogress", 0, {"7", "many", "0"}}, Direction::ToShell));
    EXPECT_FALSE(validate({"explode", 1, {}}, Direction::ToHost, &why));
    EXPECT_EQ(why, "unknown message: explode");
    EXPECT_FALSE(validate({"", 1, {}}, Direction::ToShell));
}

TEST(WebKitProtocol, MalformedLinesDoNotParse) {
    for (const char* line : {"", " ", "title", "title ", "title x t", "title -1 t", "title 2147483648 t",
                             "title 99999999999999999999 t", "Title 1 t", "ti-tle 1 t", "title 1 %G1",
                             "title 1 %4", "title 1 a%", "title 1  t", "title 1 t ", "title\t1 t",
                             "title 1 a\x01z"}) {
        std::string why;
        EXPECT_FALSE(decode(line, &why)) << '"' << line << '"';
        EXPECT_FALSE(why.empty()) << line;
    }
    EXPECT_TRUE(decode("title 2147483647 t"));
    EXPECT_EQ(number("007"), 7);
    EXPECT_FALSE(number("+7"));
    EXPECT_FALSE(number("5", 4));
}

TEST(WebKitProtocol, NumbersPastTheBoundNeverWrapAround) {
    // One past INT64_MAX used to wrap to a negative value and pass the bound.
    EXPECT_FALSE(number("9223372036854775808", INT64_MAX / 10));
    EXPECT_FALSE(number("9223372036854775808", INT64_MAX));
    EXPECT_FALSE(number("18446744073709551626", INT64_MAX));
    EXPECT_EQ(number("9223372036854775807", INT64_MAX), INT64_MAX);
    EXPECT_EQ(number("922337203685477580", INT64_MAX / 10), INT64_MAX / 10);
    EXPECT_FALSE(number("922337203685477581", INT64_MAX / 10));
    EXPECT_EQ(number("0000000000000000000004", 4), 4);
    EXPECT_FALSE(number("1", -1));
    for (const char* line : {"window 1 9223372036854775808", "key 1 9223372036854775808 0 a",
                             "progress 1 1 9223372036854775809"}) {
        const auto message = decode(line);
        ASSERT_TRUE(message) << line;
        EXPECT_FALSE(validate(*message, Direction::ToShell)) << line;
    }
}

TEST(WebKitProtocol, LinesArriveWholeHoweverTheBytesAreCut) {
    LineReader reader(16);
    std::string line;
    bool overlong = false;
    reader.feed("back 1\nforw");
    ASSERT_TRUE(reader.next(line, overlong));
    EXPECT_EQ(line, "back 1");
    EXPECT_FALSE(reader.next(line, overlong)) << "half a line waits";
    reader.feed("ard 2\n");
    ASSERT_TRUE(reader.next(line, overlong));
    EXPECT_EQ(line, "forward 2");

    // An overlong line is reported once and dropped whole; the next one is intact.
    reader.feed("title 1 aaaaaaaaaaaaaaaaaaaaaaaa");
    ASSERT_TRUE(reader.next(line, overlong));
    EXPECT_TRUE(overlong);
    reader.feed("aaaaaaaaaaaa\nstop 3\n");
    ASSERT_TRUE(reader.next(line, overlong));
    EXPECT_FALSE(overlong);
    EXPECT_EQ(line, "stop 3");
    reader.feed(std::string(40, 'x') + "\nshow 4\n");
    ASSERT_TRUE(reader.next(line, overlong));
    EXPECT_TRUE(overlong);
    ASSERT_TRUE(reader.next(line, overlong));
    EXPECT_EQ(line, "show 4");
    EXPECT_FALSE(reader.next(line, overlong));
}

}  // namespace

TEST(WebKitProtocol, UntitledPagesAreCaptionedByTheirAddress) {
    using HostProtocol::untitledCaption;
    EXPECT_EQ(untitledCaption("about:blank"), "about:blank");
    EXPECT_EQ(untitledCaption("http://127.0.0.1:8080/a/b.html?q=1"), "127.0.0.1:8080/a/b.html?q=1");
    EXPECT_EQ(untitledCaption("http://example.org/"), "example.org");
    EXPECT_EQ(untitledCaption("https://example.org/"), "https://example.org/");
    EXPECT_EQ(untitledCaption("file:///tmp/%E6%97%A5%20x.html"), "日 x.html");
    EXPECT_EQ(untitledCaption("file:///tmp/"), "file:///tmp/");
    EXPECT_EQ(untitledCaption(""), "");
}

TEST(WebKitProtocol, ShortAndDegenerateAddressesAreCaptionedWithinTheirBounds) {
    using HostProtocol::untitledCaption;
    // Each address is cut from a longer buffer, so that a read past its end finds bytes
    // that would change the answer instead of a terminating zero.
    const auto cut = [](std::string_view address) {
        static std::string buffer;
        buffer = std::string(address) + "/x/";
        return std::string_view(buffer).substr(0, address.size());
    };
    EXPECT_EQ(untitledCaption(cut("http://")), "http://") << "nothing after the scheme: shown whole";
    EXPECT_EQ(untitledCaption(cut("http:///")), "http:///");
    EXPECT_EQ(untitledCaption(cut("http://a")), "a");
    EXPECT_EQ(untitledCaption(cut("http://a/")), "a");
    EXPECT_EQ(untitledCaption(cut("http://a//")), "a//");
    EXPECT_EQ(untitledCaption(cut("http:")), "http:");
    EXPECT_EQ(untitledCaption(cut("http:/")), "http:/");
    EXPECT_EQ(untitledCaption(cut("//")), "//");
    EXPECT_EQ(untitledCaption(cut("/")), "/");
    EXPECT_EQ(untitledCaption(cut("h")), "h");
    EXPECT_EQ(untitledCaption(cut("")), "");
    EXPECT_EQ(untitledCaption(cut("file://")), "file://");
    EXPECT_EQ(untitledCaption(cut("file:///")), "file:///");
    EXPECT_EQ(untitledCaption(cut("file:///a")), "a");
    EXPECT_EQ(untitledCaption(cut("file:///%")), "file:///%") << "the lone % is an empty argument, not a name";
    EXPECT_EQ(untitledCaption(cut("file:///a%2")), "a%2") << "a cut escape is shown as written";
}

TEST(WebKitProtocol, EscapesAreReadWithinTheirToken) {
    // A token is a view into the line; the bytes after it belong to the next token (or
    // to nothing). An escape cut short at the token's end must not borrow them.
    const std::string line = "%4142 a%4F %";
    const std::string_view view(line);
    EXPECT_FALSE(decodeArg(view.substr(0, 2))) << "\"%4\" followed by \"142\"";
    EXPECT_EQ(decodeArg(view.substr(0, 1)), "") << "a lone \"%\" is the empty argument, whatever follows";
    EXPECT_EQ(decodeArg(view.substr(0, 3)), "A");
    EXPECT_EQ(decodeArg(view.substr(0, 5)), "A42");
    EXPECT_FALSE(decodeArg(view.substr(6, 3))) << "\"a%4\" followed by \"F\"";
    EXPECT_EQ(decodeArg(view.substr(6, 4)), "aO");
    EXPECT_EQ(decodeArg(view.substr(11, 1)), "");
    EXPECT_FALSE(decodeArg(view.substr(11, 0)));
    for (const char* bad : {"%4", "a%", "a%4", "%%", "%%41", "a%4G"}) {
        const std::string padded = std::string(bad) + "41";
        EXPECT_FALSE(decodeArg(std::string_view(padded).substr(0, std::strlen(bad)))) << bad;
    }
}

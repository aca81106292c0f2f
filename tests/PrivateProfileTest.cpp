// The INI service: what it reads from files written by hand or by other programs, and
// that writes change only the line they are about.

#include "TestSupport.h"
#include "platform/Errors.h"
#include "platform/PrivateProfile.h"

#include <QDir>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::optional<std::string> lookup(std::string_view text, const char* section, const char* key) {
    return PrivateProfile::lookup(text, section, key);
}

}  // namespace

TEST(PrivateProfile, ReadsAsThePrivateProfileServiceDoes) {
    const std::string ini =
        "stray=before any section\r\n"
        "[General]\r\n"
        "  LastEngine  =  Gecko  \r\n"
        "Quoted=\"  spaced  \"\r\n"
        "Single='x'\r\n"
        "Unbalanced=\"x'\r\n"
        "NoEquals\r\n"
        "Empty=\r\n"
        "Twice=first\r\n"
        "twice=second\r\n"
        "[ general ]\r\n"
        "Other=from the duplicate\r\n"
        "[Bar]\n"
        "JBarSize=99";  // no final line end
    EXPECT_EQ(lookup(ini, "GENERAL", "lastengine"), "Gecko");
    EXPECT_EQ(lookup(ini, "General", "Quoted"), "  spaced  ");
    EXPECT_EQ(lookup(ini, "General", "Single"), "x");
    EXPECT_EQ(lookup(ini, "General", "Unbalanced"), "\"x'");
    EXPECT_EQ(lookup(ini, "General", "Empty"), "");
    EXPECT_EQ(lookup(ini, "General", "TWICE"), "first");
    EXPECT_FALSE(lookup(ini, "General", "NoEquals"));
    EXPECT_FALSE(lookup(ini, "General", "Other"));  // the first section of a name counts
    EXPECT_FALSE(lookup(ini, "", "stray"));
    EXPECT_EQ(lookup(ini, "bar", "JBarSize"), "99");
}

TEST(PrivateProfile, LongValuesAreCutAtACharacterBoundary) {
    std::string value(2046, 'a');
    value += "\xE3\x81\x82";  // a 3-byte character straddling byte 2047
    const auto read = lookup("[S]\nK=" + value + "\n", "S", "K");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), 2046u);
    EXPECT_EQ(lookup("[S]\nK=" + std::string(5000, 'z'), "S", "K")->size(), 2047u);
}

TEST(PrivateProfile, WritesTouchOnlyTheirLine) {
    const std::string junk("\x00\x01\xFF[\x80garbage=\x7F", 14);
    const std::string ini = "; comment\r\n[General]\r\nLastEngine=IE\r\nkeyonly\r\n\r\n" + junk +
                            "\n[General]\r\nLastEngine=dup\r\n[Bar]\rJBar=1";
    // Replace in place (first section), keeping everything else byte for byte.
    std::string out = PrivateProfile::withValue(ini, "general", "LASTENGINE", "Gecko");
    std::string expected = ini;
    expected.replace(expected.find("LastEngine=IE"), 13, "LASTENGINE=Gecko");
    EXPECT_EQ(out, expected);

    // A new key goes after the last filled line of its section, before blank lines.
    out = PrivateProfile::withValue("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "a", "z", "3");
    EXPECT_EQ(out, "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    // ... also when that line is the last and has no line end.
    EXPECT_EQ(PrivateProfile::withValue("[A]\nx=1", "A", "y", "2"), "[A]\nx=1\r\ny=2\r\n");
    // A new section goes at the end.
    EXPECT_EQ(PrivateProfile::withValue("[A]\r\nx=1", "Bar", "JBar", "0"), "[A]\r\nx=1\r\n[Bar]\r\nJBar=0\r\n");
    EXPECT_EQ(PrivateProfile::withValue("", "Bar", "JBar", "0"), "[Bar]\r\nJBar=0\r\n");
    // A line end inside a value cannot plant further keys.
    EXPECT_EQ(PrivateProfile::withValue("", "S", "K", "a\r\n[X]\nevil=1"), "[S]\r\nK=a  [X] evil=1\r\n");
}

TEST(PrivateProfile, SeesChangesOnDiskAtTheNextRead) {
    ProgramFolder dir;
    const QString path = dir.file("config.ini");
    EXPECT_FALSE(PrivateProfile::read(path, "S", "K"));
    dir.write("config.ini", "[S]\nK=1\n");
    EXPECT_EQ(PrivateProfile::read(path, "S", "K"), "1");
    // Same size, rewritten in place by another program.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    dir.write("config.ini", "[S]\nK=2\n");
    EXPECT_EQ(PrivateProfile::read(path, "S", "K"), "2");
    PrivateProfile::write(path, "S", "K", "3");
    EXPECT_EQ(PrivateProfile::read(path, "s", "k"), "3");
    EXPECT_EQ(dir.read("config.ini"), "[S]\nK=3\n");
}

TEST(PrivateProfile, AFileThatCannotBeReadIsNeverReplaced) {
    ProgramFolder dir;
    QDir(dir.path()).mkdir("config.ini");  // a folder where the file should be
    EXPECT_FALSE(PrivateProfile::read(dir.file("config.ini"), "S", "K"));
    EXPECT_THROW(PrivateProfile::write(dir.file("config.ini"), "S", "K", "v"), EWriteError);
}

// The INI service: what it reads from files written by hand or by other programs, and
// that writes change only the line they are about.

#include "TestSupport.h"
#include "platform/Errors.h"
#include "platform/PrivateProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

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
    // ... and when that line was rewritten in place just before.
    EXPECT_EQ(PrivateProfile::withValue(PrivateProfile::withValue("[Bar]\r\nJBarSize=840", "Bar", "JBarSize", "840"),
                                        "Bar", "Band0ID", "0"),
              "[Bar]\r\nJBarSize=840\r\nBand0ID=0\r\n");
    EXPECT_EQ(PrivateProfile::withValue(PrivateProfile::withValue("[Bar]\r\nJBarSize=1", "Bar", "JBarSize", "840"),
                                        "Bar", "Band0ID", "0"),
              "[Bar]\r\nJBarSize=840\r\nBand0ID=0\r\n");
    // A new section goes at the end.
    EXPECT_EQ(PrivateProfile::withValue("[A]\r\nx=1", "Bar", "JBar", "0"), "[A]\r\nx=1\r\n[Bar]\r\nJBar=0\r\n");
    EXPECT_EQ(PrivateProfile::withValue("", "Bar", "JBar", "0"), "[Bar]\r\nJBar=0\r\n");
    // A line end inside a value cannot plant further keys.
    EXPECT_EQ(PrivateProfile::withValue("", "S", "K", "a\r\n[X]\nevil=1"), "[S]\r\nK=a  [X] evil=1\r\n");
}

TEST(PrivateProfile, AKeyAfterALastLineWithoutLineEndStartsALineOfItsOwn) {
    for (const bool batched : {false, true}) {
        ProgramFolder dir;
        dir.write("config.ini", "[Bar]\r\nJBarSize=840");
        {
            std::optional<PrivateProfile::Batch> batch;
            if (batched) batch.emplace(dir.file("config.ini"));
            PrivateProfile::write(dir.file("config.ini"), "Bar", "JBarSize", "840");
            PrivateProfile::write(dir.file("config.ini"), "Bar", "Band0ID", "0");
            if (batch) batch->commit();
        }
        EXPECT_EQ(dir.read("config.ini"), "[Bar]\r\nJBarSize=840\r\nBand0ID=0\r\n") << batched;
    }
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

namespace {

struct Write {
    const char* section;
    const char* key;
    std::string value;
};

// Keys of every kind: changed in place, new in an existing section (whose last line has
// no line end), new sections, a value with line ends, the same key twice, and case.
const std::vector<Write> Writes = {
    {"General", "LastEngine", "Gecko"}, {"Bar", "JBarSize", "153"},      {"Band0", "ID", "1"},
    {"general", "WINSIZE", "2"},        {"Band0", "Width", "a\r\nb=1"}, {"Bar", "JBarSize", "154"},
    {"Tail", "K", ""},                  {"Bar", "NewKey", "x"},
};
const std::string Start = "; kept\r\n[General]\r\nLastEngine=IE\r\nWinSize=1\r\n\r\n[Bar]\nJBar=1";

}  // namespace

TEST(PrivateProfileBatch, GivesTheBytesOfTheSameWritesOneAtATime) {
    ProgramFolder one, batched;
    one.write("config.ini", Start);
    batched.write("config.ini", Start);
    for (const Write& w : Writes) PrivateProfile::write(one.file("config.ini"), w.section, w.key, w.value);
    {
        PrivateProfile::Batch batch(batched.file("config.ini"));
        for (const Write& w : Writes) {
            PrivateProfile::write(batched.file("config.ini"), w.section, w.key, w.value);
            // Reads inside the batch see its writes; the file does not change yet.
            EXPECT_EQ(PrivateProfile::read(batched.file("config.ini"), w.section, w.key), w.value.find('\n') == std::string::npos ? w.value : "a  b=1");
        }
        EXPECT_EQ(batched.read("config.ini"), Start);
        // A batch opened inside joins the outer one and does not write on its own.
        {
            PrivateProfile::Batch inner(batched.file("config.ini"));
            PrivateProfile::write(batched.file("config.ini"), "Inner", "K", "1");
            inner.commit();
        }
        EXPECT_EQ(batched.read("config.ini"), Start);
        batch.commit();
    }
    PrivateProfile::write(one.file("config.ini"), "Inner", "K", "1");
    EXPECT_EQ(batched.read("config.ini"), one.read("config.ini"));
    // Other files are written at once as ever while a batch is open.
    PrivateProfile::Batch batch(batched.file("config.ini"));
    PrivateProfile::write(one.file("other.ini"), "S", "K", "v");
    EXPECT_EQ(one.read("other.ini"), "[S]\r\nK=v\r\n");

    // A missing file is created by the batch as by the first of the writes.
    ProgramFolder fresh, freshBatched;
    for (const Write& w : Writes) PrivateProfile::write(fresh.file("config.ini"), w.section, w.key, w.value);
    {
        PrivateProfile::Batch b(freshBatched.file("config.ini"));
        for (const Write& w : Writes) PrivateProfile::write(freshBatched.file("config.ini"), w.section, w.key, w.value);
        b.commit();
    }
    EXPECT_EQ(freshBatched.read("config.ini"), fresh.read("config.ini"));
}

TEST(PrivateProfileBatch, AFailureInTheMiddleLeavesWhatTheEarlierWritesLeft) {
    ProgramFolder one, batched;
    one.write("config.ini", Start);
    batched.write("config.ini", Start);
    const auto run = [](const QString& path, bool batch) {
        std::optional<PrivateProfile::Batch> b;
        if (batch) b.emplace(path);
        for (std::size_t i = 0; i < Writes.size(); ++i) {
            if (i == 4) throw EWriteError(path);  // what a failing write does to the closing
            PrivateProfile::write(path, Writes[i].section, Writes[i].key, Writes[i].value);
        }
        if (b) b->commit();
    };
    EXPECT_THROW(run(one.file("config.ini"), false), EWriteError);
    EXPECT_THROW(run(batched.file("config.ini"), true), EWriteError);
    EXPECT_EQ(batched.read("config.ini"), one.read("config.ini"));
    EXPECT_NE(batched.read("config.ini"), Start);

    // A file that cannot be read fails the batch's first write, as it fails a single
    // write, and the commit then replaces nothing.
    ProgramFolder bad;
    QDir(bad.path()).mkdir("config.ini");
    PrivateProfile::Batch b(bad.file("config.ini"));
    EXPECT_THROW(PrivateProfile::write(bad.file("config.ini"), "S", "K", "v"), EWriteError);
    EXPECT_NO_THROW(b.commit());
    EXPECT_TRUE(QFileInfo(bad.file("config.ini")).isDir());

    // A commit that cannot replace the file reports it and leaves the file as it was.
    ProgramFolder locked;
    locked.write("config.ini", Start);
    QFile::setPermissions(locked.file("config.ini"), QFile::ReadOwner);
    PrivateProfile::Batch c(locked.file("config.ini"));
    PrivateProfile::write(locked.file("config.ini"), "S", "K", "v");
    EXPECT_THROW(c.commit(), EWriteError);
    EXPECT_EQ(locked.read("config.ini"), Start);
}

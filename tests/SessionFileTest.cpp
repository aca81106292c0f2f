// session.txt: what is written for the open windows, and what a damaged or unreadable
// file gives back.

#include "TestSupport.h"
#include "platform/Errors.h"
#include "settings/SessionFile.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(SessionFile, WindowsOfBothEnginesComeBackInOrderWithTheOneInFront) {
    ProgramFolder dir;
    const SessionFile file(dir.path());
    EXPECT_TRUE(file.read().empty());  // no file yet
    const std::vector<SessionEntry> windows{{"Internet Explorer", "http://a/", false},
                                            {"Gecko", "http://b/?q=1", true},
                                            {"Internet Explorer", "", false},
                                            {"Gecko", "http://c/a\tb\r\n", false}};
    file.write(windows);
    EXPECT_EQ(dir.read("session.txt"),
              "Internet Explorer\thttp://a/\r\nGecko\thttp://b/?q=1\t*\r\nInternet Explorer\t\r\n"
              "Gecko\thttp://c/a%09b%0D%0A\r\n");
    std::vector<SessionEntry> expected = windows;
    expected[3].address = QStringLiteral("http://c/a%09b%0D%0A");
    EXPECT_EQ(file.read(), expected);
    file.write({});
    EXPECT_EQ(dir.read("session.txt"), "");
    EXPECT_TRUE(file.read().empty());
}

TEST(SessionFile, ADamagedFileReopensNothingAndAnUnreadableOneSaysSo) {
    ProgramFolder dir;
    const SessionFile file(dir.path());
    for (const char* damaged : {"Internet Explorer\thttp://a/\r\nOpera\thttp://b/\r\n", "no tab at all\r\n",
                                "Gecko\thttp://a/\tactive\r\n", "Gecko\ta\t*\textra\r\n", "\x01\x02\xff"}) {
        dir.write("session.txt", damaged);
        EXPECT_TRUE(file.read().empty()) << damaged;
    }
    dir.write("session.txt", "Gecko\thttp://a/");  // no line end on the last line is fine
    EXPECT_EQ(file.read().size(), 1u);

    // A folder in the file's place cannot be read, by root either.
    QFile::remove(dir.file("session.txt"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("session.txt")));
    EXPECT_THROW(file.read(), EFOpenError);
}

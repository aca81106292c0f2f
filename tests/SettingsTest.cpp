// The settings access object: number and colour encodings, defaults, write failures.

#include "TestSupport.h"
#include "platform/Errors.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

TEST(Settings, IntegersConvertAsStoredFilesExpect) {
    ProgramFolder dir;
    dir.write("config.ini",
              "[N]\nhex=0x1F\nHEX=0X1f\ndollar=$1F\nbare=1F\nzerox=0x\nneg=-12\nplus=+7\n"
              "big=2147483648\nmin=-2147483648\nwrap=$FFFFFFFF\nnegHex=-$10\ntext=abc\nempty=\nspaced= 42 \n"
              "over=$100000000\noverX=0x100000000\n");
    const Settings ini(dir.file("config.ini"));
    EXPECT_EQ(ini.ReadInteger("N", "hex", -1), 31);
    EXPECT_EQ(ini.ReadInteger("N", "dollar", -1), 31);
    EXPECT_EQ(ini.ReadInteger("N", "bare", -1), -1);
    EXPECT_EQ(ini.ReadInteger("N", "zerox", -1), -1);  // "0x" alone is not a number
    EXPECT_EQ(ini.ReadInteger("N", "neg", 0), -12);
    EXPECT_EQ(ini.ReadInteger("N", "plus", 0), 7);
    EXPECT_EQ(ini.ReadInteger("N", "big", 5), 5);
    EXPECT_EQ(ini.ReadInteger("N", "min", 5), INT32_MIN);
    EXPECT_EQ(ini.ReadInteger("N", "wrap", 5), -1);
    EXPECT_EQ(ini.ReadInteger("N", "negHex", 5), -16);
    EXPECT_EQ(ini.ReadInteger("N", "text", 5), 5);
    EXPECT_EQ(ini.ReadInteger("N", "empty", 5), 5);
    EXPECT_EQ(ini.ReadInteger("N", "spaced", 5), 42);
    EXPECT_EQ(ini.ReadInteger("N", "missing", 9), 9);
    // Past 32 bits hexadecimal does not wrap again: the default.
    EXPECT_EQ(ini.ReadInteger("N", "over", 5), 5);
    EXPECT_EQ(ini.ReadInteger("N", "overX", 5), 5);
}

TEST(Settings, ByteValuesKeepTheirLowEightBits) {
    ProgramFolder dir;
    dir.write("config.ini", "[Option_Tab]\nMaxLen=259\n[General]\nLastMojiSize=-1\n[Option_Window]\nBookMark=257\n");
    const Settings ini(dir.file("config.ini"));
    EXPECT_EQ(ini.ReadByte(Keys::TabMaxLen), 3);
    EXPECT_EQ(ini.ReadByte(Keys::LastMojiSize), 255);
    EXPECT_EQ(ini.ReadByte(Keys::BookMark), 1);
    EXPECT_EQ(ini.ReadByte(Keys::AddressBar), 0);
}

TEST(Settings, BooleansAndStringsRoundTrip) {
    ProgramFolder dir;
    Settings ini(dir.file("config.ini"));
    EXPECT_TRUE(ini.Read(Keys::ShowJBar));  // default when there is no file
    ini.Write(Keys::ShowJBar, false);
    ini.Write(Keys::TabFix, true);
    ini.Write(Keys::MozPath, QStringLiteral("/opt/モジラ"));
    EXPECT_EQ(dir.read("config.ini"), "[Bar]\r\nJBar=0\r\n[Option_Tab]\r\nfix=1\r\n[Option_Main]\r\nMozPath=/opt/\xE3\x83\xA2\xE3\x82\xB8\xE3\x83\xA9\r\n");
    EXPECT_FALSE(ini.Read(Keys::ShowJBar));
    EXPECT_EQ(ini.Read(Keys::MozPath), QStringLiteral("/opt/モジラ"));
    // Any non-zero number is true; an exact-1 reader sees the number itself.
    ini.WriteString("Option_Tab", "fix", QStringLiteral("2"));
    EXPECT_TRUE(ini.Read(Keys::TabFix));
    EXPECT_EQ(ini.ReadInteger(Keys::TabFix), 2);
}

TEST(Settings, AnUnwritableFolderIsReportedWithTheFullPath) {
    ProgramFolder dir;
    Settings ini(dir.file("no such folder/config.ini"));
    try {
        ini.Write(Keys::WinSize, 1);
        FAIL();
    } catch (const TavixError& e) {
        EXPECT_EQ(e.message(), dir.file("no such folder/config.ini") + QStringLiteral(" に書き込めません"));
    }
}

TEST(Colours, NamesNumbersAndTheDollarForm) {
    EXPECT_EQ(StringToColor(QStringLiteral("clred")), 0x000000FF);
    EXPECT_EQ(StringToColor(QStringLiteral("CLRED")), 0x000000FF);
    EXPECT_EQ(StringToColor(QStringLiteral("255")), 0x000000FF);
    EXPECT_EQ(StringToColor(QStringLiteral("$00FF0000")), 0x00FF0000);
    EXPECT_EQ(StringToColor(QStringLiteral("clBtnFace")), static_cast<TColor>(0x8000000F));
    EXPECT_EQ(StringToColor(QStringLiteral("clWindowText")), static_cast<TColor>(0x80000008));
    EXPECT_EQ(StringToColor(QStringLiteral("clInfoBk")), static_cast<TColor>(0x80000018));
    EXPECT_EQ(ColorToString(0x00FF0000), QStringLiteral("clBlue"));
    EXPECT_EQ(ColorToString(clNone), QStringLiteral("clNone"));
    EXPECT_EQ(ColorToString(0x00123456), QStringLiteral("$00123456"));
    EXPECT_EQ(ColorToString(0x00ABCDEF), QStringLiteral("$00ABCDEF"));
    EXPECT_EQ(StringToColor(ColorToString(0x00ABCDEF)), 0x00ABCDEF);
    try {
        StringToColor(QStringLiteral("redish"));
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("'redish' は整数ではありません"));
    }
}

TEST(Colours, PaintedColoursKeepTheirChannels) {
    const QColor c = toQColor(0x00336699);
    EXPECT_EQ(c, QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(fromQColor(c), 0x00336699);
    EXPECT_TRUE(toQColor(clBtnFace).isValid());
}

TEST(Settings, ColourKeysFallBackToTheirNamedDefaults) {
    ProgramFolder dir;
    Settings ini(dir.file("config.ini"));
    EXPECT_EQ(ini.Read(Keys::ActivateBGColor), clBtnFace);
    EXPECT_EQ(ini.Read(Keys::DeActivateChColor), clWindowText);
    ini.Write(Keys::ActivateBGColor, 0x00ABCDEF);
    EXPECT_EQ(ini.ReadString("option_tab", "activatebgcolor", {}), QStringLiteral("$00ABCDEF"));
    ini.WriteString("Option_Tab", "ActivateChColor", QStringLiteral("nonsense"));
    EXPECT_THROW(ini.Read(Keys::ActivateChColor), EConvertError);
}

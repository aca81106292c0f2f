// Site rules: which rule decides an address, the rules file read and written without
// losing a byte nobody changed, and the options window's page for them.

#include "TestSupport.h"
#include "options/EngineRulesPage.h"
#include "options/Option.h"
#include "platform/Errors.h"
#include "settings/SiteRuleFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

constexpr SiteEngine IE = SiteEngine::InternetExplorer;
constexpr SiteEngine Gekko = SiteEngine::Gekko;

std::string engineText(std::optional<SiteEngine> engine) {
    return !engine ? "none" : *engine == Gekko ? "Gekko" : "IE";
}

struct Decision {
    const char* address;
    const char* expected;
};

void expectDecisions(const std::vector<SiteRule>& rules, std::initializer_list<Decision> decisions) {
    const SiteRuleIndex index(rules);
    for (const Decision& d : decisions)
        EXPECT_EQ(engineText(index.decide(QUrl(QString::fromUtf8(d.address)))), d.expected) << d.address;
}

}  // namespace

TEST(SiteRuleMatching, HostsSubdomainsAndAddressStarts) {
    expectDecisions({{"example.jp", Gekko}, {"*.wild.jp", Gekko}, {"https://app.jp/app/", Gekko}},
                    {{"http://example.jp/", "Gekko"},
                     {"https://example.jp:8443/any/path?q=1", "Gekko"},  // a host rule takes any port
                     {"http://www.example.jp/", "none"},                 // a host is not its subdomains
                     {"http://wild.jp/", "Gekko"},
                     {"http://a.b.wild.jp/", "Gekko"},
                     {"http://notwild.jp/", "none"},  // a parent domain ends at a dot
                     {"https://app.jp/app/page", "Gekko"},
                     {"https://app.jp/app", "none"},
                     {"http://app.jp/app/", "none"},         // another scheme
                     {"https://app.jp:8443/app/", "none"},   // another port than the scheme's own
                     {"https://app.jp:443/app/x", "Gekko"},  // the scheme's own port named
                     {"file:///home/example.jp", "none"},
                     {"javascript:alert('example.jp')", "none"},
                     {"data:text/html,example.jp", "none"},
                     {"about:blank", "none"}});
}

TEST(SiteRuleMatching, TheMostSpecificRuleWinsAndThenTheLaterOne) {
    expectDecisions({{"*.example.jp", IE},
                     {"*.deep.example.jp", Gekko},
                     {"www.example.jp", Gekko},
                     {"https://www.example.jp/", IE},
                     {"https://www.example.jp/app/", Gekko},
                     {"https://www.example.jp/app/old/", IE},
                     {"https://www.example.jp:8443/", Gekko},
                     {"twice.jp", IE},
                     {"twice.jp", Gekko}},
                    {{"http://example.jp/", "IE"},
                     {"http://x.deep.example.jp/", "Gekko"},   // the longer domain
                     {"http://www.example.jp/", "Gekko"},      // a host beats a domain
                     {"https://www.example.jp/other", "IE"},   // a start beats a host
                     {"https://www.example.jp/app/new", "Gekko"},
                     {"https://www.example.jp/app/old/x", "IE"},  // the longer start
                     {"https://www.example.jp:8443/app/", "Gekko"},
                     {"http://twice.jp/", "Gekko"}});
}

TEST(SiteRuleMatching, CaseAndInternationalNamesInEitherSpelling) {
    expectDecisions({{"EXAMPLE.JP", Gekko}, {"*.日本語.jp", Gekko}, {"xn--wgv71a119e.example", IE},
                     {"https://Case.JP/Path/", IE}},
                    {{"http://Example.Jp/", "Gekko"},
                     {"http://www.xn--wgv71a119e.jp/", "Gekko"},
                     {"http://WWW.日本語.JP/", "Gekko"},
                     {"http://日本語.example/", "IE"},
                     {"https://case.jp/Path/x", "IE"},
                     {"https://case.jp/path/x", "none"}});  // a path keeps its case
}

TEST(SiteRuleMatching, OnlyTheLinesOfTheFormatAreRules) {
    const auto rule = [](const char* line) { return SiteRules::parseLine(QString::fromUtf8(line)); };
    EXPECT_EQ(rule("example.jp\tGekko"), (SiteRule{"example.jp", Gekko}));
    EXPECT_EQ(rule("https://a.jp/x/\tInternet Explorer"), (SiteRule{"https://a.jp/x/", IE}));
    for (const char* other : {"example.jp", "example.jp\tgekko", "example.jp \tGekko", "example.jp\tGekko\t",
                              "# example.jp\tGekko", "ftp://a.jp/\tGekko", "a.jp:80\tGekko", "*.\tGekko",
                              "a b.jp\tGekko", "\tGekko", "https://a.jp/#top\tGekko", ""})
        EXPECT_FALSE(rule(other)) << other;
}

struct SiteRuleFileTest : ::testing::Test {
    ProgramFolder dir;
    SiteRuleFile file{dir.path()};
};

TEST_F(SiteRuleFileTest, UnknownLinesLineEndsAndBytesNobodyChangedStay) {
    // A comment, a line of another version, a lone LF and a lone CR, an empty line, a
    // Shift_JIS line, and a last line without its end.
    const std::string original =
        "# rules\r\nold.jp\tInternet Explorer\r\nfuture.jp\tSomething Else\nlf.jp\tGekko\n\rcr.jp\tGekko\r"
        "\r\n\x93\xfa\x96\x7b\tGekko\r\nlast.jp\tGekko";
    dir.write("SiteEngine.txt", original);
    SiteRuleDocument doc = file.read();
    ASSERT_EQ(doc.rules().size(), 5);  // old, lf, cr, the Shift_JIS host and last
    EXPECT_EQ(doc.bytes(), original);

    // One edit rewrites only its line's text.
    doc.setRule(doc.rules().at(1).id, {"lf.jp", IE});
    std::string expected = original;
    expected.replace(expected.find("lf.jp\tGekko"), 11, "lf.jp\tInternet Explorer");
    EXPECT_EQ(doc.bytes(), expected);
    // A removed rule takes its line end; an added one is the last line, after the
    // old last line has got its end.
    doc.removeRule(doc.rules().at(2).id);
    doc.addRule({"new.jp", Gekko});
    expected.replace(expected.find("cr.jp\tGekko\r"), 12, "");
    expected += "\r\nnew.jp\tGekko\r\n";
    file.write(doc);
    EXPECT_EQ(dir.read("SiteEngine.txt"), expected);
}

TEST_F(SiteRuleFileTest, TheTabMenusHostRuleChangesItsLineOrAddsOne) {
    dir.write("SiteEngine.txt", "x\nEXAMPLE.jp\tInternet Explorer\n*.example.jp\tInternet Explorer\n");
    file.setHostRule("example.jp", Gekko);
    EXPECT_EQ(dir.read("SiteEngine.txt"), "x\nEXAMPLE.jp\tGekko\n*.example.jp\tInternet Explorer\n");
    file.setHostRule("other.jp", IE);
    EXPECT_EQ(dir.read("SiteEngine.txt"), "x\nEXAMPLE.jp\tGekko\n*.example.jp\tInternet Explorer\nother.jp\tInternet Explorer\r\n");
}

TEST_F(SiteRuleFileTest, DecisionsFollowTheFileAndAFileThatCannotBeReadSaysSo) {
    const QUrl url(QStringLiteral("http://example.jp/"));
    EXPECT_FALSE(file.engineFor(url));  // no file, no rules
    dir.write("SiteEngine.txt", "example.jp\tGekko\r\n");
    EXPECT_EQ(file.engineFor(url), Gekko);
    dir.write("SiteEngine.txt", "example.jp\tInternet Explorer\r\n");
    EXPECT_EQ(file.engineFor(url), IE);

    QFile::remove(file.path());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("SiteEngine.txt")));
    EXPECT_THROW(file.engineFor(url), EFOpenError);
    EXPECT_THROW(file.setHostRule("example.jp", Gekko), EFOpenError);
}

// The page "エンジン" of the options window.
struct EngineRulesPageTest : SiteRuleFileTest {
    ErrorRecorder errors;
    std::optional<SiteRule> answer;
    QList<SiteRule> dialogOpenedOn;

    void SetUp() override {
        TEngineRulesPage::setRuleDialog([this](QWidget*, const SiteRule& initial) {
            dialogOpenedOn << initial;
            return answer;
        });
    }
    void TearDown() override { TEngineRulesPage::setRuleDialog({}); }
    static QStringList shown(const TEngineRulesPage& page) {
        QStringList rows;
        for (int i = 0; i < page.lstRules->topLevelItemCount(); ++i)
            rows << page.lstRules->topLevelItem(i)->text(0) + " " + page.lstRules->topLevelItem(i)->text(1);
        return rows;
    }
};

TEST_F(EngineRulesPageTest, OkWritesTheEditsAndCancelWritesNothing) {
    const std::string original = "; mine\r\na.jp\tGekko\nb.jp\tGekko\r\n";
    dir.write("SiteEngine.txt", original);
    for (const bool ok : {false, true}) {
        auto* window = new Tfrm_Option(dir.path());
        TEngineRulesPage& page = *window->TabSheet5;
        EXPECT_EQ(shown(page), QStringList({"a.jp Gekko", "b.jp Gekko"}));
        page.lstRules->setCurrentItem(page.lstRules->topLevelItem(0));
        answer = SiteRule{"a.jp", IE};
        page.btnEdit->click();
        EXPECT_EQ(dialogOpenedOn.last(), (SiteRule{"a.jp", Gekko}));
        page.lstRules->setCurrentItem(page.lstRules->topLevelItem(1));
        page.btnDelete->click();
        answer = SiteRule{"*.c.jp", Gekko};
        page.btnAdd->click();
        answer.reset();  // a cancelled dialog adds nothing
        page.btnAdd->click();
        EXPECT_EQ(shown(page), QStringList({"a.jp Internet Explorer", "*.c.jp Gekko"}));
        (ok ? window->Button1 : window->Button2)->click();
        EXPECT_EQ(dir.read("SiteEngine.txt"), ok ? "; mine\r\na.jp\tInternet Explorer\n*.c.jp\tGekko\r\n" : original);
    }
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(EngineRulesPageTest, AFileThatCannotBeReadLeavesThePageOffAndIsNeverWrittenOver) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("SiteEngine.txt")));
    auto* window = new Tfrm_Option(dir.path());
    EXPECT_FALSE(window->TabSheet5->isEnabled());
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages.at(0).contains(QStringLiteral("読み込めない"))) << errors.messages.at(0).toStdString();
    window->Button1->click();
    EXPECT_TRUE(QFileInfo(file.path()).isDir());
    EXPECT_EQ(errors.messages.size(), 1);
}

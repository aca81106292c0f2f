// Texts the program shows as its own: a page's title without bidirectional controls,
// and Qt's standard texts in the user's language, Japanese when Qt has none for it.

#include "platform/Bidi.h"
#include "platform/Translations.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLocale>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(Bidi, ControlsAreRemovedAndEverythingElseStays) {
    // "bank.com" spelled backwards behind a right-to-left override reads as that site.
    EXPECT_EQ(neutralizeBidi(QStringLiteral("\u202Emoc.knab\u202C - evil")), QStringLiteral("moc.knab - evil"));
    QString all;
    for (char16_t u : {0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066, 0x2067, 0x2068, 0x2069, 0x200E, 0x200F, 0x061C})
        all += QChar(u) + QStringLiteral("x");
    EXPECT_EQ(neutralizeBidi(all), QStringLiteral("xxxxxxxxxxxx"));
    // Neighbours of the controls and right-to-left letters themselves stay.
    const QString kept = QStringLiteral("שלום \u2029\u2065\u206A\u200D日本😀");
    EXPECT_EQ(neutralizeBidi(kept), kept);
    EXPECT_EQ(neutralizeBidi(QString()), QString());
    EXPECT_EQ(neutralizeBidi(QStringLiteral("\u202E")), QString());
}

TEST(Bidi, PageTextIsShownOnOneLine) {
    EXPECT_EQ(onOneLine(QStringLiteral("a\r\nb\rc\nd\u2028e\u2029f\u0085g\vh\fi")), QStringLiteral("a b c d e f g h i"));
    EXPECT_EQ(onOneLine(QStringLiteral("\n\n")), QStringLiteral("  "));
    const QString plain = QStringLiteral("日本 \t😀");
    EXPECT_EQ(onOneLine(plain), plain);
    EXPECT_EQ(shownPageText(QStringLiteral("\u202Eab\u2028cd")), QStringLiteral("ab cd"));
}

namespace {

QString cancelText() {
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text();
}

class QtTranslations : public ::testing::Test {
protected:
    void TearDown() override {
        Translations::uninstall(*QCoreApplication::instance());
        QLocale::setDefault(saved_);
    }
    QLocale saved_;
};

}  // namespace

TEST_F(QtTranslations, ALocaleWithoutItsOwnCatalogGetsJapanese) {
    // The tests run under LC_ALL=C.UTF-8.
    EXPECT_EQ(Translations::install(*QCoreApplication::instance()), QStringLiteral("ja"));
    EXPECT_EQ(cancelText(), QStringLiteral("キャンセル"));
    for (QLocale::Language language : {QLocale::English, QLocale::Swahili}) {
        QLocale::setDefault(QLocale(language));
        EXPECT_EQ(Translations::install(*QCoreApplication::instance()), QStringLiteral("ja")) << language;
        EXPECT_EQ(cancelText(), QStringLiteral("キャンセル")) << language;
    }
}

TEST_F(QtTranslations, ALocaleWithACatalogGetsItsOwnAndUninstallRestoresEnglish) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Translations::install(*QCoreApplication::instance()), QStringLiteral("de"));
    EXPECT_EQ(cancelText(), QStringLiteral("Abbrechen"));
    // A second install replaces the first instead of stacking on it.
    QLocale::setDefault(QLocale::c());
    Translations::install(*QCoreApplication::instance());
    EXPECT_EQ(cancelText(), QStringLiteral("キャンセル"));
    Translations::uninstall(*QCoreApplication::instance());
    EXPECT_EQ(cancelText(), QStringLiteral("Cancel"));
}

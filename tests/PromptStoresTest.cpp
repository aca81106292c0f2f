// The session-long answers to what pages ask, and the rule that a request nobody answers
// is refused.

#include "engines/PageRequests.h"
#include "prompts/CertificateExceptions.h"
#include "prompts/PermissionDecisions.h"
#include "prompts/SignInDialog.h"

#include <QLineEdit>
#include <gtest/gtest.h>

TEST(CertificateExceptions, HoldOnlyTheHostAndErrorTheUserAccepted) {
    CertificateExceptions store;
    EXPECT_FALSE(store.allows(QStringLiteral("example.test"), CertificateError::Untrusted));
    store.allow(QStringLiteral("Example.TEST"), CertificateError::Untrusted);
    EXPECT_TRUE(store.allows(QStringLiteral("example.test"), CertificateError::Untrusted));
    // Another failure of the same host, or the same failure elsewhere, is asked again.
    EXPECT_FALSE(store.allows(QStringLiteral("example.test"), CertificateError::Expired));
    EXPECT_FALSE(store.allows(QStringLiteral("other.test"), CertificateError::Untrusted));
    EXPECT_FALSE(store.allows(QString(), CertificateError::Untrusted));
}

TEST(PermissionDecisions, ArePerSiteAndFeature) {
    PermissionDecisions store;
    const QString site = QStringLiteral("https://maps.example.test");
    EXPECT_FALSE(store.decision(site, PageFeature::Geolocation).has_value());
    store.decide(site, PageFeature::Geolocation, false);
    store.decide(site, PageFeature::Camera, true);
    EXPECT_EQ(store.decision(QStringLiteral("HTTPS://Maps.Example.Test/"), PageFeature::Geolocation), false);
    EXPECT_EQ(store.decision(site, PageFeature::Camera), true);
    EXPECT_FALSE(store.decision(site, PageFeature::Microphone).has_value());
    // Another scheme or port is another site.
    EXPECT_FALSE(store.decision(QStringLiteral("http://maps.example.test"), PageFeature::Geolocation).has_value());
    EXPECT_FALSE(store.decision(QStringLiteral("https://maps.example.test:8443"), PageFeature::Camera).has_value());
    store.decide(site, PageFeature::Geolocation, true);
    EXPECT_EQ(store.decision(site, PageFeature::Geolocation), true);
}

TEST(PageRequests, AreAnsweredOnceAndRefusedWhenDropped) {
    int calls = 0;
    bool lastOk = true;
    {
        auto auth = std::make_shared<AuthRequest>(QStringLiteral("h"), QStringLiteral("r"), false,
                                                  [&](bool ok, const QString&, const QString&) { ++calls, lastOk = ok; });
    }
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(lastOk);

    calls = 0;
    bool proceeded = false;
    {
        CertificateRequest certificate(QStringLiteral("h"), QStringLiteral("https://h/"), CertificateError::Untrusted,
                                       [&](bool go) { ++calls, proceeded = go; });
        certificate.proceed();
        certificate.refuse();
    }
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(proceeded);

    calls = 0;
    bool allowed = true;
    { PermissionRequest permission(QStringLiteral("https://h"), PageFeature::Geolocation, [&](bool a) { ++calls, allowed = a; }); }
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(allowed);
}

TEST(SignInDialog, AnswersWithWhatWasTypedOrCancels) {
    QString user, password;
    bool ok = false;
    int calls = 0;
    const auto reply = [&](bool o, const QString& u, const QString& p) { ++calls, ok = o, user = u, password = p; };
    auto* dialog = new SignInDialog(std::make_shared<AuthRequest>(QStringLiteral("h"), QStringLiteral("r"), false, reply), nullptr);
    dialog->userEdit()->setText(QStringLiteral("taro"));
    dialog->passwordEdit()->setText(QStringLiteral("himitsu"));
    dialog->accept();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(ok);
    EXPECT_EQ(user, QStringLiteral("taro"));
    EXPECT_EQ(password, QStringLiteral("himitsu"));
    // The password does not stay behind in the dialog.
    EXPECT_TRUE(dialog->passwordEdit()->text().isEmpty());
    delete dialog;
    EXPECT_EQ(calls, 1);

    // Closed without OK, or gone with its window: cancelled.
    dialog = new SignInDialog(std::make_shared<AuthRequest>(QStringLiteral("h"), QStringLiteral("r"), false, reply), nullptr);
    dialog->passwordEdit()->setText(QStringLiteral("x"));
    delete dialog;
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(ok);
}

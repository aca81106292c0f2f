// The catch point: errors end their handler, reach the box, and the program goes on.

#include "TestSupport.h"
#include "platform/Com.h"
#include "platform/ErrorBox.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

TEST(ErrorBox, HandlersEndAtTheErrorAndTheMessageIsShown) {
    ErrorRecorder errors;
    int reached = 0;
    EXPECT_FALSE(ErrorBox::guard([&] {
        throw EWriteError(QStringLiteral("/x/config.ini"));
        ++reached;
    }));
    EXPECT_TRUE(ErrorBox::guard([&] { ++reached; }));
    ErrorBox::guard([] { throw std::runtime_error("plain"); });
    ErrorBox::guard([] { OleCheck(REGDB_E_CLASSNOTREG); });
    ErrorBox::guard([] { OleCheck(S_FALSE); });  // success codes are no error
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(errors.messages, QStringList({QStringLiteral("/x/config.ini に書き込めません"), QStringLiteral("plain"),
                                            QStringLiteral("クラスが登録されていません")}));
}

TEST(ErrorBox, ErrorsEscapingEventDeliveryAreShownAndTheLoopGoesOn) {
    ErrorRecorder errors;
    QObject target;
    bool later = false;
    QTimer::singleShot(0, &target, [] { throw TavixError(QStringLiteral("boom")); });
    QTimer::singleShot(0, &target, [&] { later = true; });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(later);
    EXPECT_EQ(errors.messages, QStringList({QStringLiteral("boom")}));
}

TEST(Com, UnknownCodesAndVariants) {
    EXPECT_EQ(systemErrorText(hr(0x80041234)), QStringLiteral("OLE エラー 80041234"));
    EXPECT_TRUE(Variant::missing().isMissing());
    EXPECT_EQ(Variant::missing().type(), VT_ERROR);
    EXPECT_TRUE(Variant().isEmpty());
    EXPECT_FALSE(Variant::fromInt(0).isEmpty());
    EXPECT_EQ(Variant::fromString(QString()).type(), VT_BSTR);
    EXPECT_NE(Variant::fromInt(0), Variant());
    EXPECT_EQ(Variant::fromBool(true).toInt(), -1);
}

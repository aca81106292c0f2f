#include "TestSupport.h"
#include "platform/PrivateProfile.h"

#include <gtest/gtest.h>

TEST(PrivateProfile, Smoke) {
    ProgramFolder dir;
    PrivateProfile::write(dir.file("config.ini"), "General", "LastEngine", "IE");
    EXPECT_EQ(PrivateProfile::read(dir.file("config.ini"), "general", "LASTENGINE"), std::optional<std::string>("IE"));
}

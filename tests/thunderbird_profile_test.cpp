// Which Thunderbird profile the writer picks from profiles.ini, and what it
// does when there is none to pick.
#include <gtest/gtest.h>

#include <string>

#include "clients/thunderbird/profile_discovery.h"
#include "platform/files.h"
#include "tests/support/thunderbird_fixture.h"

namespace tw::test {
namespace {

using thunderbird::readDefaultProfilePath;

struct ProfileCase {
    const char* name;
    const char* ini;
    const char* expectedPath;  // nullptr: no profile
    bool expectedRelative;
};

TEST(ThunderbirdProfileList, PicksTheProfileThunderbirdStartsWith) {
    const ProfileCase cases[] = {
        {"one default profile", "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/abc.default\n",
         "Profiles/abc.default", true},
        {"default-release counts as default", "[Profile0]\nName=default-release\nIsRelative=1\nPath=Profiles/r.dr\n",
         "Profiles/r.dr", true},
        {"Path before Name in its section", "[Profile0]\nPath=Profiles/p.default\nName=default\n",
         "Profiles/p.default", true},
        // As current Thunderbird writes it: the "default" profile is an unused
        // one for older versions, the install section names the one in use.
        {"install section wins",
         "[Profile1]\nName=default\nIsRelative=1\nPath=Profiles/old.default\nDefault=1\n\n"
         "[InstallFDC34C9F024745EB]\nDefault=Profiles/new.default-release\nLocked=1\n\n"
         "[Profile0]\nName=default-release\nIsRelative=1\nPath=Profiles/new.default-release\n\n"
         "[General]\nStartWithLastProfile=1\nVersion=2\n",
         "Profiles/new.default-release", true},
        {"absolute path", "[Profile0]\nName=default\nIsRelative=0\nPath=D:\\Mail\\Ann\n", "D:\\Mail\\Ann", false},
        {"install section naming an absolute profile",
         "[Install1]\nDefault=D:\\Mail\\Ann\n[Profile0]\nName=work\nIsRelative=0\nPath=D:\\Mail\\Ann\n",
         "D:\\Mail\\Ann", false},
        {"no default name: the Default=1 profile",
         "[Profile0]\nName=home\nPath=Profiles/h.home\n[Profile1]\nName=work\nPath=Profiles/w.work\nDefault=1\n",
         "Profiles/w.work", true},
        {"CR LF ends", "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/abc.default\r\n",
         "Profiles/abc.default", true},
        {"no profile to pick", "[General]\nStartWithLastProfile=1\n[Profile0]\nName=work\nPath=Profiles/w.work\n",
         nullptr, true},
        {"a default section without a path is skipped",
         "[Profile0]\nName=default\n[Profile1]\nName=other\nPath=Profiles/o.other\n", nullptr, true},
        {"empty file", "", nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto profile = readDefaultProfilePath(c.ini);
        if (c.expectedPath == nullptr) {
            EXPECT_FALSE(profile.has_value()) << profile->path;
            continue;
        }
        ASSERT_TRUE(profile.has_value());
        EXPECT_EQ(profile->path, c.expectedPath);
        EXPECT_EQ(profile->isRelative, c.expectedRelative);
    }
}

TEST(ThunderbirdProfileList, AUtf8PathBecomesTheProgramsText) {
    const auto profile = readDefaultProfilePath("[Profile0]\nName=default\nIsRelative=0\nPath=C:\\Zo\xC3\xAB\n");
    ASSERT_TRUE(profile.has_value());
    EXPECT_EQ(profile->path, "C:\\Zo\xEB");
}

using ThunderbirdProfileTest = ThunderbirdTest;

TEST_F(ThunderbirdProfileTest, AnAbsoluteProfilePathIsUsedAsItStands) {
    const std::string elsewhere = folder() + "\\Elsewhere";
    ASSERT_EQ(platform::createFolder(elsewhere), platform::kSuccess);
    writeProfilesIni("[Profile0]\nName=default\nIsRelative=0\nPath=" + elsewhere + "\n");
    ASSERT_EQ(configure("ann@example.com", "Ann"), OutcomeConfigured);
    EXPECT_TRUE(platform::fileExists(elsewhere + "\\prefs.js"));
    EXPECT_FALSE(platform::folderExists(thunderbirdFolder() + "\\Profiles"));
}

TEST_F(ThunderbirdProfileTest, OnlyTheFirstSlashOfARelativePathIsTurned) {
    writeProfilesIni("[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/x/y.default\n");
    for (const char* sub : {"\\Profiles", "\\Profiles\\x", "\\Profiles\\x\\y.default"}) {
        ASSERT_EQ(platform::createFolder(thunderbirdFolder() + sub), platform::kSuccess);
    }
    ASSERT_EQ(configure("ann@example.com", "Ann"), OutcomeConfigured);
    EXPECT_TRUE(platform::fileExists(thunderbirdFolder() + "\\Profiles\\x\\y.default\\prefs.js"));
}

TEST_F(ThunderbirdProfileTest, WithoutAProfileToUseNothingIsCreated) {
    writeProfilesIni("[Profile0]\nName=work\nPath=Profiles/w.work\n");
    EXPECT_EQ(configure("ann@example.com", "Ann"), OutcomeCannotConfigure);
    EXPECT_FALSE(platform::folderExists(thunderbirdFolder() + "\\NULL"));
    EXPECT_FALSE(platform::folderExists(thunderbirdFolder() + "\\Profiles"));
    EXPECT_NE(logText().find("No default profile found in " + thunderbirdFolder() + "\\profiles.ini.\n"),
              std::string::npos);

    // A profile folder that cannot be made (its parent is missing) is a failure too.
    writeProfilesIni("[Profile0]\nName=default\nPath=Profiles/missing/p.default\n");
    EXPECT_EQ(configure("ann@example.com", "Ann"), OutcomeCannotConfigure);
    EXPECT_NE(logText().find("Profile directory not found. Creating in user's application data folder ... failed.\n"),
              std::string::npos);
}

TEST_F(ThunderbirdProfileTest, AThunderbirdThatNeverRanIsReportedAndLeftAlone) {
    EXPECT_EQ(configure("ann@example.com", "Ann"), OutcomeClientNeverRun);
    EXPECT_FALSE(platform::folderExists(thunderbirdFolder()));
    EXPECT_NE(logText().find("Users profile created at: " + thunderbirdFolder() +
                             "\\profiles.ini\nProfile data not found. Thunderbird has not been run for the first "
                             "time.\n"),
              std::string::npos)
        << logText();
}

}  // namespace
}  // namespace tw::test

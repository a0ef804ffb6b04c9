// Which Thunderbird profile the writer picks from profiles.ini, and what it
// does when there is none to pick.
#include <gtest/gtest.h>

#include <string>

#include "clients/thunderbird/install_hash.h"
#include "clients/thunderbird/profile_discovery.h"
#include "platform/files.h"
#include "tests/support/thunderbird_fixture.h"

namespace tw::test {
namespace {

using thunderbird::readDefaultProfilePath;

struct ProfileCase {
    const char* name;
    std::string ini;
    std::string installsIni;
    const char* hash;          // this installation's; "" when not known
    const char* expectedPath;  // nullptr: no profile
    bool expectedRelative;
};

// Profiles as Thunderbird lists them: an unused "default" marked Default=1
// for older versions, and two installations' own profiles.
const std::string kProfiles = "[Profile2]\nName=default\nIsRelative=1\nPath=Profiles/old.default\nDefault=1\n\n"
                              "[Profile1]\nName=default-release\nIsRelative=1\nPath=Profiles/tb.default-release\n\n"
                              "[Profile0]\nName=beta\nIsRelative=1\nPath=Profiles/beta.default-beta\n\n"
                              "[General]\nStartWithLastProfile=1\nVersion=2\n";

TEST(ThunderbirdProfileList, PicksTheProfileThunderbirdStartsWith) {
    const std::string twoInstalls = "[InstallAAAA]\nDefault=Profiles/beta.default-beta\nLocked=1\n\n"
                                    "[InstallFDC34C9F024745EB]\nDefault=Profiles/tb.default-release\nLocked=1\n\n" +
                                    kProfiles;
    const std::string oneInstall = "[InstallAAAA]\nDefault=Profiles/beta.default-beta\n\n" + kProfiles;
    const std::string installsIni = "[AAAA]\nDefault=Profiles/beta.default-beta\n\n"
                                    "[FDC34C9F024745EB]\nDefault=Profiles/tb.default-release\n";
    // As Thunderbird 68 wrote it: no version, the install sections elsewhere.
    const std::string unversioned = kProfiles.substr(0, kProfiles.find("Version=2"));
    const ProfileCase cases[] = {
        {"this installation's section, among several", twoInstalls, "", "FDC34C9F024745EB",
         "Profiles/tb.default-release", true},
        {"several sections, none of this installation: Default=1", twoInstalls, "", "1234", "Profiles/old.default",
         true},
        {"several sections and no installation known: Default=1", twoInstalls, "", "", "Profiles/old.default", true},
        {"the only install section, when this one cannot be identified", oneInstall, "", "", "Profiles/beta.default-beta",
         true},
        {"the only install section, though of another hash", oneInstall, "", "FDC34C9F024745EB",
         "Profiles/beta.default-beta", true},
        {"installs.ini when profiles.ini has no version", unversioned, installsIni, "FDC34C9F024745EB",
         "Profiles/tb.default-release", true},
        {"installs.ini over a section of the same name", "[InstallFDC34C9F024745EB]\nDefault=Profiles/x\n" + unversioned,
         installsIni, "FDC34C9F024745EB", "Profiles/tb.default-release", true},
        {"installs.ini is not read when profiles.ini has a version", kProfiles, installsIni, "FDC34C9F024745EB",
         "Profiles/old.default", true},
        {"nor beside install sections", oneInstall, "[FDC34C9F024745EB]\nDefault=Profiles/tb.default-release\n",
         "FDC34C9F024745EB", "Profiles/beta.default-beta", true},
        {"an install section without a profile does not count",
         "[InstallFDC34C9F024745EB]\nLocked=1\n" + kProfiles, "", "FDC34C9F024745EB", "Profiles/old.default", true},
        {"Default=1 before the name default",
         "[Profile0]\nName=default\nPath=Profiles/d.default\n[Profile1]\nName=work\nPath=Profiles/w.work\nDefault=1\n",
         "", "", "Profiles/w.work", true},
        {"the only profile", "[General]\nStartWithLastProfile=1\n[Profile0]\nName=work\nPath=Profiles/w.work\n", "",
         "", "Profiles/w.work", true},
        {"the name rule last, default-release too",
         "[Profile0]\nName=home\nPath=Profiles/h.home\n[Profile1]\nName=default-release\nPath=Profiles/r.dr\n", "",
         "", "Profiles/r.dr", true},
        {"Path before Name in its section", "[Profile0]\nPath=Profiles/p.default\nName=default\n", "", "",
         "Profiles/p.default", true},
        {"absolute path", "[Profile0]\nName=default\nIsRelative=0\nPath=D:\\Mail\\Ann\n", "", "", "D:\\Mail\\Ann",
         false},
        {"install section naming an absolute profile",
         "[Install1]\nDefault=D:\\Mail\\Ann\n[Profile0]\nName=work\nIsRelative=0\nPath=D:\\Mail\\Ann\n", "", "1",
         "D:\\Mail\\Ann", false},
        {"CR LF and CR ends", "[Profile0]\r\nName=x\rIsRelative=1\r\nPath=Profiles/abc.default\r", "", "",
         "Profiles/abc.default", true},
        {"no profile to pick",
         "[General]\nStartWithLastProfile=1\n[Profile0]\nName=work\nPath=Profiles/w.work\n[Profile1]\nName=home\n"
         "Path=Profiles/h.home\n",
         "", "", nullptr, true},
        {"a section without a path is no profile",
         "[Profile0]\nName=default\n[Profile1]\nName=a\nPath=Profiles/a\n[Profile2]\nName=b\nPath=Profiles/b\n", "",
         "", nullptr, true},
        {"empty file", "", "", "", nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto profile = readDefaultProfilePath(c.ini, c.installsIni, c.hash);
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
    writeProfilesIni("[Profile0]\nName=work\nPath=Profiles/w.work\n[Profile1]\nName=home\nPath=Profiles/h.home\n");
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

// The installation is found through App Paths, as Thunderbird's installer
// registers it, and its folder's hash picks its section.
TEST_F(ThunderbirdProfileTest, TheRegisteredInstallationPicksItsOwnProfile) {
    const std::string installFolder = "C:\\Program Files\\Mozilla Thunderbird";
    const std::string ours = thunderbird::installHash(installFolder);
    writeProfilesIni("[InstallAAAA]\nDefault=Profiles/other.default\n\n[Install" + ours +
                     "]\nDefault=Profiles/ours.default-release\n\n" +
                     "[Profile0]\nName=default\nPath=Profiles/other.default\nDefault=1\n\n"
                     "[Profile1]\nName=default-release\nPath=Profiles/ours.default-release\n");
    for (const char* name : {"\\Profiles", "\\Profiles\\ours.default-release", "\\Profiles\\other.default"}) {
        ASSERT_EQ(platform::createFolder(thunderbirdFolder() + name), platform::kSuccess);
    }
    const std::string appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\thunderbird.exe";
    seedText(platform::Hive::LocalMachine, appPaths, "", "\"" + installFolder + "\\thunderbird.exe\"");
    ASSERT_EQ(configure("ann@example.com", "Ann"), OutcomeConfigured);
    EXPECT_TRUE(platform::fileExists(thunderbirdFolder() + "\\Profiles\\ours.default-release\\prefs.js"));
    EXPECT_FALSE(platform::fileExists(thunderbirdFolder() + "\\Profiles\\other.default\\prefs.js"));

    // Without the registration there is no telling which of the two it is:
    // the profile marked Default=1.
    ASSERT_EQ(platform::testing::deleteKeyTree(platform::Hive::LocalMachine, appPaths), platform::kSuccess);
    ASSERT_EQ(configure("bob@example.com", "Bob"), OutcomeConfigured);
    EXPECT_TRUE(platform::fileExists(thunderbirdFolder() + "\\Profiles\\other.default\\prefs.js"));
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

// What both Outlook writers share: the profile-store texts, account ids and
// lists, the mode and prompt readings, and finding a profile's account store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clients/outlook/outlook_store.h"
#include "clients/outlook/profile_text.h"
#include "platform/testing.h"
#include "tests/support/outlook_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;

TEST(ProfileText, WidenAndNarrow) {
    EXPECT_EQ(hexBytes(widenText("INBOX.").value()), "49 00 4e 00 42 00 4f 00 58 00 2e 00 00 00");
    EXPECT_EQ(hexBytes(widenText("").value()), "00 00");
    // Code page 1252's 0x80 to 0x9F are not C1 controls but €, ‚, Œ, Ÿ, ...;
    // its accented capitals are Latin-1.
    EXPECT_EQ(hexBytes(widenText("\x80\x82\x8c\x9f\xc9").value()), "ac 20 1a 20 52 01 78 01 c9 00 00 00");
    EXPECT_EQ(narrowText(std::string("\xac\x20\x1a\x20\x52\x01\x78\x01\xc9\x00\x00\x00", 12)), "\x80\x82\x8c\x9f\xc9");

    // Up to the first zero unit; without one, all of it; an odd last byte is no unit.
    EXPECT_EQ(narrowText(std::string("a\0b\0\0\0c\0", 8)), "ab");
    EXPECT_EQ(narrowText(std::string("a\0b", 3)), "a");
    EXPECT_EQ(narrowText(""), "");
    const std::string longText(300, 'x');
    EXPECT_EQ(narrowText(widenText(longText).value()), longText) << "no 50-character cut";
    // A character the ANSI code page lacks is no text, never a look-alike.
    EXPECT_EQ(narrowText(std::string("\x2d\x4e\x00\x00", 4)), std::nullopt);
}

TEST(ProfileText, EveryAnsiCharacterGoesThereAndBack) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
    const auto wide = widenText(all);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->size(), all.size() * 2 + 2);
    EXPECT_EQ(narrowText(*wide), all);
}

TEST(AccountIds, NamesAndLists) {
    EXPECT_EQ(accountIdName(26), "0000001a");
    EXPECT_EQ(accountIdName(0xFFFFFFFF), "ffffffff");
    struct Case {
        const char* name;
        std::optional<std::uint32_t> id;
    };
    const Case cases[] = {{"0000001a", 26},           {"0000001A", 26}, {"00000100", 256},
                          {"1a", std::nullopt},       {"000000001", std::nullopt},
                          {"0000001g", std::nullopt}, {"", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(accountIdFromName(c.name), c.id) << c.name;

    EXPECT_EQ(decodeAccountList(idList({1, 0x100, 0xA0B0C0D0})), (std::vector<std::uint32_t>{1, 0x100, 0xA0B0C0D0}));
    EXPECT_EQ(decodeAccountList(idList({1, 2}) + "\x03\x00"), (std::vector<std::uint32_t>{1, 2}))
        << "a trailing fragment names no account";
    EXPECT_EQ(hexBytes(encodeAccountList({3, 1})), "03 00 00 00 01 00 00 00");
}

class OutlookSettings : public TidewellTest {};

TEST_F(OutlookSettings, MailSupportModeAndProfilePrompt) {
    std::string failure;
    EXPECT_NE(readMailSupport(failure), kCorporateWorkgroupMode) << "no key";
    seedKey(Hive::CurrentUser, kMailSupportKey);
    EXPECT_NE(readMailSupport(failure), kCorporateWorkgroupMode) << "no value";
    struct Case {
        std::uint32_t type;
        std::string bytes;
        bool corporate;
    };
    const Case modes[] = {
        {platform::kRegDword, std::string("\x01\0\0\0", 4), true},
        {platform::kRegDword, std::string("\0\0\0\0", 4), false},
        {platform::kRegDword, std::string("\0\x01\0\0", 4), false},  // 256: the first byte is 0
        {platform::kRegBinary, std::string("\x01", 1), true},
        {platform::kRegSz, "1", false},  // the character "1" is not the number
    };
    for (const auto& c : modes) {
        seedRaw(Hive::CurrentUser, kMailSupportKey, "MailSupport", c.type, c.bytes);
        EXPECT_EQ(readMailSupport(failure) == kCorporateWorkgroupMode, c.corporate) << hexBytes(c.bytes);
    }

    EXPECT_FALSE(readPickLogonProfile(failure)) << "no key";
    const std::pair<const char*, bool> prompts[] = {{"1", true}, {"10", true}, {"0", false}, {"", false}, {" 1", false}};
    for (const auto& [text, prompt] : prompts) {
        seedText(Hive::CurrentUser, kExchangeOptions, "PickLogonProfile", text);
        EXPECT_EQ(readPickLogonProfile(failure), prompt) << text;
    }
    EXPECT_EQ(failure, "") << "a missing key or value is no failure";
    // A value that is there but cannot be read tells no mode, and says why.
    if (platform::testing::failNextCall(platform::testing::PlatformCall::QueryValue, "MailSupport",
                                        platform::kErrorAccessDenied)) {
        EXPECT_NE(readMailSupport(failure), kCorporateWorkgroupMode);
        EXPECT_EQ(failure, "RegQueryValueEx failed on HKEY_CURRENT_USER\\" + kMailSupportKey +
                               " value \"MailSupport\" (error 5)");
    }
}

TEST_F(OutlookSettings, TheAccountStoreOfTheDefaultProfileElseOutlook) {
    EXPECT_EQ(readDefaultProfile().status, platform::kErrorFileNotFound);
    seedKey(Hive::CurrentUser, kProfiles);
    EXPECT_EQ(readDefaultProfile().name, "") << "no DefaultProfile value";
    EXPECT_EQ(openProfileAccountKey("Work").outcome, OutcomeClientNeverRun) << "no store anywhere";

    seedKey(Hive::CurrentUser, storePath("Outlook"));
    seedKey(Hive::CurrentUser, kProfiles + "\\Work");  // a profile without a store
    for (const char* name : {"Work", "", "Work\\x", "Missing"}) {
        const AccountStore store = openProfileAccountKey(name);
        EXPECT_EQ(store.outcome, OutcomeConfigured) << name;
        EXPECT_EQ(store.path, storePath("Outlook")) << name;
    }
    seedKey(Hive::CurrentUser, storePath("Work"));
    EXPECT_EQ(openProfileAccountKey("Work").path, storePath("Work"));
    EXPECT_EQ(openProfileAccountKey("WORK").path, storePath("WORK")) << "names ignore case";
    EXPECT_EQ(subkeys(kProfiles), (std::vector<std::string>{"Outlook", "Work"})) << "nothing was created";
}

}  // namespace
}  // namespace tw::test

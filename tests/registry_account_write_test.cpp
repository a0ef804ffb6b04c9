// A registry account write appears whole or not at all: what undo leaves must
// equal what was there before, down to value types, and a commit keeps all.
#include <gtest/gtest.h>

#include <string>

#include "core/registry_account_write.h"
#include "tests/support/test_env.h"

namespace tw::test {
namespace {

using platform::Hive;
using platform::testing::RegistryCall;

constexpr const char* kStore = "Software\\Store";

class RegistryAccountWriteTest : public TidewellTest {
protected:
    RegistryAccountWriteTest() {
        // An account that a reset rewrites, beside one that must never change.
        seedText(Hive::CurrentUser, account(), "Name", "old name");
        seedDword(Hive::CurrentUser, account(), "Port", 110);
        seedText(Hive::CurrentUser, account(), "Kept", "not ours");
        seedRaw(Hive::CurrentUser, account(), "Blob", platform::kRegBinary, std::string("\0\x01\xff", 3));
        seedText(Hive::CurrentUser, std::string(kStore) + "\\Other", "Name", "J\xF6rg");
    }
    static std::string account() { return std::string(kStore) + "\\Account"; }
    static std::string dump() { return registryDump(Hive::CurrentUser, "Software"); }

    // The same changes in every case: overwrite with another type, add, delete.
    static bool writeReset(RegistryAccountWrite& write) {
        const auto key = write.openKey(account());
        if (!key) return false;
        write.setString(*key, "Name", "new name");
        write.setString(*key, "Port", "now text");
        write.setDword(*key, "Added", 1);
        write.deleteValue(*key, "Blob");
        write.setBinary(*key, "Blob", std::string("\x02", 1));
        write.deleteValue(*key, "Never There");
        return !write.failed();
    }
};

TEST_F(RegistryAccountWriteTest, ANewKeyAndTheParentsItNeededGoAgainOnUndo) {
    const std::string before = dump();
    const std::string path = std::string(kStore) + "\\New\\Deeper\\Account";
    {
        RegistryAccountWrite write(Hive::CurrentUser);
        const auto key = write.openKey(path);
        ASSERT_TRUE(key);
        EXPECT_TRUE(write.setString(*key, "Name", "Ann"));
        EXPECT_TRUE(write.setDword(*key, "Port", 993));
        EXPECT_EQ(describeValue(Hive::CurrentUser, path, "Name"), "sz:Ann\\0");
        EXPECT_TRUE(write.undo().empty());
    }
    EXPECT_EQ(dump(), before);

    {
        RegistryAccountWrite write(Hive::CurrentUser);
        const auto key = write.openKey(path + "\\");
        ASSERT_TRUE(key);
        EXPECT_TRUE(write.setString(*key, "Name", "Ann"));
        write.commit();
        EXPECT_TRUE(write.undo().empty()) << "nothing left to undo once committed";
    }
    EXPECT_EQ(describeValue(Hive::CurrentUser, path, "Name"), "sz:Ann\\0");
}

TEST_F(RegistryAccountWriteTest, AResetGetsEveryOldValueBackAndLosesWhatItAdded) {
    const std::string before = dump();
    {
        RegistryAccountWrite write(Hive::CurrentUser);
        ASSERT_TRUE(writeReset(write));
        EXPECT_EQ(describeValue(Hive::CurrentUser, account(), "Port"), "sz:now text\\0");
        // Not committed: going out of scope undoes it.
    }
    EXPECT_EQ(dump(), before);

    {
        RegistryAccountWrite write(Hive::CurrentUser);
        ASSERT_TRUE(writeReset(write));
        write.commit();
    }
    EXPECT_EQ(describeValue(Hive::CurrentUser, account(), "Port"), "sz:now text\\0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, account(), "Kept"), "sz:not ours\\0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, account(), "Added"), "dword:1");
}

TEST_F(RegistryAccountWriteTest, AKeyThatCannotBeCreatedLeavesNoParentBehind) {
    const std::string before = dump();
    RegistryAccountWrite write(Hive::CurrentUser);
    // Windows creates "F" before it refuses the over-long name after it.
    EXPECT_FALSE(write.openKey("F\\" + std::string(257, 'n')));
    ASSERT_TRUE(write.failure());
    EXPECT_EQ(write.failure()->describe(), "RegCreateKeyEx failed on HKEY_CURRENT_USER\\F\\" +
                                               std::string(257, 'n') + " (error 87)");
    EXPECT_FALSE(write.openKey(account())) << "nothing more after a failure";
    EXPECT_TRUE(write.undo().empty());
    EXPECT_EQ(describeValue(Hive::CurrentUser, "F", "x"), "missing key");
    EXPECT_EQ(dump(), before);
}

TEST_F(RegistryAccountWriteTest, WhatCannotBeUndoneIsReported) {
    RegistryAccountWrite write(Hive::CurrentUser);
    const auto key = write.openKey(std::string(kStore) + "\\New");
    ASSERT_TRUE(key);
    // Someone else adds a subkey meanwhile: the new key cannot go as a leaf.
    seedKey(Hive::CurrentUser, std::string(kStore) + "\\New\\Theirs");
    const auto failures = write.undo();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].describe(), "RegDeleteKey failed on HKEY_CURRENT_USER\\Software\\Store\\New (error 5)");
    EXPECT_EQ(describeValue(Hive::CurrentUser, std::string(kStore) + "\\New\\Theirs", "x"), "missing");
}

// Every call of a reset failing in turn (the fake fails a chosen call): the
// write stops there, nothing after it is written, and undo restores all.
TEST_F(RegistryAccountWriteTest, AFailureAnywhereIsUndoneWhole) {
    struct Case {
        RegistryCall call;
        const char* name;
        const char* failure;
    };
    const Case cases[] = {
        {RegistryCall::CreateKey, "Account", "RegCreateKeyEx failed on HKEY_CURRENT_USER\\Software\\Store\\Account"},
        {RegistryCall::QueryValue, "Name", "RegQueryValueEx failed on HKEY_CURRENT_USER\\Software\\Store\\Account "
                                           "value \"Name\""},
        {RegistryCall::SetValue, "Name", "RegSetValueEx failed on HKEY_CURRENT_USER\\Software\\Store\\Account "
                                         "value \"Name\""},
        {RegistryCall::SetValue, "Added", "RegSetValueEx failed on HKEY_CURRENT_USER\\Software\\Store\\Account "
                                          "value \"Added\""},
        {RegistryCall::DeleteValue, "Blob", "RegDeleteValue failed on HKEY_CURRENT_USER\\Software\\Store\\Account "
                                            "value \"Blob\""},
        {RegistryCall::SetValue, "Blob", "RegSetValueEx failed on HKEY_CURRENT_USER\\Software\\Store\\Account "
                                         "value \"Blob\""},
    };
    const std::string before = dump();
    for (const Case& c : cases) {
        if (!platform::testing::failNextRegistryCall(c.call, c.name, platform::kErrorAccessDenied)) {
            GTEST_SKIP() << "only the fake backend fails a call on demand";
        }
        RegistryAccountWrite write(Hive::CurrentUser);
        EXPECT_FALSE(writeReset(write)) << c.failure;
        ASSERT_TRUE(write.failure()) << c.failure;
        EXPECT_EQ(write.failure()->describe(), std::string(c.failure) + " (error 5)");
        EXPECT_TRUE(write.undo().empty()) << c.failure;
        EXPECT_EQ(dump(), before) << c.failure;
    }
}

TEST_F(RegistryAccountWriteTest, TheReportNamesTheFailureAndTheUndo) {
    if (!platform::testing::failNextRegistryCall(RegistryCall::SetValue, "Port", 1018)) {
        GTEST_SKIP() << "only the fake backend fails a call on demand";
    }
    {
        SessionLog log;
        ASSERT_TRUE(log.open(logFile()));
        RegistryAccountWrite write(Hive::CurrentUser);
        EXPECT_FALSE(writeReset(write));
        reportFailureAndUndo(write, log);
    }
    EXPECT_EQ(logText(), "RegSetValueEx failed on HKEY_CURRENT_USER\\Software\\Store\\Account value \"Port\" "
                         "(error 1018)\n"
                         "The registry was put back as it was before this run.\n");
    EXPECT_EQ(describeValue(Hive::CurrentUser, account(), "Name"), "sz:old name\\0");
}

}  // namespace
}  // namespace tw::test

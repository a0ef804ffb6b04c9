// Configures the provider's IMAP account for Outlook 2002 and later (up to
// Outlook 2010), which keep their mail accounts in the account store of the
// default MAPI profile: numbered subkeys of
// HKCU\...\Windows Messaging Subsystem\Profiles\<profile>\9375CFF0413111d3B88A00104B2A6676,
// with the list of account ids (the default first), the next id to give out
// and a change counter beside them.
#pragma once

#include <cstdint>
#include <string>

#include "clients/account_reader.h"
#include "core/outcome.h"
#include "core/registry_account_write.h"
#include "core/session_log.h"

namespace tw {

class OutlookProfileWriter final : public AccountReader {
public:
    OutlookProfileWriter(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting,
                         bool useSsl, SessionLog& log);

    // Leaves useSsl as constructed.
    void reset(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting, bool useSsl,
               SessionLog& log) override;
    void setAutomaticMode() override { automaticMode = true; }
    void setAutomaticPrefix(std::string prefix) override { automaticPrefix = std::move(prefix); }

    ConfigOutcome configure() override;

    std::string defaultAccountName() override;
    std::string findAccountByAddress(const std::string& searchAddress) override;
    std::string accountAddress(const std::string& accountName) override;
    std::string accountDisplayName(const std::string& accountName) override;
    bool readFailed() const override { return readFailed_; }

private:
    struct Search {
        bool found = false;
        std::string accountKeyName;
    };
    bool searchAccounts(const std::string& storePath, Search& search);
    // Logs a failed registry call that was only reading; false unless it succeeded.
    // Logs a read that failed for another reason than absence, and notes it
    // (readFailed); true then.
    bool reportReadFailure(platform::Status rc, const char* call, const std::string& key, std::string_view value = {});
    bool checked(platform::Status rc, const char* call, const std::string& key, std::string_view value = {});
    bool newAccountId(const std::string& storePath, std::uint32_t& id, std::string& oldList);
    // The write phase: all of it or, should one call fail, none of it.
    bool writeAccount(RegistryAccountWrite& write, const std::string& accountKeyPath, const std::string& accountName);
    bool addToAccountList(RegistryAccountWrite& write, RegistryAccountWrite::KeyId store, std::uint32_t id,
                          const std::string& oldList);
    bool keepListed(RegistryAccountWrite& write, RegistryAccountWrite::KeyId store, const std::string& storePath,
                    const std::string& foundName);
    bool rebuildAccountList(RegistryAccountWrite& write, RegistryAccountWrite::KeyId store,
                            const std::string& storePath, const std::string& foundName);
    bool incrementLastChangeVer(RegistryAccountWrite& write, RegistryAccountWrite::KeyId store,
                                const std::string& storePath);
    bool writeStore(const std::string& storePath, const Search& search, const std::string& accountName);
    void logSettings(const std::string& accountName);
    std::string readStoreText(const std::string& accountName, std::string_view valueName);

    bool useSsl;
    std::string address;
    std::string displayName;
    bool makeDefault;
    bool overwriteExisting;
    bool automaticMode = false;
    bool automaticAccountFound = false;
    std::string automaticPrefix;
    bool readFailed_ = false;  // a reader met a key or value it could not read
    SessionLog* log;
};

}  // namespace tw

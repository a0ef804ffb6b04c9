// Configures the provider's IMAP account in Outlook Express, whose accounts are
// registry keys under HKCU\Software\Microsoft\Internet Account Manager\Accounts.
#pragma once

#include <string>

#include "clients/account_reader.h"
#include "core/outcome.h"
#include "core/registry_account_write.h"
#include "core/session_log.h"

namespace tw {

class OutlookExpressWriter final : public AccountReader {
public:
    OutlookExpressWriter(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting,
                         bool useSsl, SessionLog& log);

    // Replaces what the constructor stored; the automatic-mode settings stay.
    void reset(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting, bool useSsl,
               SessionLog& log) override;
    void setAutomaticMode() override { automaticMode = true; }
    void setAutomaticPrefix(std::string prefix) override { automaticPrefix = std::move(prefix); }

    ConfigOutcome configure() override;

    // Readers for the automatic mode; each returns "*ERROR*" when it cannot read.
    std::string defaultAccountName() override;
    std::string findAccountByAddress(const std::string& searchAddress) override;
    std::string accountAddress(const std::string& accountName) override;
    std::string accountDisplayName(const std::string& accountName) override;
    bool readFailed() const override { return readFailed_; }

private:
    struct Search {
        bool found = false;
        std::string accountKeyName;
        std::uint32_t subkeyCount = 0;
    };
    bool searchAccounts(Search& search);
    // Logs a failed registry call; true when it did not fail.
    bool checked(platform::Status rc, const char* call, const std::string& key);
    void reportReadFailure(const std::optional<RegistryFailure>& failure);
    void logSettings(const std::string& accountName);
    bool writeAccount(RegistryAccountWrite& write, const std::string& keyPath, const std::string& accountName);
    bool makeDefaultAccount(RegistryAccountWrite& write, const std::string& accountKeyName);

    bool useSsl;
    std::string address;
    std::string displayName;
    bool makeDefault;
    bool overwriteExisting;
    bool automaticMode = false;
    bool automaticAccountFound = false;
    std::string automaticPrefix;
    bool readFailed_ = false;
    SessionLog* log;
};

}  // namespace tw

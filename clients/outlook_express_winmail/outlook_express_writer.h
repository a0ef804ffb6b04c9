// Configures the provider's IMAP account in Outlook Express, whose accounts are
// registry keys under HKCU\Software\Microsoft\Internet Account Manager\Accounts.
#pragma once

#include <string>

#include "core/outcome.h"
#include "core/registry_account_write.h"
#include "core/session_log.h"

namespace tw {

class OutlookExpressWriter {
public:
    OutlookExpressWriter(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting,
                         bool useSsl, SessionLog& log);

    // Replaces what the constructor stored; the automatic-mode settings stay.
    void reset(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting, bool useSsl,
               SessionLog& log);
    void setAutomaticMode() { automaticMode = true; }
    void setAutomaticPrefix(std::string prefix) { automaticPrefix = std::move(prefix); }

    ConfigOutcome configure();

    // Readers for the automatic mode; each returns "*ERROR*" when it cannot read.
    std::string defaultAccountName();
    std::string findAccountByAddress(const std::string& searchAddress);
    std::string accountAddress(const std::string& accountName);
    std::string accountDisplayName(const std::string& accountName);
    // True once a reader met a key or value that is there but could not be
    // read (and logged it): its "*ERROR*" or empty answer is not the account's.
    bool readFailed() const { return readFailed_; }

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

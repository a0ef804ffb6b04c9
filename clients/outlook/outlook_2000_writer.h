// Configures the provider's IMAP account for Outlook 2000 (below version 10),
// whose Internet-mode account manager keeps accounts under
// HKCU\Software\Microsoft\Office\Outlook\OMI Account Manager\Accounts. In
// Corporate/Workgroup mode Outlook uses such an account only through an
// Internet mail service in the default MAPI profile, which the writer adds.
#pragma once

#include <optional>
#include <string>

#include "clients/account_reader.h"
#include "core/outcome.h"
#include "core/registry_account_write.h"
#include "core/session_log.h"

namespace tw {

class Outlook2000Writer final : public AccountReader {
public:
    Outlook2000Writer(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting,
                      bool useSsl, SessionLog& log);

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
        std::string accountKeyName;  // the key written: the one found, else the new account's name
    };
    bool searchAccounts(Search& search);
    // Logs a failed registry call of the search; false unless it succeeded.
    bool checked(platform::Status rc, const char* call, const std::string& key);
    void logSettings(const std::string& accountName);
    bool writeAccount(RegistryAccountWrite& write, const std::string& accountKeyName, const std::string& accountName);
    bool makeDefaultAccount(RegistryAccountWrite& write, const std::string& accountKeyName);
    // Logs a read that failed for another reason than absence, and notes it
    // (readFailed); true then.
    bool reportReadFailure(platform::Status rc, const char* call, const std::string& key,
                           std::optional<std::string> value = std::nullopt);
    // A value's text from the key, for the readers; "*ERROR*" when it cannot be read.
    std::string readAccountText(const std::string& keyPath, std::string_view valueName);
    bool profileHasMailService(const std::string& accountName, bool& hasService);
    // Adds an Internet mail service for the account to the default MAPI
    // profile and names its profile section after the account (mapi_mail_service.cpp).
    bool createMapiMailService(const std::string& accountName);
    bool nameNewSections(const std::string& accountName, const std::vector<std::string>& sectionsBefore);

    bool useSsl;
    std::string address;
    std::string displayName;
    bool makeDefault;
    bool overwriteExisting;
    bool automaticAccountFound = false;
    bool automaticMode = false;
    std::string automaticPrefix;
    bool readFailed_ = false;  // a reader met a key or value it could not read
    SessionLog* log;
    std::string profileName;  // the default MAPI profile, in Corporate/Workgroup mode
};

}  // namespace tw

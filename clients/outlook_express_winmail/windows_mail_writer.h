// Configures the provider's IMAP account in Windows Mail, which keeps one
// account file per account in the "Local Folders" folder of its store
// (HKCU\Software\Microsoft\Windows Mail, value Store Root) and the file name of
// its default account in HKCU\Software\Microsoft\IAM.
#pragma once

#include <optional>
#include <string>

#include "clients/outlook_express_winmail/windows_mail_account_file.h"
#include "core/outcome.h"
#include "core/registry_account_write.h"
#include "core/session_log.h"

namespace tw {

class WindowsMailWriter {
public:
    WindowsMailWriter(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting,
                      bool useSsl, SessionLog& log);

    // OutcomeConfigured; OutcomeAccountExists when an account file serves the
    // address and overwriteExisting is false; OutcomeCannotConfigure when the
    // store cannot be found, searched or written, or the default account
    // cannot be set. Account files are only ever replaced whole, and the
    // default is put back when the file cannot be written, so a failure
    // leaves every file and the default as they were.
    ConfigOutcome configure();

private:
    // The first account file in the folder whose SMTP_Email_Address is the
    // address; nothing when none is. False when the folder cannot be searched
    // to the end or a candidate cannot be read, since an account that may
    // exist must not be created twice.
    bool findAccountFile(const std::string& folder, std::optional<std::string>& found);
    bool accountFolder(std::string& folder);
    bool fileSettings();
    // A new account file in the folder, named by a fresh GUID; path receives its path.
    bool writeAccountFile(const std::string& folder, std::string& path);
    // The found account file rewritten with the provider's settings.
    bool updateAccountFile(const std::string& path);
    // Writes the bytes under the target's name + ".tmp", flushed, then puts
    // that file in the target's place in one step. With makeDefault the
    // default account is set between the two, and put back when the file
    // cannot take its place: the file and the default change together or
    // not at all.
    bool saveAccountFile(const std::string& target, const std::string& bytes);
    bool makeDefaultAccount(RegistryAccountWrite& write, const std::string& fileName);
    void logSettings();

    bool useSsl;
    std::string address;
    std::string displayName;
    bool makeDefault;
    bool overwriteExisting;
    SessionLog* log;
    windows_mail::AccountFileSettings settings;
};

}  // namespace tw

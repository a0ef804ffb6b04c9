#include "clients/outlook_express_winmail/windows_mail_writer.h"

#include <utility>
#include <vector>

#include "core/ascii.h"
#include "core/provider.h"
#include "core/registry_access.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace tw {
namespace {

using platform::Hive;
using platform::RegKey;
using windows_mail::dwordText;

constexpr const char* kWindowsMailKey = "Software\\Microsoft\\Windows Mail";
constexpr const char* kIamKey = "Software\\Microsoft\\IAM";
constexpr const char* kNoChanges = " No changes have been made.";
// Windows Mail's account files are a few kilobytes. Anything far larger that
// matches "account*" is not one, and is not read into memory.
constexpr std::uint64_t kMaxAccountFileBytes = 1u << 20;

bool endsWithIgnoringCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && equalIgnoringCase(text.substr(text.size() - end.size()), end);
}

}  // namespace

WindowsMailWriter::WindowsMailWriter(std::string newAddress, std::string newDisplayName, bool newMakeDefault,
                                     bool newOverwriteExisting, bool newUseSsl, SessionLog& newLog)
    : useSsl(newUseSsl),
      address(std::move(newAddress)),
      displayName(std::move(newDisplayName)),
      makeDefault(newMakeDefault),
      overwriteExisting(newOverwriteExisting),
      log(&newLog) {}

ConfigOutcome WindowsMailWriter::configure() {
    std::string folder;
    if (!accountFolder(folder) || !fileSettings()) return OutcomeCannotConfigure;

    *log << "Searching for existant " << address << " account ... ";
    std::optional<std::string> found;
    if (!findAccountFile(folder, found)) return OutcomeCannotConfigure;
    if (found && !overwriteExisting) {
        log->line(" found. No changes will be made.");
        return OutcomeAccountExists;
    }
    log->lineBlank(found ? " found. Reseting settings to defaults." : "not found. Creating new account.");
    log->lineBlank("Starting Windows Mail configuration...");

    std::string path;
    if (found) {
        path = *found;
        *log << " found existant at: " << path;
        log->endLine();
        if (!updateAccountFile(path)) return OutcomeCannotConfigure;
    } else if (!writeAccountFile(folder, path)) {
        return OutcomeCannotConfigure;
    }
    logSettings();
    return OutcomeConfigured;
}

bool WindowsMailWriter::writeAccountFile(const std::string& folder, std::string& path) {
    std::string guid;
    if (const platform::Status rc = platform::newUuidText(guid); rc != platform::kSuccess) {
        *log << "Unable to create a GUID for the account file (UuidCreate error " << rc << ")." << kNoChanges;
        log->endLine();
        return false;
    }
    path = folder + "\\account{" + guid + "}.oeaccount";
    return saveAccountFile(path, windows_mail::newAccountFile(settings));
}

bool WindowsMailWriter::updateAccountFile(const std::string& path) {
    std::string bytes;
    const platform::Status rc = platform::readWholeFile(path, bytes, kMaxAccountFileBytes);
    const auto updated = rc == platform::kSuccess ? windows_mail::updatedAccountFile(bytes, settings) : std::nullopt;
    if (updated) return saveAccountFile(path, *updated);
    // Changed or locked since the search.
    if (rc != platform::kSuccess) {
        *log << "Unable to read " << path << " (error " << rc << ")." << kNoChanges;
    } else {
        *log << path << " is no longer an account file." << kNoChanges;
    }
    log->endLine();
    return false;
}

bool WindowsMailWriter::accountFolder(std::string& folder) {
    RegKey key;
    platform::Status rc = key.open(Hive::CurrentUser, kWindowsMailKey, platform::kKeyRead);
    if (rc != platform::kSuccess) {
        *log << "Unable to open HKEY_CURRENT_USER\\" << kWindowsMailKey << " (error " << rc
             << "): Windows Mail has no store." << kNoChanges;
        log->endLine();
        return false;
    }
    platform::RegValue value;
    std::string root;
    rc = key.queryValue("Store Root", value);
    if (rc == platform::kSuccess) rc = platform::valueText(value, root);
    if (rc != platform::kSuccess || root.empty()) {
        *log << "Unable to read Store Root of HKEY_CURRENT_USER\\" << kWindowsMailKey << " ("
             << (rc != platform::kSuccess ? "error " + std::to_string(rc) : std::string("empty"))
             << "): Windows Mail's store folder is unknown." << kNoChanges;
        log->endLine();
        return false;
    }
    // Store Root names a folder; the accounts are in its "Local Folders".
    root = expandFirst(std::move(root), "USERPROFILE");
    if (root.back() != '\\') root += '\\';
    folder = root + "Local Folders";
    if (!platform::folderExists(folder)) {
        *log << "Windows Mail's account folder " << folder << " does not exist." << kNoChanges;
        log->endLine();
        return false;
    }
    return true;
}

bool WindowsMailWriter::fileSettings() {
    // Account files hold UTF-16 text; ours is in the ANSI code page.
    const auto fileAddress = windows_mail::elementText(address);
    const auto fileName = windows_mail::elementText(displayName);
    if (!fileAddress || !fileName) {
        *log << "Unable to write the " << (fileAddress ? "display name" : "e-mail address")
             << " in an account file: it holds a control character or a byte that is not a character of the "
                "system's code page."
             << kNoChanges;
        log->endLine();
        return false;
    }
    settings = {*fileAddress, *fileName, useSsl};
    return true;
}

bool WindowsMailWriter::findAccountFile(const std::string& folder, std::optional<std::string>& found) {
    const std::string pattern = folder + "\\account*";
    *log << pattern;
    log->endLine();

    std::vector<std::string> names;
    const platform::Status searched = platform::findFiles(pattern, names);
    for (const std::string& name : names) {
        // A leftover of an interrupted write is not an account Windows Mail reads.
        if (endsWithIgnoringCase(name, ".tmp")) continue;
        const std::string path = folder + "\\" + name;
        if (platform::folderExists(path)) continue;
        std::string bytes;
        const platform::Status rc = platform::readWholeFile(path, bytes, kMaxAccountFileBytes);
        if (rc == platform::kErrorFileTooLarge) continue;
        if (rc != platform::kSuccess) {
            *log << "Unable to read " << path << " (error " << rc << ")." << kNoChanges;
            log->endLine();
            return false;
        }
        if (windows_mail::accountFileHasAddress(bytes, settings.address)) {
            found = path;
            return true;
        }
    }
    if (searched == platform::kErrorNoMoreFiles || searched == platform::kErrorFileNotFound) return true;
    *log << (names.empty() ? "FindFirstFile" : "FindNextFile") << " error. Error is :" << searched;
    log->endLine();
    return false;
}

bool WindowsMailWriter::saveAccountFile(const std::string& target, const std::string& bytes) {
    const std::string temp = target + ".tmp";
    // Windows Mail names its default account by the account file's name.
    const std::string fileName = target.substr(target.find_last_of('\\') + 1);
    RegistryAccountWrite write(platform::Hive::CurrentUser);
    platform::Status rc = platform::writeNewFile(temp, bytes);
    if (rc != platform::kSuccess) {
        *log << "Unable to write " << temp << " (error " << rc << ")." << kNoChanges;
        log->endLine();
    } else if (makeDefault && !makeDefaultAccount(write, fileName)) {
        reportFailureAndUndo(write, *log);
        log->line("The account file was left as it was.");
    } else if ((rc = platform::replaceFile(temp, target)) != platform::kSuccess) {
        *log << "Unable to replace " << target << " with " << temp << " (error " << rc << ")." << kNoChanges;
        log->endLine();
        // The default already names the file: it goes back to the old one.
        if (makeDefault) reportFailureAndUndo(write, *log);
    } else {
        write.commit();
        return true;
    }
    platform::deleteFile(temp);
    return false;
}

bool WindowsMailWriter::makeDefaultAccount(RegistryAccountWrite& write, const std::string& fileName) {
    const auto iam = write.openKey(kIamKey);
    return iam && write.setString(*iam, "Default Mail Account", fileName);
}

void WindowsMailWriter::logSettings() {
    const ProviderServers servers = providerServers(useSsl);
    const std::string secure = dwordText(useSsl ? 1 : 0);
    SessionLog& out = *log;
    out.lineBlank("The following settings were written/overwritten in Windows Mail's configuration:");
    out << "Account Name: " << address;
    out.endLine();
    out << "Connection Type: " << dwordText(3);
    out.endLine();
    out << "IMAP Server: " << servers.incomingHost;
    out.endLine();
    out << "IMAP User Name: " << address;
    out.endLine();
    out << "IMAP Port: " << dwordText(static_cast<unsigned>(servers.imapPort));
    out.endLine();
    out << "IMAP Secure Connection: " << secure;
    out.endLine();
    out << "IMAP Timeout: " << dwordText(60);
    out.endLine();
    out << "SMTP Server: " << servers.outgoingHost;
    out.endLine();
    out << "SMTP Use Sicily: " << dwordText(2);
    out.endLine();
    out << "SMTP Port: " << dwordText(static_cast<unsigned>(servers.smtpPort));
    out.endLine();
    out << "SMTP Secure Connection: " << secure;
    out.endLine();
    out << "SMTP Timeout: " << dwordText(60);
    out.endLine();
    out << "SMTP Display Name: " << displayName;
    out.endLine();
    out << "SMTP Email Address: " << address;
    out.endLine();
}

}  // namespace tw

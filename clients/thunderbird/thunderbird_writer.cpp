#include "clients/thunderbird/thunderbird_writer.h"

#include <utility>
#include <vector>

#include "clients/thunderbird/pref_file.h"
#include "platform/files.h"
#include "platform/text.h"

namespace tw {

using namespace thunderbird;

ThunderbirdWriter::ThunderbirdWriter(std::string newAddress, std::string newDisplayName, bool newMakeDefault,
                                     bool newOverwriteExisting, bool newUseSsl, SessionLog& newLog)
    : useSsl(newUseSsl),
      address(std::move(newAddress)),
      displayName(std::move(newDisplayName)),
      makeDefault(newMakeDefault),
      overwriteExisting(newOverwriteExisting),
      log(&newLog) {}

ConfigOutcome ThunderbirdWriter::configure() {
    ConfigOutcome outcome = discoverProfile(*log, profile);
    if (outcome == OutcomeConfigured) outcome = loadPreferences();
    if (outcome != OutcomeConfigured) return outcome;

    // prefs.js is UTF-8; the program's own text is 8-bit.
    fileSettings =
        makeAccountSettings(platform::ansiToUtf8(address), platform::ansiToUtf8(displayName), useSsl);
    const std::string_view prefs = prefsText;
    const PrefsReader reader(prefs);
    const bool firstAccount = reader.hasNoAccounts();

    *log << "Searching for existant " << address << " account ... ";
    const auto identity = firstAccount ? std::nullopt : reader.findIdentityByAddress(fileSettings.address);
    if (identity && !overwriteExisting) {
        log->line(" found. No changes will be made.");
        return OutcomeAccountExists;
    }
    if (identity) {
        log->line(" found. Reseting settings to defaults.");
        return resetAccount(prefs, reader, *identity);
    }
    log->line("not found. Creating new account.");
    return firstAccount ? writeFirstAccount(prefs) : writeNewAccount(prefs, reader);
}

ConfigOutcome ThunderbirdWriter::loadPreferences() {
    const platform::Status rc = platform::readWholeFile(profile.prefsFile, prefsText);
    if (rc == platform::kSuccess) return OutcomeConfigured;
    if (rc != platform::kErrorFileNotFound && rc != platform::kErrorPathNotFound) {
        // Held open by another program, for instance: never taken for an empty file.
        *log << "Unable to read " << profile.prefsFile << " (error " << rc << "). No changes have been made.";
        log->endLine();
        return OutcomeCannotConfigure;
    }
    *log << "Profile directory not found. Creating in user's application data folder ... ";
    if (!createProfileFolder()) {
        log->line("failed.");
        return OutcomeCannotConfigure;
    }
    log->line("done.");
    return OutcomeConfigured;
}

bool ThunderbirdWriter::createProfileFolder() {
    if (profile.isRelative) platform::createFolder(profile.profilesFolder);
    platform::createFolder(profile.profileFolder);
    return platform::folderExists(profile.profileFolder);
}

ConfigOutcome ThunderbirdWriter::writeFirstAccount(std::string_view prefs) {
    Summary summary;
    summary.account = "account2";
    summary.server = "server2";
    summary.identity = "id1";
    summary.showSocketType = true;
    const auto rewrite = [&](PrefsOutput& out) {
        rewriteForFirstAccount(prefs, fileSettings, out);
        return std::string();
    };
    return save(rewrite, summary);
}

ConfigOutcome ThunderbirdWriter::writeNewAccount(std::string_view prefs, const PrefsReader& reader) {
    NewAccount account;
    account.accountNumber = reader.nextAccountNumber();
    account.account = "account" + std::to_string(account.accountNumber);
    account.server = "server" + std::to_string(reader.nextServerNumber());
    const long long identityNumber = reader.nextIdentityNumber();
    account.identity = "id" + std::to_string(identityNumber);
    account.smtp = "smtp" + std::to_string(reader.nextOutgoingServerNumber());
    account.localFolders = reader.usesLocalFoldersForCopies(identityNumber);
    account.makeDefault = makeDefault;

    Summary summary{account.account, account.server, account.identity, account.smtp};
    summary.showDefaultOutgoing = false;
    summary.localFolders = account.localFolders;
    return save([&](PrefsOutput& out) { return rewriteAddingAccount(prefs, account, fileSettings, out); }, summary);
}

ConfigOutcome ThunderbirdWriter::resetAccount(std::string_view prefs, const PrefsReader& reader,
                                              const std::string& identity) {
    ExistingAccount account;
    account.identity = identity;
    const auto owner = reader.findAccountOfIdentity(identity);
    const auto server = owner ? reader.value(accountKey(*owner, "server")) : std::nullopt;
    if (!owner || !server || server->empty()) {
        *log << "No account with an incoming server uses the identity " << identity << ". No changes have been made.";
        log->endLine();
        return OutcomeCannotConfigure;
    }
    account.account = *owner;
    account.server = std::string(*server);
    const auto smtp = reader.value(identityKey(identity, "smtpServer"));
    // An identity without an outgoing server of its own sends through the
    // default one, which may be another account's: it gets its own instead.
    account.smtpIsNew = !smtp || smtp->empty();
    account.smtp = account.smtpIsNew ? "smtp" + std::to_string(reader.nextOutgoingServerNumber()) : std::string(*smtp);
    account.makeDefault = makeDefault;

    Summary summary{account.account, account.server, account.identity};
    if (account.smtpIsNew) {
        summary.smtp = account.smtp;
        summary.showDefaultOutgoing = false;
    }
    return save([&](PrefsOutput& out) { return rewriteResettingAccount(prefs, account, fileSettings, out); },
                summary);
}

ConfigOutcome ThunderbirdWriter::save(const Rewrite& rewrite, Summary summary) {
    platform::Status rc = platform::kSuccess;
    {
        // Closed at the end of this block in every case, so that a failed
        // copy can be removed below.
        platform::NewFile file;
        rc = file.create(profile.tempFile);
        if (rc == platform::kSuccess) {
            PrefsOutput out(file);
            const std::string outgoingList = rewrite(out);
            if (!outgoingList.empty()) summary.outgoingList = outgoingList;
            rc = out.finish();
        }
    }
    if (rc != platform::kSuccess) {
        *log << "Unable to write " << profile.tempFile << " (error " << rc << ").";
    } else {
        rc = platform::replaceFile(profile.tempFile, profile.prefsFile);
        if (rc != platform::kSuccess) {
            *log << "Unable to replace " << profile.prefsFile << " with " << profile.tempFile << " (error " << rc
                 << ").";
        }
    }
    if (rc != platform::kSuccess) {
        platform::deleteFile(profile.tempFile);
        *log << " No changes have been made.";
        log->endLine();
        return OutcomeCannotConfigure;
    }
    logSummary(summary);
    return OutcomeConfigured;
}

void ThunderbirdWriter::logSummary(const Summary& summary) {
    // The log is in the program's 8-bit text; the folder URIs are as written.
    AccountSettings settings = makeAccountSettings(address, displayName, useSsl);
    settings.folderUser = fileSettings.folderUser;

    std::vector<std::string> lines{accountIdentitiesLine(summary.account, summary.identity),
                                   accountServerLine(summary.account, summary.server),
                                   accountListLine(summary.account), defaultAccountLine(summary.account),
                                   identityNameLine(summary.identity, settings),
                                   identityOutgoingLine(summary.identity, summary.smtp)};
    for (ServerField field : kServerFields) {
        if (field != ServerField::SocketType || summary.showSocketType) {
            lines.push_back(serverLine(summary.server, field, settings));
        }
    }
    lines.push_back(identityAddressLine(summary.identity, settings));
    lines.push_back(identityDraftsLine(summary.identity, settings, summary.localFolders));
    lines.push_back(identitySentLine(summary.identity, settings, summary.localFolders));
    for (auto& line : newOutgoingServerLines(summary.smtp, settings)) lines.push_back(std::move(line));
    lines.push_back(outgoingListLine(summary.outgoingList));
    if (summary.showDefaultOutgoing) lines.push_back(defaultOutgoingLine(summary.smtp));

    log->endLine();
    log->lineBlank("The following lines were written/overwritten in the Thunderbird configuration file:");
    for (const auto& line : lines) log->line(line);
    log->endLine();
}

}  // namespace tw

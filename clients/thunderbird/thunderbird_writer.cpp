#include "clients/thunderbird/thunderbird_writer.h"

#include <optional>
#include <utility>
#include <vector>

#include "clients/thunderbird/pref_file.h"
#include "core/provider.h"
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
    if (outcome == OutcomeConfigured) outcome = openPreferences();
    if (outcome != OutcomeConfigured) return outcome;

    // prefs.js is UTF-8; the program's own text is 8-bit.
    fileAddress = platform::ansiToUtf8(address);
    fileSettings = makeAccountSettings(fileAddress, platform::ansiToUtf8(displayName), useSsl);
    if (!prefsFileOpen) {
        PrefsSource nothing{std::string_view()};
        return configureIn(nothing);
    }
    PrefsSource source(prefsFile);
    return configureIn(source);
}

// The file is read through once for what adding an account needs; when the
// address is there, once more for whose account it is; and to reset that
// account, once more for all its settings. A large profile holds tens of
// thousands of settings, and each reading keeps only what it needs.
ConfigOutcome ThunderbirdWriter::configureIn(PrefsSource& source) {
    const PrefsDocument outline(source, PrefsDocument::Keep::ListsAndAddress, fileAddress);
    if (!readThrough(outline)) return OutcomeCannotConfigure;
    const bool firstAccount = !outline.facts().anyAccount;
    const bool addressSeen = !firstAccount && !PrefsReader(outline).identitiesWithAddress(fileAddress).empty();
    std::optional<PrefsDocument> accounts;
    std::optional<PrefsReader::AddressAccount> found;
    if (addressSeen) {
        source.rewind();
        accounts.emplace(source, PrefsDocument::Keep::AccountsAndAddress, fileAddress);
        if (!readThrough(*accounts)) return OutcomeCannotConfigure;
        found = PrefsReader(*accounts).findAccountForAddress(fileAddress);
    }

    *log << "Searching for existant " << address << " account ... ";
    if (!found) {
        // Also when the address is only an alias of another address's account.
        log->line("not found. Creating new account.");
        if (firstAccount) {
            // A profile without accounts is small: all its mail settings are
            // read, so the account's lines can replace stale ones of their keys.
            source.rewind();
            const PrefsDocument document(source);
            if (!readThrough(document)) return OutcomeCannotConfigure;
            return writeFirstAccount(document, source);
        }
        return writeNewAccount(PrefsReader(accounts ? *accounts : outline), source);
    }
    if (!overwriteExisting) {
        log->line(" found. No changes will be made.");
        return OutcomeAccountExists;
    }
    log->line(" found. Reseting settings to defaults.");
    source.rewind();
    const PrefsDocument document(source);
    if (!readThrough(document)) return OutcomeCannotConfigure;
    return resetAccount(PrefsReader(document), *found, source);
}

bool ThunderbirdWriter::readThrough(const PrefsDocument& document) {
    const platform::Status rc = document.readStatus();
    if (rc == platform::kSuccess && PrefsDocument::fits(document.readEnd())) return true;
    if (rc == platform::kSuccess) {
        *log << "Unable to read " << profile.prefsFile << ": the file is too large. No changes have been made.";
    } else {
        *log << "Unable to read " << profile.prefsFile << " (error " << rc << "). No changes have been made.";
    }
    log->endLine();
    return false;
}

ConfigOutcome ThunderbirdWriter::openPreferences() {
    const platform::Status rc = prefsFile.open(profile.prefsFile);
    prefsFileOpen = rc == platform::kSuccess;
    if (prefsFileOpen) return OutcomeConfigured;
    if (rc != platform::kErrorFileNotFound && rc != platform::kErrorPathNotFound) {
        // Held open by another program, for instance: never taken for an empty file.
        *log << "Unable to read " << profile.prefsFile << " (error " << rc << "). No changes have been made.";
        log->endLine();
        return OutcomeCannotConfigure;
    }
    *log << "Profile directory not found. Creating in user's application data folder ... ";
    const platform::Status created = createProfileFolder();
    if (created != platform::kSuccess) {
        log->line("failed.");
        // 183 (already exists): a file stands where the folder belongs.
        *log << "Unable to create " << profile.profileFolder << " (error " << created << "). No changes have been made.";
        log->endLine();
        return OutcomeCannotConfigure;
    }
    log->line("done.");
    return OutcomeConfigured;
}

platform::Status ThunderbirdWriter::createProfileFolder() {
    // A Profiles folder that cannot be made shows in the profile's own failure.
    if (profile.isRelative) platform::createFolder(profile.profilesFolder);
    return platform::createFolder(profile.profileFolder);  // kSuccess too when it is there
}

ConfigOutcome ThunderbirdWriter::writeFirstAccount(const PrefsDocument& document, PrefsSource& source) {
    Summary summary;
    summary.account = "account2";
    summary.server = "server2";
    summary.identity = "id1";
    summary.showSocketType = true;
    const auto rewrite = [&](PrefsEdits& edits) {
        rewriteForFirstAccount(document, fileSettings, edits);
        return std::string();
    };
    return save(document, source, rewrite, summary);
}

ConfigOutcome ThunderbirdWriter::writeNewAccount(const PrefsReader& reader, PrefsSource& source) {
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
    const PrefsDocument& document = reader.document();
    return save(
        document, source,
        [&](PrefsEdits& edits) { return rewriteAddingAccount(document, account, fileSettings, edits); }, summary);
}

ConfigOutcome ThunderbirdWriter::resetAccount(const PrefsReader& reader, const PrefsReader::AddressAccount& found,
                                              PrefsSource& source) {
    ExistingAccount account;
    account.identity = found.identity;
    const auto server = found.account ? reader.value(accountKey(*found.account, "server")) : std::nullopt;
    if (!server || server->empty()) {
        *log << "No account with an incoming server uses the identity " << found.identity
             << ". No changes have been made.";
        log->endLine();
        return OutcomeCannotConfigure;
    }
    account.account = *found.account;
    account.server = std::string(*server);
    const auto smtp = reader.value(identityKey(account.identity, "smtpServer"));
    // An identity without an outgoing server of its own sends through the
    // default one, which may be another account's: it gets its own instead.
    account.smtpIsNew = !smtp || smtp->empty();
    account.smtp = account.smtpIsNew ? "smtp" + std::to_string(reader.nextOutgoingServerNumber()) : std::string(*smtp);
    account.makeDefault = makeDefault;
    account.oldLocation = serverLocation(reader.value(serverKey(account.server, "type")),
                                         reader.value(serverKey(account.server, "userName")),
                                         reader.value(serverKey(account.server, "hostname")));
    account.newServerUri =
        "imap://" + encodeUriUserName(fileAddress) + "@" + std::string(providerServers(useSsl).incomingHost);

    Summary summary{account.account, account.server, account.identity};
    summary.foldersAsTheyStand = true;
    for (std::string_view field : {"draft_folder", "fcc_folder"}) {
        const std::string key = identityKey(account.identity, field);
        const auto uri = reader.value(key);
        if (!uri) continue;
        const auto moved = account.oldLocation ? movedFolderUri(*uri, *account.oldLocation, account.newServerUri)
                                               : std::nullopt;
        summary.folderLines.push_back(stringPref(key, escapePrefString(moved ? *moved : std::string(*uri))));
    }
    if (account.smtpIsNew) {
        summary.smtp = account.smtp;
        summary.showDefaultOutgoing = false;
    }
    const PrefsDocument& document = reader.document();
    return save(
        document, source,
        [&](PrefsEdits& edits) { return rewriteResettingAccount(document, account, fileSettings, edits); }, summary);
}

ConfigOutcome ThunderbirdWriter::save(const PrefsDocument& document, PrefsSource& source, const Rewrite& rewrite,
                                      Summary summary) {
    PrefsEdits edits(document);
    const std::string outgoingList = rewrite(edits);
    if (!outgoingList.empty()) summary.outgoingList = outgoingList;

    platform::Status rc = platform::kSuccess;
    {
        // Closed at the end of this block in every case, so that a failed
        // copy can be removed below.
        platform::NewFile file;
        rc = file.create(profile.tempFile);
        if (rc == platform::kSuccess) {
            PrefsOutput out(file);
            edits.write(source, out);
            rc = out.finish();
            if (rc == platform::kSuccess) rc = source.status();
        }
    }
    prefsFile.close();  // an open file cannot be replaced
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
    if (summary.foldersAsTheyStand) {
        for (const auto& line : summary.folderLines) lines.push_back(platform::utf8ToAnsi(line));
    } else {
        lines.push_back(identityDraftsLine(summary.identity, settings, summary.localFolders));
        lines.push_back(identitySentLine(summary.identity, settings, summary.localFolders));
    }
    for (auto& line : newOutgoingServerLines(summary.smtp, settings)) lines.push_back(std::move(line));
    lines.push_back(outgoingListLine(summary.outgoingList));
    if (summary.showDefaultOutgoing) lines.push_back(defaultOutgoingLine(summary.smtp));

    log->endLine();
    log->lineBlank("The following lines were written/overwritten in the Thunderbird configuration file:");
    for (const auto& line : lines) log->line(line);
    log->endLine();
}

}  // namespace tw

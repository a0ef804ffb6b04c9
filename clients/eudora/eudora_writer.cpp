#include "clients/eudora/eudora_writer.h"

#include <utility>

#include "clients/eudora/settings_file.h"
#include "core/registry_access.h"
#include "platform/files.h"

namespace tw {

using namespace eudora;

namespace {

bool hasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Writes the new copy whole and flushes it to disk. On failure, failedStep
// names what failed: "create", "write" or "flush".
platform::Status writeCopy(const Rewrite& rewrite, const std::string& path, std::string_view& failedStep) {
    platform::NewFile file;
    platform::Status rc = file.create(path);
    if (rc != platform::kSuccess) {
        failedStep = "create";
        return rc;
    }
    rc = rewrite.writeTo(file);
    if (rc != platform::kSuccess) {
        failedStep = "write";
        return rc;
    }
    rc = file.finish();
    if (rc != platform::kSuccess) failedStep = "flush";
    return rc;
}

}  // namespace

EudoraWriter::EudoraWriter(std::string newAddress, std::string newDisplayName, bool newOverwriteExisting,
                           bool newUseSsl, SessionLog& newLog)
    : useSsl(newUseSsl),
      address(std::move(newAddress)),
      displayName(std::move(newDisplayName)),
      overwriteExisting(newOverwriteExisting),
      log(&newLog) {}

ConfigOutcome EudoraWriter::configure() {
    const AccountValues values = makeAccountValues(address, displayName, useSsl);
    log->lineBlank("Starting Eudora configuration...");
    const std::string appData = appDataFolder(log);
    if (hasLineBreak(address) || hasLineBreak(displayName)) {
        // Each setting is one line of Eudora.ini: a line break would start
        // another setting, or a section, of the text after it.
        log->line("The address or the display name contains a line break. No changes have been made.");
        return OutcomeCannotConfigure;
    }
    const ConfigOutcome located = loadSettingsFile(appData, *log, settings);
    if (located != OutcomeConfigured) return located;
    const std::string_view file = settings.text;

    *log << "Searching for existant " << address << " account ... ";
    const FoundAccount found = findAccountByReturnAddress(file, address);
    if (found.found && !overwriteExisting) {
        log->line(" found. No changes will be made.");
        return OutcomeAccountExists;
    }
    Rewrite rewrite(file);
    if (found.found) {
        log->lineBlank(" found. Reseting settings to defaults.");
        resetSection(file, sectionAt(file, found.headerOffset), values, rewrite);
    } else {
        log->lineBlank("not found. Creating new account.");
        const long long lastNumber = lastPersonaNumber(file);
        if (settingsInUse(file) || lastNumber >= 0) {
            addPersonality(file, values, rewrite);
        } else {
            writeDominantPersonality(file, values, rewrite);
        }
    }
    const ConfigOutcome saved = save(rewrite);
    if (saved == OutcomeConfigured) logSummary(values);
    return saved;
}

ConfigOutcome EudoraWriter::save(const Rewrite& rewrite) {
    // The new copy is complete and on disk before it takes the place of
    // Eudora.ini in one step; Eudora.ini itself is never opened for writing.
    std::string_view failedStep;
    platform::Status rc = writeCopy(rewrite, settings.tempPath, failedStep);
    if (rc == platform::kSuccess) {
        rc = platform::replaceFile(settings.tempPath, settings.path);
        if (rc == platform::kSuccess) return OutcomeConfigured;
        *log << "Unable to replace " << settings.path << " with " << settings.tempPath << " (error " << rc << ").";
    } else {
        *log << "Unable to " << failedStep << " " << settings.tempPath << " (error " << rc << ").";
    }
    // Only a copy this run made is removed: a file it could not create is not its own.
    if (failedStep != "create") platform::deleteFile(settings.tempPath);
    *log << " No changes have been made.";
    log->endLine();
    return OutcomeCannotConfigure;
}

void EudoraWriter::logSummary(const AccountValues& values) {
    log->lineBlank("The following lines were written/overwritten in the Eudora configuration file:");
    const std::string incoming(values.incomingHost);
    const std::string outgoing(values.outgoingHost);
    const std::pair<const char*, std::string> lines[] = {
        {"IMAPAccount: ", address + "@" + incoming},
        {"RealName: ", displayName},
        {"SMTPServer: ", outgoing},
        {"ReturnAddress: ", address},
        {"IMAPServer: ", incoming},
        {"LoginName: ", address},
        {"SmtpAuthAllowed: ", "1"},
        {"SSLReceiveUse: ", std::to_string(values.sslValue)},
        {"SSLSendUse: ", std::to_string(values.sslValue)},
        {"UsesIMAP: ", "1"},
        {"UsesPOP: ", "0"},
        {"IMAPPort: ", std::to_string(values.imapPort)},
        {"SMTPPort: ", std::to_string(values.smtpPort)},
    };
    for (const auto& [label, value] : lines) (*log << label << value).endLine();
}

}  // namespace tw

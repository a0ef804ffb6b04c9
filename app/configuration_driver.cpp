#include "app/configuration_driver.h"

#include <memory>

#include "app/automatic_mode.h"
#include "app/exit_status.h"
#include "core/address_check.h"
#include "clients/account_readers.h"
#include "clients/eudora/eudora_writer.h"
#include "clients/outlook_express_winmail/windows_mail_writer.h"
#include "clients/thunderbird/thunderbird_writer.h"
#include "core/client_kind.h"

namespace tw {
namespace {

constexpr const char* kMessagingSubsystemKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem";

// The Outlook Express or Outlook writer comes ready-made from the automatic
// mode, which has already read from it; otherwise the run makes its writer.
struct Writers {
    std::unique_ptr<AccountReader> outlookOrExpress;
};

void logRequest(RunState& state, const std::string& address, const std::string& displayName) {
    SessionLog& log = state.log;
    const bool automatic = state.request.automaticMode;
    log << (automatic ? "Default Email Address: " : "User Entered Email Address: ") << address;
    log.endLine();
    log << (automatic ? "Default Display Name: " : "User Entered Display Name: ") << displayName;
    log.endLine();
    log << "Make Account Default: " << (state.request.makeDefault ? "Yes" : "No");
    log.endLine();
    log << "Overwrite Existing Account: " << (state.request.overwriteExisting ? "Yes" : "No");
    log.endLine();
}

ConfigOutcome runWriter(RunState& state, Writers& writers) {
    const AccountRequest& request = state.request;
    switch (request.clientKind) {
    case OutlookExpress:
    case Outlook:
        if (!writers.outlookOrExpress) {
            writers.outlookOrExpress =
                makeAccountReader(request.clientKind, state.outlookMajorVersion, state.address, state.displayName,
                                  request.makeDefault, request.overwriteExisting, request.useSsl, state.log);
        }
        // Only an Outlook too new for any writer has none; the reason is logged.
        if (!writers.outlookOrExpress) return OutcomeCannotConfigure;
        return writers.outlookOrExpress->configure();
    case WindowsMail:
        return WindowsMailWriter(state.address, state.displayName, request.makeDefault, request.overwriteExisting,
                                 request.useSsl, state.log)
            .configure();
    case Thunderbird:
        return ThunderbirdWriter(state.address, state.displayName, request.makeDefault, request.overwriteExisting,
                                 request.useSsl, state.log)
            .configure();
    case Eudora:
        // Eudora has no default account: the writer is not given makeDefault.
        return EudoraWriter(state.address, state.displayName, request.overwriteExisting, request.useSsl, state.log)
            .configure();
    default:
        return OutcomeNoWriter;
    }
}

// Runs the writer of the request's client. A number that names no client gets
// no "Client Selected" line and no writer.
ConfigOutcome dispatch(RunState& state, Writers& writers) {
    const ClientKind kind = state.request.clientKind;
    if (!isClientKind(kind)) return OutcomeNoWriter;
    state.log << "Client Selected to Configure: " << clientMessageName(kind);
    state.log.endLineBlank();
    return runWriter(state, writers);
}

constexpr std::string_view successText(ClientKind kind) {
    switch (kind) {
    case OutlookExpress:
        return "Congratulations! Microsoft Outlook Express has been successfully configured for your mail settings.";
    case Outlook: return "Congratulations! Microsoft Outlook has been successfully configured for your mail settings.";
    case WindowsMail:
        return "Congratulations! Microsoft Windows Mail has been successfully configured for your mail settings.";
    case Eudora: return "Congratulations! Qualcomm Eudora has been successfully configured for your mail settings.";
    case Thunderbird:
        return "Congratulations! Mozilla Thunderbird has been successfully configured for your mail settings.";
    default: return {};
    }
}

void reportSuccess(RunState& state, const DialogHooks& hooks) {
    SessionLog& log = state.log;
    log.lineBlank("Email Client Configuration Successful!");
    if (hooks.setIntroText) hooks.setIntroText(successText(state.request.clientKind));
    log << "* Configuration Complete at " << timeStamp() << " *";
    log.endLineBlank();
    // In the dialog the log stays open for the client launch at close.
    if (state.request.commandLineMode) {
        log.close();
        state.runEnded = true;
    }
}

void reportFailure(RunState& state, const DialogHooks& hooks, ConfigOutcome outcome) {
    SessionLog& log = state.log;
    const ClientKind kind = state.request.clientKind;
    const std::string_view description = describeOutcome(kind, outcome);
    if (hooks.setIntroText) hooks.setIntroText(description);
    log << "Email Client Configuration failed with error code: " << outcome;
    log.endLine();
    log << "Description: " << description;
    log.endLine();
    if (kind == Outlook && (outcome == OutcomeRegistryUnavailable || outcome == OutcomeClientNeverRun)) {
        log.line("Relevant Registry Structure:");
        dumpRegistryTree(kMessagingSubsystemKey, 0, log);
    }
    log << "* Configuration Failed at " << timeStamp() << " *";
    log.endLineBlank();
    log.close();
    state.runEnded = true;
}

}  // namespace

RunResult runConfigurationDriver(RunState& state, const DialogHooks& hooks) {
    RunResult result;
    Writers writers;
    if (state.request.automaticMode) {
        AutomaticPreparation prepared = prepareAutomaticRun(state);
        if (prepared.error != AutomaticError::None) {
            result.automaticError = prepared.error;
            return result;
        }
        writers.outlookOrExpress = std::move(prepared.writer);
        logRequest(state, prepared.foundAddress, prepared.foundDisplayName);
    } else {
        if (hooks.readControls) hooks.readControls();
        state.address = std::string(withoutBlanks(state.request.address));
        state.displayName = state.request.displayName;
        if (hooks.writeControls) hooks.writeControls();
        logRequest(state, state.address, state.displayName);
    }

    result.outcome = dispatch(state, writers);
    state.successFlag = result.outcome == OutcomeConfigured;
    if (hooks.showFinishedView) hooks.showFinishedView();
    if (state.successFlag) {
        reportSuccess(state, hooks);
    } else {
        reportFailure(state, hooks, result.outcome);
    }
    return result;
}

int exitStatusFor(const RunResult& result) {
    switch (result.automaticError) {
    case AutomaticError::NoDefault: return ExitNoDefault;
    case AutomaticError::DefaultDNE: return ExitDefaultDNE;
    case AutomaticError::UnsupportedDefault: return ExitUnsupportedDefault;
    case AutomaticError::None: break;
    }
    if (result.outcome == OutcomeNoWriter) return ExitNoWriter;
    return result.outcome;
}

}  // namespace tw

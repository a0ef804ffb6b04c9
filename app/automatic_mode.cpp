#include "app/automatic_mode.h"

#include "clients/account_readers.h"
#include "core/address_check.h"
#include "core/markers.h"

namespace tw {
namespace {

void logAutomaticError(RunState& state, AutomaticError error) {
    SessionLog& log = state.log;
    switch (error) {
    case AutomaticError::NoDefault:
        log.line("Email Client Configuration failed with error : noDefault");
        log.line("Description: The system's default email client's default account could not be identified using "
                 "your search criteria.");
        break;
    case AutomaticError::DefaultDNE:
        log.line("Email Client Configuration failed with error : defaultDNE");
        log.line("Description: The system's default email client's default account no longer exists.");
        break;
    default:
        log.line("Email Client Configuration failed with error : unsupportedDef");
        log.line("Description: The system's default email client is not supported by Tidewell.");
        break;
    }
    log << "* Configuration Failed at " << timeStamp() << " *";
    log.endLineBlank();
    log.close();
    state.runEnded = true;
}

AutomaticPreparation fail(RunState& state, AutomaticError error) {
    logAutomaticError(state, error);
    AutomaticPreparation result;
    result.error = error;
    return result;
}

}  // namespace

AutomaticPreparation prepareAutomaticRun(RunState& state) {
    const AccountRequest& request = state.request;
    state.log.line("Automatically Configuring from default email client's default account.");

    // Only clients whose writers can read their accounts have an account to
    // re-create; an Outlook no writer can configure has none either.
    AutomaticPreparation result;
    result.writer = makeAccountReader(request.defaultClientCode - 1, state.outlookMajorVersion, state.address,
                                      state.displayName, request.makeDefault, request.overwriteExisting,
                                      request.useSsl, state.log);
    if (!result.writer) return fail(state, AutomaticError::UnsupportedDefault);
    AccountReader& writer = *result.writer;
    const bool searching = request.searchAddress != kNoValue;
    const std::string key = searching ? writer.findAccountByAddress(request.searchAddress) : writer.defaultAccountName();
    result.foundAddress = writer.accountAddress(key);
    // An account without a display name gives the copy none, not the marker.
    result.foundDisplayName = writer.accountDisplayName(key);
    if (result.foundDisplayName == kErrorMarker) result.foundDisplayName.clear();
    writer.setAutomaticMode();
    writer.setAutomaticPrefix(request.automaticPrefix);
    writer.reset(result.foundAddress, result.foundDisplayName, request.makeDefault, request.overwriteExisting,
                 request.useSsl, state.log);

    if (key == kErrorMarker && searching) return fail(state, AutomaticError::NoDefault);
    // An account without a usable address (none, or one no key can be named
    // after) cannot be re-created: the default as the run needs it is not there.
    // So can an account that is there but could not be read whole, and one
    // read under the marker itself: the default could not be read, and a
    // hand-edited store may hold a key of that very name.
    if (key == kErrorMarker || result.foundAddress == kErrorMarker || addressProblem(result.foundAddress) ||
        writer.readFailed()) {
        return fail(state, AutomaticError::DefaultDNE);
    }
    state.request.clientKind = request.defaultClientCode - 1;
    return result;
}

}  // namespace tw

// Configures the provider's IMAP account as a personality in Eudora's
// settings file, Eudora.ini: the dominant personality of a fresh file, a new
// personality beside the user's others, or, with overwriteExisting, the
// personality that already has the address, reset to the provider's settings.
// Eudora has no default account to set, so the writer is not given makeDefault.
#pragma once

#include <string>

#include "clients/eudora/account_lines.h"
#include "clients/eudora/settings_location.h"
#include "clients/eudora/settings_rewrite.h"
#include "core/outcome.h"
#include "core/session_log.h"

namespace tw {

class EudoraWriter {
public:
    EudoraWriter(std::string address, std::string displayName, bool overwriteExisting, bool useSsl, SessionLog& log);

    // OutcomeConfigured; OutcomeAccountExists when a personality has the
    // address and overwriteExisting is false; OutcomeCannotConfigure when no
    // Eudora.ini can be found or read, or the new one cannot be written.
    // Eudora.ini is only ever replaced by a complete new copy, so every
    // failure leaves it as it was, and no Eudora.tmp stays behind.
    ConfigOutcome configure();

private:
    ConfigOutcome save(const eudora::Rewrite& rewrite);
    void logSummary(const eudora::AccountValues& values);

    bool useSsl;
    std::string address;
    std::string displayName;
    bool overwriteExisting;
    SessionLog* log;
    eudora::SettingsFile settings;
};

}  // namespace tw

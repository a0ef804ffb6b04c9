// The "-auto" preparation: read the default client's default account (or the
// one found by -s) and load it into the writer that re-creates it.
#pragma once

#include <memory>
#include <string>

#include "app/configuration_driver.h"
#include "app/run_state.h"
#include "clients/account_reader.h"

namespace tw {

struct AutomaticPreparation {
    AutomaticError error = AutomaticError::None;
    std::string foundAddress;
    std::string foundDisplayName;
    std::unique_ptr<AccountReader> writer;  // the default client's, loaded with the found account
};

// Logs its own error block (and closes the log) when it fails.
AutomaticPreparation prepareAutomaticRun(RunState& state);

}  // namespace tw

// One configuration run: the request lines, exactly one writer, the result block.
#pragma once

#include "app/run_state.h"
#include "core/outcome.h"

namespace tw {

enum class AutomaticError { None, NoDefault, DefaultDNE, UnsupportedDefault };

struct RunResult {
    ConfigOutcome outcome = OutcomeNoWriter;
    AutomaticError automaticError = AutomaticError::None;
};

RunResult runConfigurationDriver(RunState& state, const DialogHooks& hooks = {});

// The windowless exit status for a run's result.
int exitStatusFor(const RunResult& result);

}  // namespace tw

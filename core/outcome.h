// What a client writer's configure() hands back, and the failure texts.
#pragma once

#include <string_view>

#include "core/client_kind.h"

namespace tw {

using ConfigOutcome = int;

inline constexpr ConfigOutcome OutcomeNoWriter = -1;
inline constexpr ConfigOutcome OutcomeConfigured = 0;
inline constexpr ConfigOutcome OutcomeCannotConfigure = 1;
inline constexpr ConfigOutcome OutcomeRegistryUnavailable = 2;
inline constexpr ConfigOutcome OutcomeClientNeverRun = 3;
inline constexpr ConfigOutcome OutcomeNoDefaultProfile = 4;
inline constexpr ConfigOutcome OutcomeAccountExists = 5;
inline constexpr ConfigOutcome OutcomeAutoAccountExists = 6;

// The description of a failed run; empty for every pair without a text.
std::string_view describeOutcome(ClientKind kind, ConfigOutcome outcome);

}  // namespace tw

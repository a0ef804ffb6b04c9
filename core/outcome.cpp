#include "core/outcome.h"

#include <array>

namespace tw {
namespace {

constexpr std::string_view kCannotConfigure = "ERROR: Unable to automatically configure";
constexpr std::string_view kExists = "ERROR: Account was already found, no changes have been made.";
constexpr std::string_view kAutoExists =
    "ERROR: Identical Automatically Created Account was already found, no changes have been made.";

struct Description {
    ClientKind kind;
    ConfigOutcome outcome;
    std::string_view text;
};

constexpr std::array kDescriptions = {
    Description{OutlookExpress, OutcomeCannotConfigure, kCannotConfigure},
    Description{OutlookExpress, OutcomeAccountExists, kExists},
    Description{OutlookExpress, OutcomeAutoAccountExists, kAutoExists},
    Description{Outlook, OutcomeCannotConfigure, kCannotConfigure},
    Description{Outlook, OutcomeRegistryUnavailable, kCannotConfigure},
    Description{Outlook, OutcomeClientNeverRun,
                "ERROR: Outlook has not been run for the first time. Please run and close Outlook and try again."},
    Description{Outlook, OutcomeNoDefaultProfile,
                "ERROR: No default email profile found. Please run Outlook and select a Default Profile when "
                "prompted during startup."},
    Description{Outlook, OutcomeAccountExists, kExists},
    Description{Outlook, OutcomeAutoAccountExists, kAutoExists},
    Description{WindowsMail, OutcomeCannotConfigure, kCannotConfigure},
    Description{WindowsMail, OutcomeAccountExists, kExists},
    Description{Eudora, OutcomeCannotConfigure,
                "ERROR: Eudora has not been run for the first time or Eudora is not set to store data in the "
                "default location."},
    Description{Eudora, OutcomeAccountExists, kExists},
    Description{Thunderbird, OutcomeCannotConfigure, kCannotConfigure},
    Description{Thunderbird, OutcomeClientNeverRun,
                "ERROR: Thunderbird has not been run for the first time. Please run and close Thunderbird and try "
                "again."},
    Description{Thunderbird, OutcomeAccountExists, kExists},
};

}  // namespace

std::string_view describeOutcome(ClientKind kind, ConfigOutcome outcome) {
    for (const auto& d : kDescriptions) {
        if (d.kind == kind && d.outcome == outcome) return d.text;
    }
    return {};
}

}  // namespace tw

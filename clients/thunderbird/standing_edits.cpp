#include "clients/thunderbird/standing_edits.h"

#include "clients/thunderbird/account_lines.h"

namespace tw::thunderbird {
namespace {

std::string extended(std::string_view line, std::string_view element) {
    const auto pref = parsePrefLine(line);
    if (!pref || pref->value.empty()) return std::string(element);
    std::string list(pref->value);
    list += ',';
    list += element;
    return list;
}

}  // namespace

bool StandingEdits::editList(std::string_view key, std::string_view line, PrefsOutput& out) {
    if (!plan_.listedAccount.empty() && key == kAccountListKey) {
        accountListSeen_ = true;
        out.add(accountListLine(extended(line, plan_.listedAccount)));
        return true;
    }
    if (!plan_.listedOutgoing.empty() && key == kOutgoingListKey) {
        outgoingListSeen_ = true;
        outgoingList_ = extended(line, plan_.listedOutgoing);
        out.add(outgoingListLine(outgoingList_));
        return true;
    }
    return false;
}

void StandingEdits::copy(std::string_view line, PrefsOutput& out) {
    const std::string_view key = prefKey(line);
    if (key.empty()) {
        out.add(line);
        return;
    }
    if (editList(key, line, out)) return;
    if (!plan_.defaultAccount.empty() && key == kDefaultAccountKey) {
        defaultAccountSeen_ = true;
        out.add(defaultAccountLine(plan_.defaultAccount));
        return;
    }
    // Thunderbird numbers the next account it makes from this counter without
    // checking that the key is free; left behind, it would hand out the key of
    // the account written here and the two would share their settings.
    if (plan_.accountNumber > 0 && key == kLastAccountKey) {
        const auto pref = parsePrefLine(line);
        if (pref && leadingNumber(pref->value) < plan_.accountNumber) {
            out.add(barePref(kLastAccountKey, std::to_string(plan_.accountNumber)));
            return;
        }
    }
    out.add(line);
}

void StandingEdits::finish(PrefsOutput& out) {
    if (!plan_.listedAccount.empty() && !accountListSeen_) out.add(accountListLine(plan_.listedAccount));
    if (!plan_.defaultAccount.empty() && !defaultAccountSeen_) out.add(defaultAccountLine(plan_.defaultAccount));
    if (!plan_.listedOutgoing.empty() && !outgoingListSeen_) {
        outgoingList_ = plan_.listedOutgoing;
        out.add(outgoingListLine(outgoingList_));
    }
}

}  // namespace tw::thunderbird

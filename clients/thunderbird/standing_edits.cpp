#include "clients/thunderbird/account_lines.h"
#include "clients/thunderbird/pref_file.h"
#include "clients/thunderbird/prefs_rewrites.h"

namespace tw::thunderbird {
namespace {

// The list Thunderbird reads now, with the element added.
std::string extended(const PrefsDocument& document, std::string_view key, std::string_view element) {
    const auto current = document.value(key);
    if (!current || current->empty()) return std::string(element);
    std::string list(*current);
    list += ',';
    list += element;
    return list;
}

void set(const PrefsDocument& document, std::string_view key, const std::string& statement, PrefsEdits& edits) {
    if (!edits.replaceAll(key, statement)) edits.insert(document.atEnd(), statement);
}

// Thunderbird numbers the next account it makes from this counter without
// checking that the key is free; left behind, it would hand out the key of
// the account written here and the two would share their settings.
void raiseLastKey(const PrefsDocument& document, long long accountNumber, PrefsEdits& edits) {
    for (const auto& entry : document.entries()) {
        if (!entry.user || document.key(entry) != kLastAccountKey) continue;
        const long long number =
            entry.type == PrefType::Integer ? entry.number : leadingNumber(document.value(entry));
        if (number < accountNumber) edits.replace(entry, barePref(kLastAccountKey, std::to_string(accountNumber)));
    }
}

}  // namespace

std::string addStandingEdits(const PrefsDocument& document, const StandingPlan& plan, PrefsEdits& edits) {
    if (!plan.listedAccount.empty()) {
        const std::string list = extended(document, kAccountListKey, plan.listedAccount);
        set(document, kAccountListKey, accountListLine(escapePrefString(list)), edits);
    }
    if (!plan.defaultAccount.empty()) {
        set(document, kDefaultAccountKey, defaultAccountLine(escapePrefString(plan.defaultAccount)), edits);
    }
    std::string outgoingList;
    if (!plan.listedOutgoing.empty()) {
        outgoingList = extended(document, kOutgoingListKey, plan.listedOutgoing);
        set(document, kOutgoingListKey, outgoingListLine(escapePrefString(outgoingList)), edits);
    }
    if (plan.accountNumber > 0) raiseLastKey(document, plan.accountNumber, edits);
    return outgoingList;
}

}  // namespace tw::thunderbird

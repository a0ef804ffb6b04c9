#include "core/address_check.h"

namespace tw {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

}  // namespace

bool isBlank(std::string_view text) { return text.find_first_not_of(kBlanks) == std::string_view::npos; }

std::string_view withoutBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::optional<std::string> addressProblem(std::string_view address) {
    if (isBlank(address)) return "the address is empty";
    if (address.find('\\') != std::string_view::npos) return "an address cannot contain \"\\\"";
    return std::nullopt;
}

std::optional<std::string> prefixProblem(std::string_view prefix) {
    if (prefix.find('\\') != std::string_view::npos) return "the prefix cannot contain \"\\\"";
    return std::nullopt;
}

}  // namespace tw

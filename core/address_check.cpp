#include "core/address_check.h"

namespace tw {

bool isBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos; }

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

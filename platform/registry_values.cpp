// Decoding of value data, shared by both backends.
#include "platform/registry.h"


namespace tw::platform {

Status valueText(const RegValue& value, std::string& text) {
    if (value.type != kRegSz && value.type != kRegExpandSz) return kErrorInvalidParameter;
    const auto nul = value.data.find('\0');
    text = value.data.substr(0, nul);
    return kSuccess;
}

Status valueDword(const RegValue& value, std::uint32_t& number) {
    if (value.type != kRegDword || value.data.size() != 4) return kErrorInvalidParameter;
    const auto* bytes = reinterpret_cast<const unsigned char*>(value.data.data());
    number = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
             static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return kSuccess;
}

}  // namespace tw::platform

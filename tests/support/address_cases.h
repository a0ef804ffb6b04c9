// Addresses and whether Configure accepts them: a character before the first
// "@" (searched from the second character), a "." at or after it, and a
// character after that "."; and no "\\", which no account's key name can hold.
// The rule is loose on purpose; the cases pin where.
#pragma once

#include <array>
#include <string_view>

namespace tw::test {

struct AddressCase {
    std::string_view address;
    bool wellFormed;
    std::string_view why;
};

inline constexpr std::array<AddressCase, 18> kAddressCases = {{
    {"a@b.c", true, "the shortest accepted shape"},
    {"ann@example.com", true, "an ordinary address"},
    {"a@b.c.", true, "something follows the first dot after the @"},
    {"a@.c", true, "the dot may come straight after the @"},
    {"a@@b.c", true, "a second @ is not looked at"},
    {"a.b@c.d", true, "dots before the @ do not count"},
    {"a@b.", false, "nothing after the dot"},
    {"@b.c", false, "nothing before the @"},
    {"ab.c", false, "no @"},
    {"a@bc", false, "no dot after the @"},
    {"a.b@c", false, "the only dot is before the @"},
    {"a", false, "too short"},
    {"@", false, "too short"},
    {"", false, "empty"},
    {"@@b.c", true, "the @ searched for starts from the second character"},
    {"ann@example.com\\", false, "a backslash would name another account's key"},
    {"\\ann@example.com", false, "a backslash would name another account's key"},
    {"a\\b@c.d", false, "a backslash anywhere"},
}};

}  // namespace tw::test

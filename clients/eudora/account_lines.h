// The lines the writer puts into Eudora.ini for the provider's account, and
// which existing lines it replaces when it resets a personality.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tw::eudora {

// Every line the writer adds ends in CR LF, as Eudora writes its own file.
inline constexpr std::string_view kLineEnd = "\r\n";

struct AccountValues {
    std::string address;
    std::string displayName;
    std::string_view incomingHost;  // IMAP
    std::string_view outgoingHost;  // SMTP
    int imapPort = 0;
    int smtpPort = 0;
    int sslValue = 0;  // Eudora's "SSLReceiveUse" and "SSLSendUse": 2 always, 0 never
};

AccountValues makeAccountValues(std::string address, std::string displayName, bool useSsl);

// The account's keys, in the order of Eudora's own numbering of them here
// (E1 to E17).
enum class Key {
    POPAccount,
    IMAPAccount,
    RealName,
    SMTPServer,
    ReturnAddress,
    POPServer,
    ImapDirectoryPrefix,
    ImapMboxesFetched,
    CheckMailByDefault,
    LoginName,
    SmtpAuthAllowed,
    SSLReceiveUse,
    SSLSendUse,
    UsesIMAP,
    UsesPOP,
    IMAPPort,
    SMTPPort,
};
inline constexpr std::size_t kKeyCount = static_cast<std::size_t>(Key::SMTPPort) + 1;

// "Key=value" for the account, without a line end. The address keeps its own
// "@": "POPAccount=ann@example.com@" + the incoming host.
std::string keyLine(Key key, const AccountValues& values);

// The account of the dominant personality: 17 lines, "POPServer=" twice, as
// Eudora's own dominant personality holds it.
std::string dominantSet(const AccountValues& values);

// A further personality: its header "[Persona-<address>]" and 16 lines, no
// "POPAccount=" and one "POPServer=".
std::string personalitySection(const AccountValues& values);

// "Persona<number>=Persona-<address>", the entry in "[Personalities]".
std::string personaListLine(long long number, const AccountValues& values);

// When a personality is reset, a line whose key (its text up to and with the
// first "=", or the whole line without one) contains one of these texts is
// replaced by the account's line for that key. The tests are substring tests,
// as Eudora's own files have been rewritten all along; keys without a test
// ("IMAPAccount" among them) keep their lines.
struct ReplacementTest {
    std::string_view contains;
    Key writes;
};

inline constexpr std::array<ReplacementTest, 13> kReplacementTests = {{
    {"POPAccount", Key::POPAccount},
    {"RealName", Key::RealName},
    {"SMTPServer", Key::SMTPServer},
    {"ReturnAddress", Key::ReturnAddress},
    {"POPServer", Key::POPServer},
    {"LoginName", Key::LoginName},
    {"SmtpAuthAllowed", Key::SmtpAuthAllowed},
    {"SSLReceiveUse", Key::SSLReceiveUse},
    {"SSLSendUse", Key::SSLSendUse},
    {"UsesIMAP", Key::UsesIMAP},
    {"UsesPOP", Key::UsesPOP},
    {"IMAPPort", Key::IMAPPort},
    {"SMTPPort=", Key::SMTPPort},
}};

}  // namespace tw::eudora

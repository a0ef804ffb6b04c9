#include "clients/eudora/account_lines.h"

#include <initializer_list>
#include <utility>

#include "core/provider.h"

namespace tw::eudora {
namespace {

std::string linesOf(std::initializer_list<Key> keys, const AccountValues& values) {
    std::string lines;
    for (Key key : keys) lines.append(keyLine(key, values)).append(kLineEnd);
    return lines;
}

}  // namespace

AccountValues makeAccountValues(std::string address, std::string displayName, bool useSsl) {
    const ProviderServers servers = providerServers(useSsl);
    AccountValues values;
    values.address = std::move(address);
    values.displayName = std::move(displayName);
    values.incomingHost = servers.incomingHost;
    values.outgoingHost = servers.outgoingHost;
    values.imapPort = servers.imapPort;
    values.smtpPort = servers.smtpPort;
    values.sslValue = useSsl ? 2 : 0;
    return values;
}

std::string keyLine(Key key, const AccountValues& v) {
    const auto text = [](std::string_view name, std::string_view value) {
        return std::string(name).append(value);
    };
    const auto number = [](std::string_view name, int value) { return std::string(name) + std::to_string(value); };
    switch (key) {
    case Key::POPAccount: return text("POPAccount=", v.address + "@" + std::string(v.incomingHost));
    case Key::IMAPAccount: return text("IMAPAccount=", v.address + "@" + std::string(v.incomingHost));
    case Key::RealName: return text("RealName=", v.displayName);
    case Key::SMTPServer: return text("SMTPServer=", v.outgoingHost);
    case Key::ReturnAddress: return text("ReturnAddress=", v.address);
    case Key::POPServer: return text("POPServer=", v.incomingHost);
    case Key::ImapDirectoryPrefix: return text("ImapDirectoryPrefix=", "INBOX.");
    case Key::ImapMboxesFetched: return number("ImapMboxesFetched=", 0);
    case Key::CheckMailByDefault: return number("CheckMailByDefault=", 1);
    case Key::LoginName: return text("LoginName=", v.address);
    case Key::SmtpAuthAllowed: return number("SmtpAuthAllowed=", 1);
    case Key::SSLReceiveUse: return number("SSLReceiveUse=", v.sslValue);
    case Key::SSLSendUse: return number("SSLSendUse=", v.sslValue);
    case Key::UsesIMAP: return number("UsesIMAP=", 1);
    case Key::UsesPOP: return number("UsesPOP=", 0);
    case Key::IMAPPort: return number("IMAPPort=", v.imapPort);
    case Key::SMTPPort: return number("SMTPPort=", v.smtpPort);
    }
    return {};
}

std::string dominantSet(const AccountValues& values) {
    return linesOf({Key::POPAccount, Key::RealName, Key::SMTPServer, Key::ReturnAddress, Key::POPServer,
                    Key::ImapDirectoryPrefix, Key::ImapMboxesFetched, Key::CheckMailByDefault, Key::POPServer,
                    Key::LoginName, Key::SmtpAuthAllowed, Key::SSLReceiveUse, Key::SSLSendUse, Key::UsesIMAP,
                    Key::UsesPOP, Key::IMAPPort, Key::SMTPPort},
                   values);
}

std::string personalitySection(const AccountValues& values) {
    std::string section = "[Persona-" + values.address + "]";
    section.append(kLineEnd);
    return section + linesOf({Key::IMAPAccount, Key::RealName, Key::SMTPServer, Key::ReturnAddress, Key::POPServer,
                              Key::ImapDirectoryPrefix, Key::ImapMboxesFetched, Key::CheckMailByDefault,
                              Key::LoginName, Key::SmtpAuthAllowed, Key::SSLReceiveUse, Key::SSLSendUse,
                              Key::UsesIMAP, Key::UsesPOP, Key::IMAPPort, Key::SMTPPort},
                             values);
}

std::string personaListLine(long long number, const AccountValues& values) {
    std::string line = "Persona" + std::to_string(number) + "=Persona-" + values.address;
    line.append(kLineEnd);
    return line;
}

}  // namespace tw::eudora

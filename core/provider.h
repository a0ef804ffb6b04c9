// The provider's servers. Host names are build settings (see provider_hosts.h.in).
#pragma once

#include <string_view>

#include "provider_hosts.h"

namespace tw {

struct ProviderServers {
    std::string_view incomingHost;
    int imapPort;
    std::string_view outgoingHost;
    int smtpPort;
};

// SSL uses the secure host for both directions on 993 and 465; otherwise the
// plain IMAP and SMTP hosts on 143 and 587.
constexpr ProviderServers providerServers(bool useSsl) {
    return useSsl ? ProviderServers{SecureHost, 993, SecureHost, 465} : ProviderServers{ImapHost, 143, SmtpHost, 587};
}

}  // namespace tw

// The clients whose writers can also read their own accounts, for the
// automatic mode and the driver: Outlook Express and Outlook.
#pragma once

#include <memory>
#include <string>

#include "clients/account_reader.h"
#include "core/client_kind.h"
#include "core/session_log.h"

namespace tw {

// The writer of the client, or nothing for a client without readers, and for
// an Outlook no writer can configure (that one logs why).
std::unique_ptr<AccountReader> makeAccountReader(ClientKind kind, int outlookMajorVersion, std::string address,
                                                 std::string displayName, bool makeDefault, bool overwriteExisting,
                                                 bool useSsl, SessionLog& log);

}  // namespace tw

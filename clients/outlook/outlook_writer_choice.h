// Which writer serves the Outlook that detection found.
#pragma once

#include <memory>
#include <string>

#include "clients/account_reader.h"
#include "core/session_log.h"

namespace tw {

enum class OutlookWriterKind { Outlook2000, Profile, TooNew };

// Below 10 (and -1, Outlook not registered) Outlook 2000's account manager;
// 10 to 14 the profile account store; from 15 on Outlook keeps its profiles
// under Software\Microsoft\Office\<version>.0\Outlook\Profiles, a store no
// writer knows. A registered Outlook whose version is unknown (0) gets the
// writer of the store that exists: the profile writer when the default
// profile (or the "Outlook" profile) has an account store.
OutlookWriterKind chooseOutlookWriter(int outlookMajorVersion);

// The writer chosen, or nothing for an Outlook too new, after logging why.
std::unique_ptr<AccountReader> makeOutlookWriter(int outlookMajorVersion, std::string address,
                                                 std::string displayName, bool makeDefault, bool overwriteExisting,
                                                 bool useSsl, SessionLog& log);

}  // namespace tw

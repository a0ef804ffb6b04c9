// A client writer that can also read its client's own accounts: what the
// automatic mode needs to re-create an existing account as a provider account.
// It reads the default account (or the one found by address), loads the found
// address and display name into the writer, and the driver runs configure.
// Each writer that offers this implements it, so the automatic mode never asks
// which client it has.
#pragma once

#include <string>

#include "core/outcome.h"
#include "core/session_log.h"

namespace tw {

class AccountReader {
public:
    virtual ~AccountReader() = default;

    // Each returns "*ERROR*" when it cannot read (or, searching, finds nothing).
    virtual std::string defaultAccountName() = 0;
    virtual std::string findAccountByAddress(const std::string& searchAddress) = 0;
    virtual std::string accountAddress(const std::string& accountName) = 0;
    virtual std::string accountDisplayName(const std::string& accountName) = 0;
    // True once a reader met a key or value that is there but could not be
    // read (and logged it): its "*ERROR*" or empty answer is not the account's.
    virtual bool readFailed() const = 0;

    virtual void setAutomaticMode() = 0;
    virtual void setAutomaticPrefix(std::string prefix) = 0;
    // Replaces what the constructor stored; the automatic-mode settings stay.
    virtual void reset(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting,
                       bool useSsl, SessionLog& log) = 0;

    virtual ConfigOutcome configure() = 0;

protected:
    AccountReader() = default;
    AccountReader(const AccountReader&) = default;
    AccountReader& operator=(const AccountReader&) = default;
};

}  // namespace tw

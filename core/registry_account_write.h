// Writing a mail account into registry keys so that it appears whole or not at
// all. Every call is checked; the first failure stops the write, and undo puts
// back what the write had changed: keys it created (parents included) are
// deleted, values it added are removed and values it overwrote or deleted get
// their old data again. A write that is neither committed nor undone is undone
// when it is destroyed.
//
// The registry has no transactions on XP (and no key rename), so this keeps its
// own record of what to put back, taken just before each change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/session_log.h"
#include "platform/registry.h"

namespace tw {

// One failed registry call, in the words the session log uses for it.
struct RegistryFailure {
    std::string call;  // the Windows function, for example "RegSetValueEx"
    platform::Hive hive = platform::Hive::CurrentUser;
    std::string key;                   // path below the hive
    std::optional<std::string> value;  // for calls on a value
    platform::Status error = platform::kSuccess;

    // "RegSetValueEx failed on HKEY_CURRENT_USER\Software\...\ann@example.com
    // value "IMAP Port" (error 5)"
    std::string describe() const;
};

class RegistryAccountWrite {
public:
    using KeyId = std::size_t;

    explicit RegistryAccountWrite(platform::Hive hive);
    ~RegistryAccountWrite();
    RegistryAccountWrite(const RegistryAccountWrite&) = delete;
    RegistryAccountWrite& operator=(const RegistryAccountWrite&) = delete;

    // Opens a key for writing, creating it and any missing parents; nothing
    // after a failure.
    std::optional<KeyId> openKey(std::string_view path);
    bool setString(KeyId key, std::string_view name, std::string_view text);
    bool setDword(KeyId key, std::string_view name, std::uint32_t value);
    bool setBinary(KeyId key, std::string_view name, std::string_view bytes);
    // Removes a value; one that is not there counts as removed.
    bool deleteValue(KeyId key, std::string_view name);

    bool failed() const { return failure_.has_value(); }
    // The call that stopped the write.
    const std::optional<RegistryFailure>& failure() const { return failure_; }

    // Keeps everything written.
    void commit();
    // Puts back everything the write changed; the calls of that which failed.
    std::vector<RegistryFailure> undo();

private:
    struct OpenKey {
        std::string path;
        platform::RegKey handle;
        bool created = false;  // its values need no record: deleting it undoes them
    };
    struct Change {
        enum Kind { CreatedKey, ChangedValue } kind;
        std::string keyPath;  // CreatedKey
        KeyId key = 0;        // ChangedValue
        std::string name;
        std::optional<platform::RegValue> old;  // nullopt: the value did not exist
    };

    bool recordOldValue(KeyId key, std::string_view name);
    bool check(platform::Status rc, const char* call, KeyId key, std::string_view name);

    platform::Hive hive_;
    std::vector<OpenKey> keys_;
    std::vector<Change> changes_;
    std::optional<RegistryFailure> failure_;
    bool finished_ = false;  // committed or undone
};

// Logs the failure that stopped the write, undoes it and logs how that went.
void reportFailureAndUndo(RegistryAccountWrite& write, SessionLog& log);

}  // namespace tw

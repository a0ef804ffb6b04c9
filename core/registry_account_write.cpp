#include "core/registry_account_write.h"

#include <utility>

namespace tw {
namespace {

using platform::Hive;
using platform::RegKey;
using platform::Status;

const char* hiveName(Hive hive) {
    switch (hive) {
    case Hive::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case Hive::CurrentUser: return "HKEY_CURRENT_USER";
    case Hive::LocalMachine: break;
    }
    return "HKEY_LOCAL_MACHINE";
}

// The names of a key path, without the empty ones that doubled or trailing
// backslashes leave (the registry skips them too).
std::vector<std::string> keyNames(std::string_view path) {
    std::vector<std::string> names;
    while (!path.empty()) {
        const auto cut = path.find('\\');
        if (cut != 0) names.emplace_back(path.substr(0, cut));
        if (cut == std::string_view::npos) break;
        path.remove_prefix(cut + 1);
    }
    return names;
}

std::string joined(const std::vector<std::string>& names, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) path += '\\';
        path += names[i];
    }
    return path;
}

bool opens(Hive hive, const std::string& path) {
    RegKey key;
    return key.open(hive, path, platform::kKeyRead) == platform::kSuccess;
}

}  // namespace

std::string RegistryFailure::describe() const {
    std::string text = call;
    text.append(" failed on ").append(hiveName(hive));
    std::string_view path = key;
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    if (!path.empty()) text.append(1, '\\').append(path);
    if (value) text.append(" value \"").append(*value).append(1, '"');
    return text.append(" (error ").append(std::to_string(error)).append(1, ')');
}

RegistryAccountWrite::RegistryAccountWrite(Hive hive) : hive_(hive) {}

RegistryAccountWrite::~RegistryAccountWrite() {
    if (!finished_) undo();
}

std::optional<RegistryAccountWrite::KeyId> RegistryAccountWrite::openKey(std::string_view path) {
    if (failed() || finished_) return std::nullopt;
    const std::vector<std::string> names = keyNames(path);
    const std::string keyPath = joined(names, names.size());
    // The keys of the path that are not there yet. Only those that appear with
    // the create are this write's own to delete again: a key that was there but
    // could not be opened for reading is never taken for one.
    std::vector<std::string> missing;
    for (std::size_t depth = 1; depth <= names.size(); ++depth) {
        std::string prefix = joined(names, depth);
        if (!opens(hive_, prefix)) missing.push_back(std::move(prefix));
    }
    RegKey key;
    const Status rc = key.create(hive_, keyPath, platform::kKeyAllAccess);
    // Windows may create the parents before it refuses the last name, so the
    // parents are looked at whatever the create answered.
    bool created = false;
    for (const auto& prefix : missing) {
        if (!opens(hive_, prefix)) continue;
        changes_.push_back({Change::CreatedKey, prefix, 0, {}, std::nullopt});
        created = created || prefix == keyPath;
    }
    if (rc != platform::kSuccess) {
        failure_ = RegistryFailure{"RegCreateKeyEx", hive_, keyPath, std::nullopt, rc};
        return std::nullopt;
    }
    keys_.push_back({keyPath, std::move(key), created});
    return keys_.size() - 1;
}

bool RegistryAccountWrite::check(Status rc, const char* call, KeyId key, std::string_view name) {
    if (rc == platform::kSuccess) return true;
    failure_ = RegistryFailure{call, hive_, keys_[key].path, std::string(name), rc};
    return false;
}

// Notes the value's present data (or its absence) so that undo can give it back.
bool RegistryAccountWrite::recordOldValue(KeyId key, std::string_view name) {
    OpenKey& open = keys_[key];
    if (open.created) return true;
    platform::RegValue old;
    const Status rc = open.handle.saveValue(name, old);
    if (rc == platform::kErrorFileNotFound) {
        changes_.push_back({Change::ChangedValue, {}, key, std::string(name), std::nullopt});
        return true;
    }
    if (!check(rc, "RegQueryValueEx", key, name)) return false;
    changes_.push_back({Change::ChangedValue, {}, key, std::string(name), std::move(old)});
    return true;
}

bool RegistryAccountWrite::setString(KeyId key, std::string_view name, std::string_view text) {
    if (failed() || finished_ || !recordOldValue(key, name)) return false;
    return check(keys_[key].handle.setString(name, text), "RegSetValueEx", key, name);
}

bool RegistryAccountWrite::setDword(KeyId key, std::string_view name, std::uint32_t value) {
    if (failed() || finished_ || !recordOldValue(key, name)) return false;
    return check(keys_[key].handle.setDword(name, value), "RegSetValueEx", key, name);
}

bool RegistryAccountWrite::setBinary(KeyId key, std::string_view name, std::string_view bytes) {
    if (failed() || finished_ || !recordOldValue(key, name)) return false;
    return check(keys_[key].handle.setBinary(name, bytes), "RegSetValueEx", key, name);
}

bool RegistryAccountWrite::deleteValue(KeyId key, std::string_view name) {
    if (failed() || finished_ || !recordOldValue(key, name)) return false;
    const Status rc = keys_[key].handle.deleteValue(name);
    return check(rc == platform::kErrorFileNotFound ? platform::kSuccess : rc, "RegDeleteValue", key, name);
}

void RegistryAccountWrite::commit() {
    finished_ = true;
    changes_.clear();
    keys_.clear();
}

std::vector<RegistryFailure> RegistryAccountWrite::undo() {
    std::vector<RegistryFailure> failures;
    if (finished_) return failures;
    finished_ = true;
    // A created key goes as a whole, so its values need no putting back and its
    // handle can close before it is deleted.
    for (auto& open : keys_) {
        if (open.created) open.handle.close();
    }
    for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
        if (change->kind == Change::CreatedKey) {
            const Status rc = platform::deleteKey(hive_, change->keyPath);
            if (rc != platform::kSuccess && rc != platform::kErrorFileNotFound) {
                failures.push_back({"RegDeleteKey", hive_, change->keyPath, std::nullopt, rc});
            }
            continue;
        }
        OpenKey& open = keys_[change->key];
        if (open.created) continue;
        if (change->old) {
            const Status rc = open.handle.restoreValue(change->name, *change->old);
            if (rc != platform::kSuccess) failures.push_back({"RegSetValueEx", hive_, open.path, change->name, rc});
        } else {
            const Status rc = open.handle.deleteValue(change->name);
            if (rc != platform::kSuccess && rc != platform::kErrorFileNotFound) {
                failures.push_back({"RegDeleteValue", hive_, open.path, change->name, rc});
            }
        }
    }
    changes_.clear();
    keys_.clear();
    return failures;
}

void reportFailureAndUndo(RegistryAccountWrite& write, SessionLog& log) {
    if (write.failure()) log.line(write.failure()->describe());
    const std::vector<RegistryFailure> failures = write.undo();
    if (failures.empty()) {
        log.line("The registry was put back as it was before this run.");
        return;
    }
    for (const auto& failure : failures) log.line(failure.describe());
    log.line("The registry could not be put back entirely as it was before this run.");
}

}  // namespace tw

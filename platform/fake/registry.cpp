#include "platform/registry.h"

#include <utility>

#include "platform/fake/fake_state.h"
#include "platform/testing.h"

namespace tw::platform {
namespace {

using fake::KeyNode;
using testing::RegistryCall;

// Limits measured under Wine. The ANSI calls convert a key path into a buffer
// of 260 characters (longer paths answer kErrorMoreData before anything is
// done); one key name may have 256 characters (Windows documents 255), a longer
// one answers kErrorInvalidParameter once the keys before it exist.
constexpr std::size_t kMaxAnsiPath = 260;
constexpr std::size_t kMaxKeyName = 256;
constexpr std::size_t kMaxValueName = 16383;

// Rights that change a key; a read-only key refuses a handle that asks for any.
constexpr std::uint32_t kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;

KeyNode& rootNode(Hive hive) {
    auto& s = fake::state();
    switch (hive) {
    case Hive::ClassesRoot: return s.classesRoot;
    case Hive::CurrentUser: return s.currentUser;
    case Hive::LocalMachine: break;
    }
    return s.localMachine;
}

std::vector<std::string_view> pathParts(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const auto cut = path.find('\\');
        const auto part = path.substr(0, cut);
        if (!part.empty()) parts.push_back(part);
        if (cut == std::string_view::npos) break;
        path.remove_prefix(cut + 1);
    }
    return parts;
}

// The Win32 backend hands names and paths to the ANSI calls as C strings, so
// Windows sees them up to their first NUL; the fake sees the same.
std::string_view asCString(std::string_view text) { return text.substr(0, text.find('\0')); }

Status checkPath(std::string_view path) {
    if (path.size() > kMaxAnsiPath) return kErrorMoreData;
    if (!path.empty() && path.front() == '\\') return kErrorBadPathname;
    return kSuccess;
}

// A key call on a path: fails when a test has made it fail.
bool injected(RegistryCall call, std::string_view path, std::string_view name, Status& error) {
    return fake::failing(call, name, [path] { return std::string(path); }, error);
}

// A call on an open key.
bool injectedOnKey(RegistryCall call, const KeyNode& key, Status& error) {
    return fake::failing(call, key.name, [&key] { return fake::keyPath(key); }, error);
}

// A call on one of an open key's values.
bool injectedOnValue(RegistryCall call, const KeyNode& key, std::string_view value, Status& error) {
    return fake::failing(call, value, [&key, value] { return fake::keyPath(key) + "\\" + std::string(value); }, error);
}

bool sameName(std::string_view a, std::string_view b) {
    const fake::NameLess less;
    return !less(a, b) && !less(b, a);
}

// The fake stands for a 64-bit program on 64-bit Windows: it sees the 64-bit
// registry view unless it asks for the 32-bit one, in which a key below
// HKLM\SOFTWARE is the same key below SOFTWARE\Wow6432Node (as on Windows and
// under 64-bit Wine; a path that names Wow6432Node itself is not redirected
// twice). The other hives' keys used here are shared between the views.
std::vector<std::string_view> viewParts(Hive hive, std::string_view path, std::uint32_t access) {
    auto parts = pathParts(path);
    if (hive == Hive::LocalMachine && (access & kKeyView32) != 0 && parts.size() >= 2 &&
        sameName(parts[0], "SOFTWARE") && !sameName(parts[1], "Wow6432Node")) {
        parts.insert(parts.begin() + 1, "Wow6432Node");
    }
    return parts;
}

KeyNode* node(void* handle) { return static_cast<KeyNode*>(handle); }

// The node behind a handle, or why there is none to use.
Status usable(void* handle) {
    if (handle == nullptr) return kErrorInvalidHandle;
    if (node(handle)->deleted) return kErrorKeyDeleted;
    return kSuccess;
}

}  // namespace

KeyNode* fake::findKey(Hive hive, std::string_view path) {
    KeyNode* current = &rootNode(hive);
    for (auto part : pathParts(path)) {
        auto found = current->children.find(part);
        if (found == current->children.end()) return nullptr;
        current = found->second.get();
    }
    return current;
}

RegKey::~RegKey() { close(); }

RegKey::RegKey(RegKey&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Status RegKey::open(Hive hive, std::string_view path, std::uint32_t access) {
    close();
    path = asCString(path);
    if (const Status rc = checkPath(path); rc != kSuccess) return rc;
    const auto parts = pathParts(path);
    Status error = kSuccess;
    if (!parts.empty() && injected(RegistryCall::OpenKey, path, parts.back(), error)) return error;
    KeyNode* current = &rootNode(hive);
    for (auto part : viewParts(hive, path, access)) {
        if (part.size() > kMaxKeyName) return kErrorInvalidParameter;
        auto found = current->children.find(part);
        if (found == current->children.end()) return kErrorFileNotFound;
        current = found->second.get();
    }
    if (current->readOnly && (access & kWriteRights) != 0) return kErrorAccessDenied;
    handle_ = current;
    return kSuccess;
}

Status RegKey::create(Hive hive, std::string_view path, std::uint32_t access) {
    close();
    path = asCString(path);
    if (const Status rc = checkPath(path); rc != kSuccess) return rc;
    const auto parts = pathParts(path);
    Status error = kSuccess;
    if (!parts.empty() && injected(RegistryCall::CreateKey, path, parts.back(), error)) return error;
    KeyNode* current = &rootNode(hive);
    for (auto part : viewParts(hive, path, access)) {
        // The keys before an over-long name stay created, as under Wine.
        if (part.size() > kMaxKeyName) return kErrorInvalidParameter;
        auto found = current->children.find(part);
        if (found == current->children.end()) {
            auto child = std::make_unique<KeyNode>();
            child->name = std::string(part);
            child->parent = current;
            found = current->children.emplace(std::string(part), std::move(child)).first;
        }
        current = found->second.get();
    }
    if (current->readOnly && (access & kWriteRights) != 0) return kErrorAccessDenied;
    handle_ = current;
    return kSuccess;
}

void RegKey::close() { handle_ = nullptr; }

Status RegKey::queryValue(std::string_view name, RegValue& out) const {
    name = asCString(name);
    if (const Status rc = usable(handle_); rc != kSuccess) return rc;
    Status error = kSuccess;
    if (injectedOnValue(RegistryCall::QueryValue, *node(handle_), name, error)) return error;
    const auto& values = node(handle_)->values;
    auto found = values.find(name);
    if (found == values.end()) return kErrorFileNotFound;
    out = found->second.value;
    return kSuccess;
}

namespace {

Status store(void* handle, std::string_view name, std::uint32_t type, std::string data) {
    name = asCString(name);
    if (const Status rc = usable(handle); rc != kSuccess) return rc;
    Status error = kSuccess;
    if (injectedOnValue(RegistryCall::SetValue, *node(handle), name, error)) return error;
    if (name.size() > kMaxValueName) return kErrorInvalidParameter;
    auto& values = node(handle)->values;
    auto found = values.find(name);
    if (found == values.end()) {
        values.emplace(std::string(name), fake::NamedValue{std::string(name), RegValue{type, std::move(data)}});
    } else {
        found->second.value = RegValue{type, std::move(data)};
    }
    return kSuccess;
}

}  // namespace

Status RegKey::setString(std::string_view name, std::string_view text) {
    std::string data(text);
    data.push_back('\0');
    return store(handle_, name, kRegSz, std::move(data));
}

Status RegKey::setDword(std::string_view name, std::uint32_t value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return store(handle_, name, kRegDword, std::move(data));
}

Status RegKey::setBinary(std::string_view name, std::string_view bytes) {
    return store(handle_, name, kRegBinary, std::string(bytes));
}

Status RegKey::deleteValue(std::string_view name) {
    name = asCString(name);
    if (const Status rc = usable(handle_); rc != kSuccess) return rc;
    Status error = kSuccess;
    if (injectedOnValue(RegistryCall::DeleteValue, *node(handle_), name, error)) return error;
    auto& values = node(handle_)->values;
    auto found = values.find(name);
    if (found == values.end()) return kErrorFileNotFound;
    values.erase(found);
    return kSuccess;
}

// The fake keeps text in the ANSI code page, so the saved form is the value itself.
Status RegKey::saveValue(std::string_view name, RegValue& saved) const { return queryValue(name, saved); }

Status RegKey::restoreValue(std::string_view name, const RegValue& saved) {
    return store(handle_, name, saved.type, saved.data);
}

Status RegKey::storedName(std::string& name) const {
    if (const Status rc = usable(handle_); rc != kSuccess) return rc;
    Status error = kSuccess;
    if (injectedOnKey(RegistryCall::QueryKeyName, *node(handle_), error)) return error;
    name = node(handle_)->name;
    return kSuccess;
}

Status RegKey::subkeyCount(std::uint32_t& count) const {
    if (const Status rc = usable(handle_); rc != kSuccess) return rc;
    Status error = kSuccess;
    if (injectedOnKey(RegistryCall::QueryInfoKey, *node(handle_), error)) return error;
    count = static_cast<std::uint32_t>(node(handle_)->children.size());
    return kSuccess;
}

Status RegKey::enumSubkey(std::uint32_t index, std::string& name) const {
    if (const Status rc = usable(handle_); rc != kSuccess) return rc;
    Status error = kSuccess;
    if (injectedOnKey(RegistryCall::EnumKey, *node(handle_), error)) return error;
    const auto& children = node(handle_)->children;
    if (index >= children.size()) return kErrorNoMoreItems;
    auto it = children.begin();
    std::advance(it, index);
    name = it->second->name;
    return kSuccess;
}

Status deleteKey(Hive hive, std::string_view path) {
    path = asCString(path);
    if (const Status rc = checkPath(path); rc != kSuccess) return rc;
    const auto parts = pathParts(path);
    if (parts.empty()) return kErrorAccessDenied;  // a hive's root is not deleted
    KeyNode* parent = &rootNode(hive);
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i].size() > kMaxKeyName) return kErrorInvalidParameter;
        auto found = parent->children.find(parts[i]);
        if (found == parent->children.end()) return kErrorFileNotFound;
        parent = found->second.get();
    }
    if (parts.back().size() > kMaxKeyName) return kErrorInvalidParameter;
    auto found = parent->children.find(parts.back());
    if (found == parent->children.end()) return kErrorFileNotFound;
    Status error = kSuccess;
    if (injected(RegistryCall::DeleteKey, path, parts.back(), error)) return error;
    KeyNode& key = *found->second;
    if (!key.children.empty() || key.readOnly) return kErrorAccessDenied;
    key.deleted = true;
    fake::state().deletedKeys.push_back(std::move(found->second));
    parent->children.erase(found);
    return kSuccess;
}

}  // namespace tw::platform

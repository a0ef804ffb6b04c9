#include "platform/registry.h"

#include <utility>

#include "platform/fake/fake_state.h"

namespace tw::platform {
namespace {

using fake::KeyNode;

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

}  // namespace

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
    KeyNode* current = &rootNode(hive);
    for (auto part : viewParts(hive, path, access)) {
        auto found = current->children.find(part);
        if (found == current->children.end()) return kErrorFileNotFound;
        current = found->second.get();
    }
    handle_ = current;
    return kSuccess;
}

Status RegKey::create(Hive hive, std::string_view path, std::uint32_t access) {
    close();
    KeyNode* current = &rootNode(hive);
    for (auto part : viewParts(hive, path, access)) {
        auto found = current->children.find(part);
        if (found == current->children.end()) {
            auto child = std::make_unique<KeyNode>();
            child->name = std::string(part);
            found = current->children.emplace(std::string(part), std::move(child)).first;
        }
        current = found->second.get();
    }
    handle_ = current;
    return kSuccess;
}

void RegKey::close() { handle_ = nullptr; }

Status RegKey::queryValue(std::string_view name, RegValue& out) const {
    if (handle_ == nullptr) return kErrorInvalidHandle;
    const auto& values = node(handle_)->values;
    auto found = values.find(name);
    if (found == values.end()) return kErrorFileNotFound;
    out = found->second.value;
    return kSuccess;
}

namespace {

Status store(void* handle, std::string_view name, std::uint32_t type, std::string data) {
    if (handle == nullptr) return kErrorInvalidHandle;
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
    if (handle_ == nullptr) return kErrorInvalidHandle;
    auto& values = node(handle_)->values;
    auto found = values.find(name);
    if (found == values.end()) return kErrorFileNotFound;
    values.erase(found);
    return kSuccess;
}

Status RegKey::subkeyCount(std::uint32_t& count) const {
    if (handle_ == nullptr) return kErrorInvalidHandle;
    count = static_cast<std::uint32_t>(node(handle_)->children.size());
    return kSuccess;
}

Status RegKey::enumSubkey(std::uint32_t index, std::string& name) const {
    if (handle_ == nullptr) return kErrorInvalidHandle;
    const auto& children = node(handle_)->children;
    if (index >= children.size()) return kErrorNoMoreItems;
    auto it = children.begin();
    std::advance(it, index);
    name = it->second->name;
    return kSuccess;
}

}  // namespace tw::platform

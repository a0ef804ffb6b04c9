#include "clients/thunderbird/install_hash.h"

#include <utility>
#include <vector>

#include "core/registry_access.h"
#include "platform/files.h"
#include "platform/text.h"

namespace tw::thunderbird {
namespace {

using U64 = std::uint64_t;

// Four primes between 2^63 and 2^64.
constexpr U64 kP0 = 0xc3a5c85c97cb3127ULL;
constexpr U64 kP1 = 0xb492b66fbe98f273ULL;
constexpr U64 kP2 = 0x9ae16a3b2f90404fULL;
constexpr U64 kP3 = 0xc949d7c7509e6557ULL;

// Little-endian reads, whatever the machine.
U64 read64(const unsigned char* p) {
    U64 value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

U64 read32(const unsigned char* p) { return U64{p[0]} | U64{p[1]} << 8 | U64{p[2]} << 16 | U64{p[3]} << 24; }

U64 rotateRight(U64 value, unsigned shift) { return shift == 0 ? value : (value >> shift) | (value << (64 - shift)); }

U64 shiftMix(U64 value) { return value ^ (value >> 47); }

// Two words folded into one (the algorithm's 128-to-64-bit step).
U64 fold(U64 low, U64 high) {
    constexpr U64 kMul = 0x9ddfea08eb382d69ULL;
    U64 a = (low ^ high) * kMul;
    a ^= a >> 47;
    U64 b = (high ^ a) * kMul;
    b ^= b >> 47;
    return b * kMul;
}

U64 hashUpTo16(const unsigned char* s, U64 length) {
    if (length > 8) {
        const U64 a = read64(s);
        const U64 b = read64(s + length - 8);
        return fold(a, rotateRight(b + length, static_cast<unsigned>(length))) ^ b;
    }
    if (length >= 4) return fold(length + (read32(s) << 3), read32(s + length - 4));
    if (length > 0) {
        const U64 y = U64{s[0]} + (U64{s[length >> 1]} << 8);
        const U64 z = length + (U64{s[length - 1]} << 2);
        return shiftMix((y * kP2) ^ (z * kP3)) * kP2;
    }
    return kP2;
}

U64 hash17To32(const unsigned char* s, U64 length) {
    const U64 a = read64(s) * kP1;
    const U64 b = read64(s + 8);
    const U64 c = read64(s + length - 8) * kP2;
    const U64 d = read64(s + length - 16) * kP0;
    return fold(rotateRight(a - b, 43) + rotateRight(c, 30) + d, a + rotateRight(b ^ kP3, 20) - c + length);
}

// Half of the 33-to-64-byte step: 32 bytes starting at s, mixed with z.
std::pair<U64, U64> mixQuarter(const unsigned char* first, const unsigned char* second, U64 a, U64 z) {
    const U64 b = rotateRight(a + z, 52);
    U64 c = rotateRight(a, 37);
    a += read64(first);
    c += rotateRight(a, 7);
    a += read64(second);
    return {a + z, b + rotateRight(a, 31) + c};
}

U64 hash33To64(const unsigned char* s, U64 length) {
    const auto [vf, vs] =
        mixQuarter(s + 8, s + 16, read64(s) + (length + read64(s + length - 16)) * kP0, read64(s + 24));
    const auto [wf, ws] = mixQuarter(s + length - 24, s + length - 16, read64(s + 16) + read64(s + length - 32),
                                     read64(s + length - 8));
    const U64 r = shiftMix((vf + ws) * kP2 + (wf + vs) * kP0);
    return shiftMix(r * kP0 + vs) * kP2;
}

// 32 bytes and two seeds to two words, quickly.
std::pair<U64, U64> weakHash32(const unsigned char* s, U64 a, U64 b) {
    const U64 w = read64(s);
    const U64 x = read64(s + 8);
    const U64 y = read64(s + 16);
    const U64 z = read64(s + 24);
    a += w;
    b = rotateRight(b + a + z, 21);
    const U64 c = a;
    a += x + y;
    b += rotateRight(a, 44);
    return {a + z, b + c};
}

// More than 64 bytes: the last 64 seed the state, then 64-byte blocks from
// the start are mixed in; the last block overlaps the one before when the
// length is not a multiple of 64.
U64 hashLong(const unsigned char* s, U64 length) {
    U64 x = read64(s);
    U64 y = read64(s + length - 16) ^ kP1;
    U64 z = read64(s + length - 56) ^ kP0;
    auto v = weakHash32(s + length - 64, length, y);
    auto w = weakHash32(s + length - 32, length * kP1, kP0);
    z += shiftMix(v.second) * kP1;
    x = rotateRight(z + x, 39) * kP1;
    y = rotateRight(y, 33) * kP1;
    for (U64 blocks = (length - 1) / 64; blocks > 0; --blocks, s += 64) {
        x = rotateRight(x + y + v.first + read64(s + 16), 37) * kP1;
        y = rotateRight(y + v.second + read64(s + 48), 42) * kP1;
        x ^= w.second;
        y ^= v.first;
        z = rotateRight(z ^ w.first, 33);
        v = weakHash32(s, v.second * kP1, x + w.first);
        w = weakHash32(s + 32, z + w.second, y);
        std::swap(z, x);
    }
    return fold(fold(v.first, w.first) + shiftMix(y) * kP1 + z, fold(v.second, w.second) + x);
}

// UTF-8 to UTF-16LE bytes; a malformed sequence becomes U+FFFD.
std::vector<unsigned char> utf16le(std::string_view text) {
    std::vector<unsigned char> bytes;
    auto unit = [&bytes](unsigned value) {
        bytes.push_back(static_cast<unsigned char>(value & 0xFF));
        bytes.push_back(static_cast<unsigned char>(value >> 8));
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i++]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        unsigned code = extra < 0 ? 0xFFFD : lead & (0x7Fu >> extra);
        for (int k = 0; k < extra; ++k) {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
                code = 0xFFFD;
                break;
            }
            code = (code << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
        }
        if (code >= 0x10000) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    return bytes;
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::uint64_t cityHash64(const unsigned char* bytes, std::size_t size) {
    const U64 length = size;
    if (length <= 16) return hashUpTo16(bytes, length);
    if (length <= 32) return hash17To32(bytes, length);
    if (length <= 64) return hash33To64(bytes, length);
    return hashLong(bytes, length);
}

std::string installHash(std::string_view folderUtf8) {
    const std::vector<unsigned char> bytes = utf16le(folderUtf8);
    U64 hash = cityHash64(bytes.data(), bytes.size());
    std::string hex;
    do {
        hex.insert(hex.begin(), "0123456789ABCDEF"[hash & 0xF]);
        hash >>= 4;
    } while (hash != 0);
    return hex;
}

// Thunderbird hashes the folder its program runs from, as the file system
// names it: links and junctions followed, each name in its stored letter
// case, no "\\?\" prefix and no separator at the end. The App Paths value
// names the program, perhaps in quotes and perhaps through %ProgramFiles%.
// Where the folder cannot be resolved (it is missing, or the system lacks
// the call), the path from the value is used with "\" separators.
std::string installFolderOf(std::string_view programPath, RegistryView view) {
    std::string path = expandProgramFiles(std::string(programPath), view);
    while (!path.empty() && path.front() == ' ') path.erase(0, 1);
    if (!path.empty() && path.front() == '"') {
        const auto close = path.find('"', 1);
        path = path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    while (!path.empty() && path.back() == ' ') path.pop_back();
    std::size_t cut = path.size();
    while (cut > 0 && !isSeparator(path[cut - 1])) --cut;  // the program's name
    while (cut > 0 && isSeparator(path[cut - 1])) --cut;
    std::string folder = path.substr(0, cut);
    if (folder.empty()) return {};
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // a drive's root keeps its separator
    std::string resolved = platform::resolvedPathUtf8(folder);
    if (resolved.empty()) {
        for (char& c : folder) {
            if (c == '/') c = '\\';
        }
        resolved = platform::ansiToUtf8(folder);
    }
    while (resolved.size() > 3 && isSeparator(resolved.back())) resolved.pop_back();
    return resolved;
}

std::string installFolderHash(std::string_view programPath, RegistryView view) {
    const std::string folder = installFolderOf(programPath, view);
    return folder.empty() ? std::string() : installHash(folder);
}

}  // namespace tw::thunderbird

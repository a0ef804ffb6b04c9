// The Thunderbird writer on a 20 MB prefs.js: adding an account must take at
// most twice as long as copying the file once, and its peak heap use must
// stay under three times the file's size. Both are measured in the same run
// on the same file, and the comparison is printed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>

#include "clients/thunderbird/thunderbird_writer.h"
#include "core/session_log.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/testing.h"

// Heap accounting: every allocation carries its size in front of it, so the
// bytes in use and their peak are known at any moment.
namespace {

std::atomic<std::size_t> heapInUse{0};
std::atomic<std::size_t> heapPeak{0};
constexpr std::size_t kHeader = 16;  // keeps the default new alignment

void* countedAllocate(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::size_t now = heapInUse.fetch_add(size) + size;
    std::size_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return block + kHeader;
}

void countedFree(void* pointer) noexcept {
    if (pointer == nullptr) return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeader;
    heapInUse.fetch_sub(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return countedAllocate(size); }
void* operator new[](std::size_t size) { return countedAllocate(size); }
void operator delete(void* pointer) noexcept { countedFree(pointer); }
void operator delete[](void* pointer) noexcept { countedFree(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { countedFree(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { countedFree(pointer); }

namespace {

constexpr std::size_t kTargetSize = 20u << 20;

// A prefs.js as Thunderbird writes it on Windows, grown to 20 MB: many
// accounts with their identities and servers, then other settings.
std::string largePrefs() {
    std::string text = "// Mozilla User Preferences\r\n\r\n";
    constexpr int kAccounts = 4000;
    auto add = [&text](const std::string& line) { text.append(line).append("\r\n"); };
    std::string list;
    for (int n = 1; n <= kAccounts; ++n) {
        const std::string a = std::to_string(n);
        add("user_pref(\"mail.account.account" + a + ".identities\", \"id" + a + "\");");
        add("user_pref(\"mail.account.account" + a + ".server\", \"server" + a + "\");");
        list += (n == 1 ? "account" : ",account") + a;
    }
    add("user_pref(\"mail.account.lastKey\", " + std::to_string(kAccounts) + ");");
    add("user_pref(\"mail.accountmanager.accounts\", \"" + list + "\");");
    add("user_pref(\"mail.accountmanager.defaultaccount\", \"account1\");");
    for (int n = 1; n <= kAccounts; ++n) {
        const std::string a = std::to_string(n);
        const std::string user = "user" + a + "@example.com";
        add("user_pref(\"mail.identity.id" + a + ".fullName\", \"User Number " + a + "\");");
        add("user_pref(\"mail.identity.id" + a + ".smtpServer\", \"smtp" + a + "\");");
        add("user_pref(\"mail.identity.id" + a + ".useremail\", \"" + user + "\");");
        add("user_pref(\"mail.server.server" + a + ".hostname\", \"imap.example.com\");");
        add("user_pref(\"mail.server.server" + a + ".port\", 993);");
        add("user_pref(\"mail.server.server" + a + ".socketType\", 3);");
        add("user_pref(\"mail.server.server" + a + ".type\", \"imap\");");
        add("user_pref(\"mail.server.server" + a + ".userName\", \"" + user + "\");");
        add("user_pref(\"mail.smtpserver.smtp" + a + ".hostname\", \"smtp.example.com\");");
        add("user_pref(\"mail.smtpserver.smtp" + a + ".username\", \"" + user + "\");");
    }
    for (int n = 0; text.size() < kTargetSize; ++n) {
        add("user_pref(\"mailnews.database.global.indexer.folder" + std::to_string(n) +
            ".lastIndexed\", \"imap://user@imap.example.com/INBOX/Archive/2009/Project\");");
    }
    add("user_pref(\"mail.smtpservers\", \"smtp1,smtp2,smtp3\");");
    return text;
}

struct Fixture {
    tw::platform::testing::IsolatedRegistry registry;
    tw::platform::testing::TempFolder folder;
    std::string prefs = largePrefs();
    std::string profile = folder.path() + "\\Thunderbird\\Profiles\\bench.default";
    std::string prefsFile = profile + "\\prefs.js";

    Fixture() {
        tw::platform::RegKey key;
        key.create(tw::platform::Hive::CurrentUser, "Volatile Environment", tw::platform::kKeyAllAccess);
        key.setString("APPDATA", folder.path());
        tw::platform::createFolder(folder.path() + "\\Thunderbird");
        tw::platform::createFolder(folder.path() + "\\Thunderbird\\Profiles");
        tw::platform::createFolder(profile);
        tw::platform::writeNewFile(folder.path() + "\\Thunderbird\\profiles.ini",
                                   "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/bench.default\r\n");
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

struct Best {
    double configureSeconds = std::numeric_limits<double>::max();
    double copySeconds = std::numeric_limits<double>::max();
    std::size_t configurePeak = 0;
} best;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ConfigureNewAccountIn20MB(benchmark::State& state) {
    Fixture& f = fixture();
    tw::SessionLog log;  // not opened: the log costs nothing here
    for (auto _ : state) {
        state.PauseTiming();
        tw::platform::writeNewFile(f.prefsFile, f.prefs);
        const std::size_t before = heapInUse.load();
        heapPeak.store(before);
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        tw::ThunderbirdWriter writer("ann@example.com", "Ann Example", false, false, true, log);
        const int outcome = writer.configure();
        const double seconds = secondsSince(start);

        state.PauseTiming();
        if (outcome != 0) state.SkipWithError("configure failed");
        best.configureSeconds = std::min(best.configureSeconds, seconds);
        best.configurePeak = std::max(best.configurePeak, heapPeak.load() - before);
        state.ResumeTiming();
    }
    state.counters["file_MB"] = static_cast<double>(f.prefs.size()) / (1 << 20);
    state.counters["peak_heap_MB"] = static_cast<double>(best.configurePeak) / (1 << 20);
}

void BM_CopyThe20MBFileOnce(benchmark::State& state) {
    Fixture& f = fixture();
    const std::string copy = f.profile + "\\copy.js";
    for (auto _ : state) {
        state.PauseTiming();
        tw::platform::writeNewFile(f.prefsFile, f.prefs);
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        std::string bytes;
        tw::platform::readWholeFile(f.prefsFile, bytes);
        tw::platform::writeNewFile(copy, bytes);
        best.copySeconds = std::min(best.copySeconds, secondsSince(start));
    }
}

BENCHMARK(BM_ConfigureNewAccountIn20MB)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_CopyThe20MBFileOnce)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
#ifndef NDEBUG
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "Timings of an unoptimised build mean nothing: build the bench preset and run "
                         "build/bench/bench/thunderbird_bench.\n");
    return 2;
#else
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (best.configureSeconds == std::numeric_limits<double>::max() ||
        best.copySeconds == std::numeric_limits<double>::max()) {
        return 0;  // a filter left one of the two out
    }
    const double size = static_cast<double>(fixture().prefs.size());
    const double timeRatio = best.configureSeconds / best.copySeconds;
    const double memoryRatio = static_cast<double>(best.configurePeak) / size;
    std::printf("\nprefs.js %.1f MB: configure %.1f ms, copy %.1f ms (best of 10): %.2fx the copy (limit 2x)\n",
                size / (1 << 20), best.configureSeconds * 1e3, best.copySeconds * 1e3, timeRatio);
    std::printf("configure's peak heap %.1f MB: %.2fx the file (limit 3x)\n", static_cast<double>(best.configurePeak) / (1 << 20),
                memoryRatio);
    return timeRatio <= 2.0 && memoryRatio < 3.0 ? 0 : 1;
#endif
}

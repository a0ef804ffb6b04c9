// Option parsing of the windowless run.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"
#include "core/markers.h"

namespace tw::test {
namespace {

TEST(CommandLine, PrepareDropsTrailingSpacesOnly) {
    EXPECT_EQ(prepareCommandLine("  -n \"A\" -c 0   "), "  -n \"A\" -c 0");
    EXPECT_EQ(prepareCommandLine("    "), "");
    EXPECT_EQ(prepareCommandLine(""), "");
}

TEST(CommandLine, HasOptionMatchesWordStarts) {
    EXPECT_TRUE(hasOption("-n \"A\" -d", "-d"));
    EXPECT_TRUE(hasOption("-dx", "-d")) << "a word that begins with the option counts";
    EXPECT_FALSE(hasOption("-n \"x-d\"", "-d"));
    EXPECT_FALSE(hasOption("-D", "-d")) << "options are case-sensitive";
}

TEST(CommandLine, OptionValues) {
    struct Case {
        std::string line;
        const char* option;
        std::string value;
    };
    const std::string tenKilobytes(10 * 1024, 'n');
    const Case cases[] = {
        {"-n \"Ann Example\" -c 4 -a ann@example.com", "-n", "Ann Example"},
        {"-n \"Ann Example\" -c 4 -a ann@example.com", "-c", "4"},
        {"-n \"Ann Example\" -c 4 -a ann@example.com", "-a", "ann@example.com"},
        {"-a ann@example.com -n \"Ann\"", "-n", "Ann"},
        {"-n \"Ann -x Example\" -c 0", "-n", "Ann"},  // cut at the next " -": the opening quote goes
        {"-n \"Ann \"Q\" Example\" -c 0", "-n", "Ann \"Q\" Example"},
        {"-n \"Zo\xeb\" -c 0", "-n", "Zo\xeb"},                   // bytes above 127 pass through
        {"-n \"\" -c 0", "-n", ""},
        {"-n \"x -c 0", "-n", "x"},
        {"-n \" -c 0", "-n", ""},                                  // a quote alone
        {"-n -c 0", "-n", ""},                                    // directly followed by the next option
        {"-c 0 -n", "-n", ""},                                    // or by nothing: there, with no value
        {"-c 0 -nx", "-n", std::string(kAbsentOption)},
        {"-c 0", "-n", std::string(kAbsentOption)},
        {"-auto -p \"QM-\" -s \"ann@example.com\"", "-p", "QM-"},
        {"-auto -p \"QM-\" -s \"ann@example.com\"", "-s", "ann@example.com"},
        {"-n \"" + tenKilobytes + "\" -c 0", "-n", tenKilobytes},
        // Only quotes are cut: one word often arrives without them (Wine drops them).
        {"-n Ann -c 0", "-n", "Ann"},
        {"-n Ann \"Q\" -c 0", "-n", "Ann \"Q\""},                   // no opening quote, nothing cut
        {"-n Ann\" -c 0", "-n", "Ann\""},
        {"-auto -p QM- -s ann@example.com", "-p", "QM-"},
        {"-auto -p QM- -s ann@example.com", "-s", "ann@example.com"},
        {"-a \"ann@example.com\" -n \"A\"", "-a", "ann@example.com"},
        {"-a ann@example.com -n \"A\"", "-a", "ann@example.com"},
        {"-a \"\" -n \"A\"", "-a", ""},
        // A second space before the next option: the closing quote still closes.
        {"-n \"Ann Example\"  -c 0", "-n", "Ann Example"},
        {"-auto -p \"QM-\" -s \"bob\"  -u", "-s", "bob"},
        {"-n Ann  -c 0", "-n", "Ann "},
    };
    for (const auto& c : cases) EXPECT_EQ(optionValue(c.line, c.option), c.value) << c.line << " / " << c.option;
}

struct ParseCase {
    std::string line;
    bool ok;
    ClientKind kind;
    bool makeDefault;
    bool overwrite;
};

TEST(CommandLine, ExplicitForm) {
    const ParseCase cases[] = {
        {"-n \"Ann Example\" -c 4 -a ann@example.com", true, 4, false, false},
        {"-u -a ann@example.com -d -c 4 -n \"Ann Example\"", true, 4, true, true},  // any order
        {"-n \"Ann\" -c 2x -a a@b.c", true, 2, false, false},                       // leading digits
        {"-n \"Ann\" -c 5 -a a@b.c", true, 5, false, false},                        // the driver rejects it
        {"-n \"Ann\" -c 2147483648 -a a@b.c", true, 2147483647, false, false},      // too big: no client
        {"-n \"Ann\" -c abc -a a@b.c", false, kNoClient, false, false},             // not a number
        {"-n \"Ann\" -c -1 -a a@b.c", false, kNoClient, false, false},              // negative: no digits
        {"-c 0 -a a@b.c", false, kNoClient, false, false},
        {"-n \"Ann\" -a a@b.c", false, kNoClient, false, false},
        {"-n \"Ann\" -c 0", false, kNoClient, false, false},
        {"-n \"Ann\" -c 0 -a a@b.c -x", true, 0, false, false},                     // -x ignored here
    };
    for (const auto& c : cases) {
        AccountRequest request;
        const ParsedCommandLine parsed = parseCommandLine(c.line, request);
        EXPECT_EQ(parsed.ok, c.ok) << c.line;
        EXPECT_EQ(parsed.problem.empty(), c.ok) << c.line;
        if (!c.ok) {
            EXPECT_TRUE(request.address.empty() && request.displayName.empty()) << "nothing stored: " << c.line;
            continue;
        }
        EXPECT_EQ(request.clientKind, c.kind) << c.line;
        EXPECT_EQ(request.makeDefault, c.makeDefault) << c.line;
        EXPECT_EQ(request.overwriteExisting, c.overwrite) << c.line;
        EXPECT_FALSE(request.automaticMode);
        EXPECT_FALSE(request.closeRunningClients);
        EXPECT_TRUE(request.commandLineMode);
        EXPECT_TRUE(request.useSsl) << "the command line never turns SSL off";
        EXPECT_FALSE(request.launchClient);
    }
}

// Texts that cannot name an account are usage errors, so nothing is touched:
// a key name cannot hold "\\" (the registry would read a path and write over
// another account), and an empty address would write onto the Accounts key.
TEST(CommandLine, AddressesAndPrefixesThatNameNoAccount) {
    struct Case {
        std::string line;
        const char* option;
    };
    const Case cases[] = {
        {"-n \"Ann\" -c 0 -a ann@example.com\\", "-a"},
        {"-n \"Ann\" -c 0 -a \\ann@example.com", "-a"},
        {"-n \"Ann\" -c 0 -a ann\\x@example.com -d", "-a"},
        {"-n \"Ann\" -c 0 -a -d", "-a"},
        {"-n \"Ann\" -c 0 -a \"\"", "-a"},
        {"-n \"Ann\" -c 0 -a \"   \"", "-a"},
        {"-n \"Ann\" -c 0 -a \t", "-a"},
        {"-n \"Ann\" -c 4 -a  -u", "-a"},
        {"-auto -p \"\\\"", "-p"},
        {"-auto -p \"QM\\\" -x", "-p"},
        {"-auto -p \"QM-\" -s \"\"", "-s"},
        {"-auto -p \"QM-\" -s", "-s"},  // last, with nothing after it
        {"-n \"Ann\" -c 0 -a", "-a"},
    };
    for (const Case& c : cases) {
        AccountRequest request;
        const ParsedCommandLine parsed = parseCommandLine(c.line, request);
        EXPECT_FALSE(parsed.ok) << c.line;
        EXPECT_EQ(parsed.problem.rfind(std::string("option ") + c.option + ":", 0), 0u) << c.line << ": " << parsed.problem;
        EXPECT_TRUE(request.address.empty() && request.automaticPrefix.empty()) << c.line;
    }
    // What the check lets through: any other character, the prefix empty.
    for (const char* line : {"-n \"Ann\" -c 0 -a \"ann@example.com\"", "-n \"Ann\" -c 0 -a a/b'c@x.example",
                             "-auto -p \"\"", "-auto -p \"QM/\" -s \"ann\""}) {
        AccountRequest request;
        EXPECT_TRUE(parseCommandLine(line, request).ok) << line;
    }
}

TEST(CommandLine, AutomaticForm) {
    AccountRequest request;
    ASSERT_TRUE(parseCommandLine("-auto -p \"QM-\" -x -u", request).ok);
    EXPECT_TRUE(request.automaticMode);
    EXPECT_TRUE(request.closeRunningClients);
    EXPECT_TRUE(request.overwriteExisting);
    EXPECT_FALSE(request.makeDefault);
    EXPECT_EQ(request.automaticPrefix, "QM-");
    EXPECT_EQ(request.searchAddress, kNoValue) << "no -s: no search criteria";

    AccountRequest searching;
    ASSERT_TRUE(parseCommandLine("-auto -d -p \"QM-\" -s \"ann@example.com\"", searching).ok);
    EXPECT_EQ(searching.searchAddress, "ann@example.com");
    EXPECT_TRUE(searching.makeDefault);

    AccountRequest noPrefix;
    const ParsedCommandLine parsed = parseCommandLine("-auto -s \"ann@example.com\"", noPrefix);
    EXPECT_FALSE(parsed.ok);
    EXPECT_NE(parsed.problem.find("-p"), std::string::npos);
}

}  // namespace
}  // namespace tw::test

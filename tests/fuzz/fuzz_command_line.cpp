// The command line from the fuzz input, run by tidewell's own start-up in a
// world with Outlook Express (Bob's account, the default client) and a fresh
// Eudora.ini. Properties:
// - the exit status is one of the documented ones;
// - a usage error (64) writes nothing at all, no session log either;
// - a run that does not configure leaves every store as it was;
// - a run that configures wrote the account of the address the command line
//   names (blanks around it dropped) into the chosen client's store (Outlook
//   Express, Outlook's Internet mode beside it, or Eudora.ini), or for -auto
//   the prefixed copy of Bob's;
// - the same command line again with -u changes nothing.
#include <cstdint>
#include <string>

#include "app/command_line.h"
#include "app/config_app.h"
#include "app/exit_status.h"
#include "clients/outlook/outlook_store.h"
#include "core/address_check.h"
#include "platform/files.h"
#include "tests/fuzz/support.h"

namespace {

using namespace tw;
using platform::Hive;

std::string accountPath(const std::string& name) { return std::string(fuzz::kOeAccountsKey) + "\\" + name; }

std::string storeOf(const fuzz::World& world) {
    return fuzz::registryDump(Hive::CurrentUser, "Software") + fuzz::filesBelow(world.folder());
}

void seedWorld(const fuzz::World& world) {
    fuzz::registerOutlookExpress();
    platform::RegKey eudora;
    eudora.create(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Eudora", platform::kKeyAllAccess);
    fuzz::setText(Hive::CurrentUser, accountPath("00000001"), "SMTP Email Address", "bob@work.example");
    fuzz::setText(Hive::CurrentUser, accountPath("00000001"), "SMTP Display Name", "Bob");
    fuzz::setText(Hive::CurrentUser, fuzz::kOeManagerKey, "Default Mail Account", "00000001");
    fuzz::makeFolder(world.folder() + "\\Qualcomm");
    fuzz::makeFolder(world.folder() + "\\Qualcomm\\Eudora");
    fuzz::writeFile(world.folder() + "\\Qualcomm\\Eudora\\Eudora.ini", "[Settings]\r\nRealName=\r\nReturnAddress=\r\n");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Windows hands a program its command line as a C string.
    std::string commandLine(reinterpret_cast<const char*>(data), size);
    commandLine = commandLine.substr(0, commandLine.find('\0'));

    fuzz::World world;
    seedWorld(world);
    const std::string before = storeOf(world);
    const int status = ConfigApp{}.initInstance(commandLine);
    const std::string after = storeOf(world);
    const std::string log = world.logText();
    const std::string shown = "[" + commandLine + "] gave " + std::to_string(status) + "\n" + log;

    const bool documented = (status >= ExitConfigured && status <= ExitClientRunning) || status == ExitUsage ||
                            status == ExitNoDialog;
    fuzz::check(documented, "an exit status that is not documented", shown);
    if (status == ExitUsage) {
        fuzz::check(log.empty() && !platform::fileExists(world.folder() + "\\Tidewell.log"),
                    "a usage error wrote a session log", shown);
    }
    if (status != ExitConfigured) {
        fuzz::check(after == before, "a run that did not configure changed a store", shown);
        return 0;
    }

    AccountRequest request;
    const std::string prepared = prepareCommandLine(commandLine);
    fuzz::check(parseCommandLine(prepared, request).ok, "a command line the parser refuses was run", shown);
    std::string written;
    if (request.automaticMode) {
        fuzz::valueText(Hive::CurrentUser, accountPath(request.automaticPrefix + "bob@work.example"),
                        "SMTP Email Address", written);
        fuzz::check(written == "bob@work.example", "-auto did not copy the default account", shown);
    } else if (request.clientKind == OutlookExpress) {
        const std::string address(withoutBlanks(request.address));
        fuzz::valueText(Hive::CurrentUser, accountPath(address), "SMTP Email Address", written);
        fuzz::check(written == address, "the account of the address on the command line was not written", shown);
    } else if (request.clientKind == Outlook) {
        // Not detected here, yet chosen: the Outlook 2000 writer's Internet
        // mode writes the account beside Outlook Express's.
        const std::string address(withoutBlanks(request.address));
        fuzz::valueText(Hive::CurrentUser, std::string(kOmiAccountsKey) + "\\" + address, "SMTP Email Address",
                        written);
        fuzz::check(written == address, "Outlook's account of the address on the command line was not written", shown);
    } else {
        // Windows Mail and Thunderbird have no store here to write to.
        fuzz::check(request.clientKind == Eudora, "a client without a store was configured", shown);
        const std::string ini = fuzz::readFile(world.folder() + "\\Qualcomm\\Eudora\\Eudora.ini");
        fuzz::check(ini.find("\r\nReturnAddress=" + std::string(withoutBlanks(request.address)) + "\r\n") !=
                        std::string::npos,
                    "Eudora.ini did not get the address on the command line", shown + ini);
    }

    const int again = ConfigApp{}.initInstance(prepared + " -u");
    fuzz::check(again == ExitConfigured, "the same command line with -u did not configure", shown);
    fuzz::check(storeOf(world) == after, "the same command line with -u changed a store", shown);
    return 0;
}

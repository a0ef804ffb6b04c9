// The Corporate/Workgroup half of the Outlook 2000 writer: an Internet mail
// service in the default MAPI profile, through Extended MAPI. MAPI keeps a
// profile's sections as subkeys of the profile key, their properties as values
// named by property tag ("001e" = 8-bit string, then the property id):
//   001e3d0b  the section's service entry name; "MailServiceEntry" marks the
//             section of an Internet mail service
//   001e3001  the display name Outlook shows for the service
//   001e661f  the name of the account manager account the service uses
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "clients/outlook/account_values.h"
#include "clients/outlook/outlook_2000_writer.h"
#include "clients/outlook/outlook_store.h"
#include "core/registry_account_write.h"
#include "platform/mapi.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"

namespace tw {
namespace {

using platform::Hive;
using platform::RegKey;

constexpr std::string_view kServiceEntryName = "001e3d0b";
constexpr std::string_view kDisplayNameTag = "001e3001";
constexpr std::string_view kAccountNameTag = "001e661f";

// A property's 8-bit text up to its NUL, whatever the value's type: MAPI may
// keep string properties as binary data.
// A section's tags as the service checks read them. A section or tag that is
// not there reads as empty; one that is there but cannot be read is a
// failure, for it may be the very section looked for.
struct SectionTags {
    std::string serviceEntry;
    std::string accountName;
};

std::optional<RegistryFailure> readSectionTags(const std::string& sectionKey, SectionTags& tags) {
    RegKey section;
    platform::Status rc = section.open(Hive::CurrentUser, sectionKey, platform::kKeyRead);
    if (rc == platform::kErrorFileNotFound) return std::nullopt;
    if (rc != platform::kSuccess) return RegistryFailure{"RegOpenKeyEx", Hive::CurrentUser, sectionKey, std::nullopt, rc};
    for (const auto& [name, text] : {std::pair<std::string_view, std::string*>{kServiceEntryName, &tags.serviceEntry},
                                     {kAccountNameTag, &tags.accountName}}) {
        platform::RegValue value;
        rc = section.queryValue(name, value);
        if (rc == platform::kSuccess) {
            *text = value.data.substr(0, value.data.find('\0'));
        } else if (rc != platform::kErrorFileNotFound) {
            return RegistryFailure{"RegQueryValueEx", Hive::CurrentUser, sectionKey, std::string(name), rc};
        }
    }
    return std::nullopt;
}

// The names of the profile's sections, read whole; false when the profile
// key cannot be read.
bool listSections(const std::string& profileKey, std::vector<std::string>& names, platform::Status& rc) {
    RegKey profile;
    rc = profile.open(Hive::CurrentUser, profileKey, platform::kKeyRead);
    if (rc != platform::kSuccess) return false;
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        rc = profile.enumSubkey(index, name);
        if (rc == platform::kErrorNoMoreItems) return true;
        if (rc != platform::kSuccess) return false;
        names.push_back(name);
    }
}

void logListingFailure(SessionLog& log, const std::string& profileKey, platform::Status rc) {
    log.line(RegistryFailure{"RegEnumKeyEx", Hive::CurrentUser, profileKey, std::nullopt, rc}.describe());
}

std::string_view failureText(platform::MapiCall call) {
    switch (call) {
    case platform::MapiCall::Initialize: return "Error initializing MAPI.";
    case platform::MapiCall::AdminProfiles: return "Error getting IProfAdmin interface.";
    case platform::MapiCall::LogonEx: return "Error logging on.";
    case platform::MapiCall::AdminServices: return "Error getting IMsgServiceAdmin interface.";
    case platform::MapiCall::CreateMsgService: return "Error creating Exchange message service.";
    }
    return {};
}

// "Error logging on. hRes = 0x80040111": the result in eight lowercase hexadecimal digits.
std::string failureLine(const platform::MapiResult& result) {
    char code[16] = {};
    std::snprintf(code, sizeof code, "%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(result.code)));
    return std::string(failureText(result.failedCall)) + " hRes = 0x" + code;
}

}  // namespace

bool Outlook2000Writer::profileHasMailService(const std::string& accountName, bool& hasService) {
    const std::string profileKey = profileKeyPath(profileName);
    std::vector<std::string> sections;
    platform::Status rc = platform::kSuccess;
    if (!listSections(profileKey, sections, rc)) {
        logListingFailure(*log, profileKey, rc);
        return false;
    }
    hasService = false;
    for (const std::string& name : sections) {
        SectionTags tags;
        if (const auto failure = readSectionTags(profileKey + "\\" + name, tags)) {
            log->line(failure->describe());
            return false;
        }
        hasService = hasService || (tags.serviceEntry == "MailServiceEntry" &&
                                    platform::equalIgnoringCaseAnsi(tags.accountName, accountName));
    }
    return true;
}

bool Outlook2000Writer::createMapiMailService(const std::string& accountName) {
    std::vector<std::string> sectionsBefore;
    platform::Status rc = platform::kSuccess;
    if (!listSections(profileKeyPath(profileName), sectionsBefore, rc)) {
        logListingFailure(*log, profileKeyPath(profileName), rc);
        return false;
    }
    // The service is created with the plain address as its display name; its
    // section is then named after the account.
    const platform::MapiResult result = platform::createMessageService(profileName, "IMAIL", address);
    if (!result.succeeded) {
        // Standard output, as before, and the log, where support staff look.
        const std::string line = failureLine(result);
        platform::writeStandardOutput(line + "\r\n");
        log->line(line);
        return false;
    }
    return nameNewSections(accountName, sectionsBefore);
}

// Every section the service added that is the service's own gets the
// account's display name and the account manager account it belongs to; all
// of them or, should a write fail, none.
bool Outlook2000Writer::nameNewSections(const std::string& accountName,
                                        const std::vector<std::string>& sectionsBefore) {
    const std::string profileKey = profileKeyPath(profileName);
    std::vector<std::string> sections;
    platform::Status rc = platform::kSuccess;
    if (!listSections(profileKey, sections, rc)) {
        logListingFailure(*log, profileKey, rc);
        return false;
    }
    RegistryAccountWrite write(Hive::CurrentUser);
    for (const std::string& name : sections) {
        if (std::find(sectionsBefore.begin(), sectionsBefore.end(), name) != sectionsBefore.end()) continue;
        const std::string sectionKey = profileKey + "\\" + name;
        // A new section that cannot be read may be the service's: unnamed, the
        // account would have no service Outlook ties to it.
        SectionTags tags;
        if (const auto failure = readSectionTags(sectionKey, tags)) {
            log->line(failure->describe());
            return false;
        }
        if (tags.serviceEntry != "MailServiceEntry") continue;
        const std::vector<AccountValue> values = {
            AccountValue::string(std::string(kDisplayNameTag), "Internet E-Mail - " + accountName),
            AccountValue::string(std::string(kAccountNameTag), accountName)};
        const auto key = write.openKey(sectionKey);
        if (!key || !writeAccountValues(write, *key, values)) {
            reportFailureAndUndo(write, *log);
            return false;
        }
    }
    write.commit();
    return true;
}

}  // namespace tw

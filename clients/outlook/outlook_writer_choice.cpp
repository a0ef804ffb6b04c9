#include "clients/outlook/outlook_writer_choice.h"

#include "clients/outlook/outlook_2000_writer.h"
#include "clients/outlook/outlook_profile_writer.h"
#include "clients/outlook/outlook_store.h"

namespace tw {
namespace {

constexpr int kFirstProfileStoreVersion = 10;  // Outlook 2002
constexpr int kFirstOfficeProfilesVersion = 15;  // Outlook 2013

bool profileAccountStoreExists() {
    const DefaultProfile profile = readDefaultProfile();
    return profile.status == platform::kSuccess && openProfileAccountKey(profile.name).outcome == OutcomeConfigured;
}

}  // namespace

OutlookWriterKind chooseOutlookWriter(int outlookMajorVersion) {
    if (outlookMajorVersion >= kFirstOfficeProfilesVersion) return OutlookWriterKind::TooNew;
    if (outlookMajorVersion >= kFirstProfileStoreVersion) return OutlookWriterKind::Profile;
    if (outlookMajorVersion == -1 || outlookMajorVersion > 0) return OutlookWriterKind::Outlook2000;
    // Registered, but MSIApplicationLCID told no version. Writing only the
    // Outlook 2000 store for a later Outlook would report success for an
    // account that Outlook never shows.
    return profileAccountStoreExists() ? OutlookWriterKind::Profile : OutlookWriterKind::Outlook2000;
}

std::unique_ptr<AccountReader> makeOutlookWriter(int outlookMajorVersion, std::string address,
                                                 std::string displayName, bool makeDefault, bool overwriteExisting,
                                                 bool useSsl, SessionLog& log) {
    switch (chooseOutlookWriter(outlookMajorVersion)) {
    case OutlookWriterKind::Outlook2000:
        return std::make_unique<Outlook2000Writer>(std::move(address), std::move(displayName), makeDefault,
                                                   overwriteExisting, useSsl, log);
    case OutlookWriterKind::Profile:
        return std::make_unique<OutlookProfileWriter>(std::move(address), std::move(displayName), makeDefault,
                                                      overwriteExisting, useSsl, log);
    case OutlookWriterKind::TooNew: break;
    }
    log << "Outlook version " << outlookMajorVersion << " keeps its profiles under Software\\Microsoft\\Office\\"
        << outlookMajorVersion << ".0\\Outlook\\Profiles, which Tidewell cannot configure. No changes have been made.";
    log.endLine();
    return nullptr;
}

}  // namespace tw

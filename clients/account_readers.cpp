#include "clients/account_readers.h"

#include "clients/outlook/outlook_writer_choice.h"
#include "clients/outlook_express_winmail/outlook_express_writer.h"

namespace tw {

std::unique_ptr<AccountReader> makeAccountReader(ClientKind kind, int outlookMajorVersion, std::string address,
                                                 std::string displayName, bool makeDefault, bool overwriteExisting,
                                                 bool useSsl, SessionLog& log) {
    switch (kind) {
    case OutlookExpress:
        return std::make_unique<OutlookExpressWriter>(std::move(address), std::move(displayName), makeDefault,
                                                      overwriteExisting, useSsl, log);
    case Outlook:
        return makeOutlookWriter(outlookMajorVersion, std::move(address), std::move(displayName), makeDefault,
                                 overwriteExisting, useSsl, log);
    default: return nullptr;
    }
}

}  // namespace tw

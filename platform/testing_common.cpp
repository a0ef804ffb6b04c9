// Test support shared by both backends.
#include "platform/testing.h"

namespace tw::platform::testing {

std::string_view mapiCallName(MapiCall call) {
    switch (call) {
    case MapiCall::Initialize: return "MAPIInitialize";
    case MapiCall::AdminProfiles: return "MAPIAdminProfiles";
    case MapiCall::LogonEx: return "MAPILogonEx";
    case MapiCall::AdminServices: return "AdminServices";
    case MapiCall::CreateMsgService: return "CreateMsgService";
    }
    return {};
}

}  // namespace tw::platform::testing

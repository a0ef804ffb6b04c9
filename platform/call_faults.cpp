// The bookkeeping of testing::CallFaults, shared by both backends. Only the
// fake backend's calls report to it (see fake::failing).
#include "platform/testing.h"

namespace tw::platform::testing {

const char* callName(PlatformCall call) {
    switch (call) {
    case PlatformCall::OpenKey: return "RegOpenKeyEx";
    case PlatformCall::CreateKey: return "RegCreateKeyEx";
    case PlatformCall::QueryInfoKey: return "RegQueryInfoKey";
    case PlatformCall::QueryKeyName: return "NtQueryKey";
    case PlatformCall::EnumKey: return "RegEnumKeyEx";
    case PlatformCall::QueryValue: return "RegQueryValueEx";
    case PlatformCall::SetValue: return "RegSetValueEx";
    case PlatformCall::DeleteValue: return "RegDeleteValue";
    case PlatformCall::DeleteKey: return "RegDeleteKey";
    case PlatformCall::OpenFile: return "CreateFile (read)";
    case PlatformCall::ReadFile: return "ReadFile";
    case PlatformCall::CreateFile: return "CreateFile (new)";
    case PlatformCall::WriteFile: return "WriteFile";
    case PlatformCall::FlushFile: return "FlushFileBuffers";
    case PlatformCall::OpenLog: return "CreateFile (log)";
    case PlatformCall::AppendLog: return "WriteFile (log)";
    case PlatformCall::ReplaceFile: return "MoveFileEx";
    case PlatformCall::DeleteFile: return "DeleteFile";
    case PlatformCall::FileAttributes: return "GetFileAttributes";
    case PlatformCall::CreateFolder: return "CreateDirectory";
    case PlatformCall::FindFiles: return "FindFirstFile";
    case PlatformCall::ProcessSnapshot: return "CreateToolhelp32Snapshot";
    case PlatformCall::TerminateProcess: return "TerminateProcess";
    case PlatformCall::StartProcess: return "CreateProcess";
    case PlatformCall::CreateUuid: return "UuidCreate";
    case PlatformCall::MapiInitialize: return "MAPIInitialize";
    case PlatformCall::MapiAdminProfiles: return "MAPIAdminProfiles";
    case PlatformCall::MapiLogon: return "MAPILogonEx";
    case PlatformCall::MapiAdminServices: return "AdminServices";
    case PlatformCall::MapiCreateService: return "CreateMsgService";
    }
    return "?";
}

Status typicalError(PlatformCall call) {
    constexpr Status kSharingViolation = 32;
    constexpr Status kLockViolation = 33;
    constexpr Status kDiskFull = 112;
    constexpr Status kNotEnoughMemory = 8;
    constexpr Status kUuidNoAddress = 1739;  // RPC_S_UUID_NO_ADDRESS
    constexpr Status kMapiCallFailed = static_cast<std::int32_t>(0x80004005);   // MAPI_E_CALL_FAILED
    constexpr Status kMapiLogonFailed = static_cast<std::int32_t>(0x80040111);  // MAPI_E_LOGON_FAILED
    switch (call) {
    case PlatformCall::OpenFile:
    case PlatformCall::OpenLog: return kSharingViolation;  // another program holds the file
    case PlatformCall::ReadFile: return kLockViolation;    // a range of it is locked
    case PlatformCall::WriteFile:
    case PlatformCall::FlushFile:
    case PlatformCall::AppendLog: return kDiskFull;
    case PlatformCall::ProcessSnapshot: return kNotEnoughMemory;
    case PlatformCall::CreateUuid: return kUuidNoAddress;
    case PlatformCall::MapiLogon: return kMapiLogonFailed;
    case PlatformCall::MapiInitialize:
    case PlatformCall::MapiAdminProfiles:
    case PlatformCall::MapiAdminServices:
    case PlatformCall::MapiCreateService: return kMapiCallFailed;
    default: return kErrorAccessDenied;  // an access list, a read-only file or folder
    }
}

bool CallFaults::note(PlatformCall kind, std::string subject, Status& error) {
    calls_.push_back({kind, std::move(subject)});
    if (calls_.size() != failing_) return false;
    failed_ = calls_.back();
    error = typicalError(kind);
    return true;
}

}  // namespace tw::platform::testing

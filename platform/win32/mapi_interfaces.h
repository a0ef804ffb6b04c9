// The parts of the published Extended MAPI interface that this program calls,
// declared from the MAPI reference: the four entry points of MAPI32.DLL and the
// leading methods of IProfAdmin, IMsgServiceAdmin and IMAPISession, in their
// documented vtable order (only methods up to the last one called are listed;
// the vtables go on beyond them). 8-bit strings throughout: no MAPI_UNICODE.
// Shared with the stand-in MAPI32.DLL of the tests, which implements them.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace tw::platform::mapi {

struct MsgServiceAdmin;
struct ProfAdmin;
struct Session;

using InitializeFn = HRESULT(WINAPI*)(void* mapiInit);
using UninitializeFn = void(WINAPI*)();
using LogonExFn = HRESULT(WINAPI*)(ULONG_PTR uiParam, char* profileName, char* password, ULONG flags,
                                   Session** session);
using AdminProfilesFn = HRESULT(WINAPI*)(ULONG flags, ProfAdmin** profAdmin);

// IMsgServiceAdmin
struct MsgServiceAdmin : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT result, ULONG flags, void** mapiError) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMsgServiceTable(ULONG flags, void** table) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateMsgService(char* service, char* displayName, ULONG_PTR uiParam,
                                                       ULONG flags) = 0;
};

// IProfAdmin
struct ProfAdmin : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT result, ULONG flags, void** mapiError) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProfileTable(ULONG flags, void** table) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateProfile(char* profileName, char* password, ULONG_PTR uiParam,
                                                    ULONG flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteProfile(char* profileName, ULONG flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChangeProfilePassword(char* profileName, char* oldPassword,
                                                            char* newPassword, ULONG flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyProfile(char* oldName, char* oldPassword, char* newName,
                                                  ULONG_PTR uiParam, ULONG flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenameProfile(char* oldName, char* oldPassword, char* newName,
                                                    ULONG_PTR uiParam, ULONG flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultProfile(char* profileName, ULONG flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE AdminServices(char* profileName, char* password, ULONG_PTR uiParam,
                                                    ULONG flags, MsgServiceAdmin** serviceAdmin) = 0;
};

// IMAPISession
struct Session : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT result, ULONG flags, void** mapiError) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG flags, void** table) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR uiParam, ULONG entryIdSize, void* entryId,
                                                   const IID* iid, ULONG flags, void** store) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR uiParam, const IID* iid, ULONG flags,
                                                      void** addressBook) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenProfileSection(void* uid, const IID* iid, ULONG flags,
                                                         void** section) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatusTable(ULONG flags, void** table) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenEntry(ULONG entryIdSize, void* entryId, const IID* iid, ULONG flags,
                                                ULONG* objectType, IUnknown** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG size1, void* entryId1, ULONG size2, void* entryId2,
                                                      ULONG flags, ULONG* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(ULONG entryIdSize, void* entryId, ULONG eventMask, void* sink,
                                             ULONG* connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(ULONG connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE MessageOptions(ULONG_PTR uiParam, ULONG flags, char* addressType,
                                                     void* message) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryDefaultMessageOpt(char* addressType, ULONG flags, ULONG* count,
                                                             void** options) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumAdrTypes(ULONG flags, ULONG* count, char*** types) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG* entryIdSize, void** entryId) = 0;
    virtual HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR uiParam, ULONG flags, ULONG reserved) = 0;
};

}  // namespace tw::platform::mapi

#include "platform/dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace tw::platform {

// What the dialog procedure needs to reach the dialog's own code. It lives as
// long as the window and is found through the window's DWLP_USER slot.
struct ModelessDialog::State {
    DialogHandler handler = nullptr;
    void* owner = nullptr;
    bool modal = false;
    bool ended = false;
    int result = 0;
    HWND window = nullptr;
};

namespace {

using DialogState = ModelessDialog::State;

HWND asWindow(void* handle) { return static_cast<HWND>(handle); }

DialogState* stateOf(HWND window) {
    return reinterpret_cast<DialogState*>(GetWindowLongPtrA(window, DWLP_USER));
}

// Draws the big icon centred in the client area while the dialog is minimised,
// as a window without a class icon has to.
void paintMinimised(HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(window, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    if (icon != nullptr) DrawIcon(dc, x, y, icon);
    EndPaint(window, &paint);
}

// Centres a dialog on its owner, or on the screen's work area when it has none
// or the owner is minimised, before the dialog is first shown.
void centre(HWND window) {
    RECT area{};
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
        area = monitor.rcWork;
    }
    RECT box{};
    GetWindowRect(window, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    // A dialog larger than the area keeps its caption on screen.
    SetWindowPos(window, nullptr, std::max(x, static_cast<int>(area.left)), std::max(y, static_cast<int>(area.top)), 0,
                 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<DialogState*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        state->window = window;
        centre(window);
        return state->handler(state->owner, DialogWindow(window), DialogEvent::Initialise, 0, 0) ? TRUE : FALSE;
    }
    DialogState* state = stateOf(window);
    if (state == nullptr) return FALSE;  // messages that come before WM_INITDIALOG
    switch (message) {
    case WM_COMMAND:
        return state->handler(state->owner, DialogWindow(window), DialogEvent::Command, LOWORD(wParam),
                              HIWORD(wParam))
                   ? TRUE
                   : FALSE;
    case WM_PAINT:
        if (!IsIconic(window)) return FALSE;
        paintMinimised(window);
        return TRUE;
    case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    case WM_NCDESTROY:
        state->window = nullptr;
        SetWindowLongPtrA(window, DWLP_USER, 0);
        return FALSE;
    default: return FALSE;
    }
}

// The manifest asks for version 6 of the common controls, which also supplies
// the dialogs' buttons, edits and statics. Later Windows load comctl32.dll when
// a dialog needs one of its classes; Windows XP registers them only once the
// program itself has loaded the DLL, and fails to create the dialog otherwise.
// Done once, before the first dialog. The answer does not matter: without
// version 6 (no manifest support) the controls come from user32 as before.
void loadControlClasses() {
    static const bool loaded = [] {
        INITCOMMONCONTROLSEX classes{};
        classes.dwSize = sizeof classes;
        classes.dwICC = ICC_STANDARD_CLASSES;
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    static_cast<void>(loaded);
}

HWND item(void* dialog, int id) { return dialog == nullptr ? nullptr : GetDlgItem(asWindow(dialog), id); }

std::string windowText(HWND window) {
    if (window == nullptr) return {};
    // WM_GETTEXT rather than GetWindowText: it also reads the edits of a dialog
    // in another process, which the test driver needs.
    const auto length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const auto copied = SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

}  // namespace

Icon::~Icon() {
    if (handle_ != nullptr) DestroyIcon(static_cast<HICON>(handle_));
}

Icon::Icon(Icon&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Icon& Icon::operator=(Icon&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) DestroyIcon(static_cast<HICON>(handle_));
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Icon Icon::load(int resourceId, Size size) {
    const bool large = size == Size::Large;
    Icon icon;
    icon.handle_ = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                              GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON),
                              GetSystemMetrics(large ? SM_CYICON : SM_CYSMICON), LR_DEFAULTCOLOR);
    return icon;
}

std::string DialogWindow::title() const { return windowText(asWindow(handle_)); }

std::string DialogWindow::itemText(int id) const { return windowText(item(handle_, id)); }

void DialogWindow::setItemText(int id, std::string_view text) {
    if (HWND control = item(handle_, id)) {
        const std::string value(text);
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    }
}

bool DialogWindow::itemChecked(int id) const {
    HWND control = item(handle_, id);
    return control != nullptr && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void DialogWindow::setItemChecked(int id, bool checked) {
    if (HWND control = item(handle_, id)) SendMessageA(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool DialogWindow::itemEnabled(int id) const {
    HWND control = item(handle_, id);
    return control != nullptr && IsWindowEnabled(control);
}

void DialogWindow::enableItem(int id, bool enabled) {
    if (HWND control = item(handle_, id)) EnableWindow(control, enabled ? TRUE : FALSE);
}

bool DialogWindow::itemVisible(int id) const {
    HWND control = item(handle_, id);
    // The control's own style bit: a control of a hidden dialog still counts as shown.
    return control != nullptr && (GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void DialogWindow::showItem(int id, bool visible) {
    if (HWND control = item(handle_, id)) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

bool DialogWindow::hasItem(int id) const { return item(handle_, id) != nullptr; }

int DialogWindow::defaultButton() const {
    if (handle_ == nullptr) return 0;
    const auto answer = SendMessageA(asWindow(handle_), DM_GETDEFID, 0, 0);
    return HIWORD(answer) == DC_HASDEFID ? LOWORD(answer) : 0;
}

void DialogWindow::setDefaultButton(int id) {
    // The dialog manager also swaps the buttons' default-button styles.
    if (handle_ != nullptr) SendMessageA(asWindow(handle_), DM_SETDEFID, static_cast<WPARAM>(id), 0);
}

void DialogWindow::focusItem(int id) {
    if (HWND control = item(handle_, id)) {
        SendMessageA(asWindow(handle_), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
}

void DialogWindow::setBigIcon(const Icon& icon) {
    if (handle_ != nullptr) {
        SendMessageA(asWindow(handle_), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.handle()));
    }
}

void DialogWindow::setSmallIcon(const Icon& icon) {
    if (handle_ != nullptr) {
        SendMessageA(asWindow(handle_), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.handle()));
    }
}

void DialogWindow::endDialog(int result) {
    if (handle_ == nullptr) return;
    DialogState* state = stateOf(asWindow(handle_));
    if (state == nullptr) return;
    if (state->modal) {
        EndDialog(asWindow(handle_), result);
        return;
    }
    state->ended = true;
    state->result = result;
    ShowWindow(asWindow(handle_), SW_HIDE);
}

int runModalDialog(int templateId, DialogWindow owner, DialogHandler handler, void* context, Status* lastError) {
    DialogState state;
    state.handler = handler;
    state.owner = context;
    state.modal = true;
    loadControlClasses();
    SetLastError(ERROR_SUCCESS);
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                           asWindow(owner.handle()), dialogProcedure,
                                           reinterpret_cast<LPARAM>(&state));
    if (result == -1 && lastError != nullptr) *lastError = static_cast<Status>(GetLastError());
    if (result == -1) return -1;
    return static_cast<int>(result);
}

ModelessDialog::ModelessDialog() = default;

ModelessDialog::~ModelessDialog() { destroy(); }

Status ModelessDialog::create(int templateId, DialogWindow owner, DialogHandler handler, void* context) {
    destroy();
    state_ = std::make_unique<State>();
    state_->handler = handler;
    state_->owner = context;
    loadControlClasses();
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                     asWindow(owner.handle()), dialogProcedure,
                                     reinterpret_cast<LPARAM>(state_.get()));
    if (window == nullptr) {
        const auto error = static_cast<Status>(GetLastError());
        state_.reset();
        return error == ERROR_SUCCESS ? ERROR_RESOURCE_NAME_NOT_FOUND : error;
    }
    // DialogBox shows a dialog whose template is not visible; do the same.
    if (!state_->ended) ShowWindow(window, SW_SHOW);
    return ERROR_SUCCESS;
}

void ModelessDialog::destroy() {
    if (state_ && state_->window != nullptr) DestroyWindow(state_->window);
    state_.reset();
}

DialogWindow ModelessDialog::window() const { return DialogWindow(state_ ? state_->window : nullptr); }

bool ModelessDialog::ended() const { return state_ && state_->ended; }

int ModelessDialog::result() const { return state_ ? state_->result : 0; }

}  // namespace tw::platform

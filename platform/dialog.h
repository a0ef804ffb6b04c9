// Dialog windows built from the program's dialog templates, and the few things
// the dialogs do to their controls. The Windows backend runs real dialogs; the
// fake backend has no windows: dialogs cannot be opened there and every
// operation on a window does nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace tw::platform {

// Command ids and notification codes with the values Windows gives them.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kButtonClicked = 0;     // BN_CLICKED
inline constexpr int kEditChanged = 0x0300;  // EN_CHANGE

// An icon from the program's resources, destroyed with this object.
class Icon {
public:
    enum class Size { Large, Small };  // the system's window-icon sizes

    Icon() = default;
    ~Icon();
    Icon(Icon&& other) noexcept;
    Icon& operator=(Icon&& other) noexcept;
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;

    static Icon load(int resourceId, Size size);
    void* handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

// A dialog window by handle. It does not own the window; copies are cheap.
// Every operation on an empty window, or on a control id the dialog does not
// have, does nothing and reads as empty, false or 0.
class DialogWindow {
public:
    DialogWindow() = default;
    explicit DialogWindow(void* handle) : handle_(handle) {}

    void* handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    std::string title() const;
    std::string itemText(int id) const;
    void setItemText(int id, std::string_view text);
    bool itemChecked(int id) const;
    void setItemChecked(int id, bool checked);
    bool itemEnabled(int id) const;
    void enableItem(int id, bool enabled);
    bool itemVisible(int id) const;
    void showItem(int id, bool visible);
    bool hasItem(int id) const;
    // The push button that Enter presses, and moving that role to another button.
    int defaultButton() const;
    void setDefaultButton(int id);
    // Moves the keyboard focus to a control.
    void focusItem(int id);
    void setBigIcon(const Icon& icon);
    void setSmallIcon(const Icon& icon);
    // Ends the dialog with a result: a modal loop returns it; a modeless dialog
    // is hidden and keeps the result for its owner to read.
    void endDialog(int result);

private:
    void* handle_ = nullptr;
};

// What a dialog's code is told about. The handler answers true when it dealt
// with the event; for Initialise, true also asks for the default focus.
enum class DialogEvent { Initialise, Command };
using DialogHandler = bool (*)(void* owner, DialogWindow window, DialogEvent event, int controlId, int notifyCode);

// Runs a dialog from the template with this resource id until it ends. Returns
// the result given to endDialog, or -1 when the dialog could not be created
// (lastError then says why).
int runModalDialog(int templateId, DialogWindow owner, DialogHandler handler, void* context,
                   Status* lastError = nullptr);

// A dialog without a modal loop of its own: whoever created it pumps its
// messages. The window is destroyed with this object.
class ModelessDialog {
public:
    ModelessDialog();
    ~ModelessDialog();
    ModelessDialog(const ModelessDialog&) = delete;
    ModelessDialog& operator=(const ModelessDialog&) = delete;

    // Creates and shows the dialog; its Initialise event has run on return.
    Status create(int templateId, DialogWindow owner, DialogHandler handler, void* context);
    void destroy();
    DialogWindow window() const;
    bool ended() const;
    int result() const;  // valid once ended

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace tw::platform

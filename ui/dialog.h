// The small dialog framework the two dialogs stand on: a dialog runs from its
// template, and the window's events reach overridable members (initialisation,
// data exchange in both directions, OK, Cancel, other commands).
#pragma once

#include <span>
#include <string>

#include "platform/dialog.h"

namespace tw {

// Copies values between a dialog's controls and the dialog's own members, in the
// direction the exchange was made for.
class DataExchange {
public:
    DataExchange(platform::DialogWindow window, bool saving) : window_(window), saving_(saving) {}

    // True: controls to members ("read the controls"); false: members to controls.
    bool saving() const { return saving_; }

    void text(int id, std::string& value);
    void check(int id, bool& value);
    // A group of radio buttons and the index of the checked one, -1 for none.
    void radio(std::span<const int> ids, int& index);

private:
    platform::DialogWindow window_;
    bool saving_;
};

class Dialog {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Shows the dialog and returns when it has ended, with the result it ended
    // with; -1 when it could not be created.
    int doModal(platform::DialogWindow owner = {});

    // Opens the dialog without a loop of its own; the caller pumps messages and
    // reads ended() and result(). The tests drive the real dialog this way.
    platform::Status createModeless(platform::DialogWindow owner = {});
    bool ended() const { return modeless_.ended(); }
    int result() const { return modeless_.result(); }

    // The open window; empty before the dialog opens and after a modal run.
    platform::DialogWindow window() const { return window_; }

protected:
    // The window exists and its controls hold the template's values. Answer true
    // for the default focus, false after moving the focus yourself.
    virtual bool onInitDialog();
    virtual void doDataExchange(DataExchange& exchange);
    // Enter with no other default button. Takes the controls' values and ends.
    virtual void onOk();
    // Esc, the close box or the Cancel button. Ends the dialog.
    virtual void onCancel();
    // Every other command; true when it was handled.
    virtual bool onCommand(int id, int notifyCode);

    // Runs the data exchange: saving true reads the controls into the members.
    void updateData(bool saving);
    void endDialog(int result);

    // The application icon as the window's icons (title bar, task switcher,
    // minimised). The icons live as long as the dialog object.
    void setBigIcon(int resourceId);
    void setSmallIcon(int resourceId);

private:
    static bool dispatch(void* owner, platform::DialogWindow window, platform::DialogEvent event, int id,
                         int notifyCode) noexcept;

    int templateId_;
    platform::DialogWindow window_;
    // Declared before the window's owner so the window goes first.
    platform::Icon bigIcon_;
    platform::Icon smallIcon_;
    platform::ModelessDialog modeless_;
};

}  // namespace tw

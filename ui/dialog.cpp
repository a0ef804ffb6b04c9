#include "ui/dialog.h"

namespace tw {

void DataExchange::text(int id, std::string& value) {
    if (saving_) {
        value = window_.itemText(id);
    } else if (window_.itemText(id) != value) {
        // Setting an edit's text notifies the dialog of a change, whose handler
        // writes the controls again; an unchanged text is left alone to end that.
        window_.setItemText(id, value);
    }
}

void DataExchange::check(int id, bool& value) {
    if (saving_) {
        value = window_.itemChecked(id);
    } else {
        window_.setItemChecked(id, value);
    }
}

void DataExchange::radio(std::span<const int> ids, int& index) {
    if (saving_) {
        index = -1;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (window_.itemChecked(ids[i])) {
                index = static_cast<int>(i);
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i < ids.size(); ++i) window_.setItemChecked(ids[i], static_cast<int>(i) == index);
    }
}

int Dialog::doModal(platform::DialogWindow owner) {
    const int result = platform::runModalDialog(templateId_, owner, &Dialog::dispatch, this);
    window_ = {};
    return result;
}

platform::Status Dialog::createModeless(platform::DialogWindow owner) {
    return modeless_.create(templateId_, owner, &Dialog::dispatch, this);
}

bool Dialog::onInitDialog() { return true; }

void Dialog::doDataExchange(DataExchange&) {}

void Dialog::onOk() {
    updateData(true);
    endDialog(platform::kIdOk);
}

void Dialog::onCancel() { endDialog(platform::kIdCancel); }

bool Dialog::onCommand(int, int) { return false; }

void Dialog::updateData(bool saving) {
    if (!window_) return;
    DataExchange exchange(window_, saving);
    doDataExchange(exchange);
}

void Dialog::endDialog(int result) { window_.endDialog(result); }

void Dialog::setBigIcon(int resourceId) {
    bigIcon_ = platform::Icon::load(resourceId, platform::Icon::Size::Large);
    window_.setBigIcon(bigIcon_);
}

void Dialog::setSmallIcon(int resourceId) {
    smallIcon_ = platform::Icon::load(resourceId, platform::Icon::Size::Small);
    window_.setSmallIcon(smallIcon_);
}

// The window procedure's way into the dialog object. Nothing may unwind through
// the system's code that called it, so an exception ends the program here.
bool Dialog::dispatch(void* owner, platform::DialogWindow window, platform::DialogEvent event, int id,
                      int notifyCode) noexcept {
    auto* dialog = static_cast<Dialog*>(owner);
    switch (event) {
    case platform::DialogEvent::Initialise:
        dialog->window_ = window;
        return dialog->onInitDialog();
    case platform::DialogEvent::Command:
        if (dialog->onCommand(id, notifyCode)) return true;
        if (id == platform::kIdOk) {
            dialog->onOk();
            return true;
        }
        if (id == platform::kIdCancel) {
            dialog->onCancel();
            return true;
        }
        return false;
    }
    return false;
}

}  // namespace tw

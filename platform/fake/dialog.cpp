// The host build has no windows: no dialog can be opened, and operations on a
// window do nothing. The dialog's behaviour is tested under Wine.
#include "platform/dialog.h"

namespace tw::platform {

struct ModelessDialog::State {};

Icon::~Icon() = default;
Icon::Icon(Icon&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
Icon& Icon::operator=(Icon&& other) noexcept {
    handle_ = other.handle_;
    other.handle_ = nullptr;
    return *this;
}
Icon Icon::load(int, Size) { return {}; }

std::string DialogWindow::title() const { return {}; }
std::string DialogWindow::itemText(int) const { return {}; }
void DialogWindow::setItemText(int, std::string_view) {}
bool DialogWindow::itemChecked(int) const { return false; }
void DialogWindow::setItemChecked(int, bool) {}
bool DialogWindow::itemEnabled(int) const { return false; }
void DialogWindow::enableItem(int, bool) {}
bool DialogWindow::itemVisible(int) const { return false; }
void DialogWindow::showItem(int, bool) {}
bool DialogWindow::hasItem(int) const { return false; }
int DialogWindow::defaultButton() const { return 0; }
void DialogWindow::setDefaultButton(int) {}
void DialogWindow::focusItem(int) {}
void DialogWindow::setBigIcon(const Icon&) {}
void DialogWindow::setSmallIcon(const Icon&) {}
void DialogWindow::endDialog(int) {}

int runModalDialog(int, DialogWindow, DialogHandler, void*, Status* lastError) {
    if (lastError != nullptr) *lastError = kErrorInvalidHandle;
    return -1;
}

ModelessDialog::ModelessDialog() = default;
ModelessDialog::~ModelessDialog() = default;
Status ModelessDialog::create(int, DialogWindow, DialogHandler, void*) { return kErrorInvalidHandle; }
void ModelessDialog::destroy() {}
DialogWindow ModelessDialog::window() const { return {}; }
bool ModelessDialog::ended() const { return false; }
int ModelessDialog::result() const { return 0; }

}  // namespace tw::platform

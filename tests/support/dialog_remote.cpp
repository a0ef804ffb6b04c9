// Drives a running tidewell.exe from outside, for scripts/screenshot:
//   dialog_remote fill NAME ADDRESS   types into the main dialog
//   dialog_remote activate TITLE      activates that window
//   dialog_remote about               opens the About box from the main dialog
//   dialog_remote close TITLE         presses Esc in the window with that title
// fill, activate and about print the window's rectangle as imagemagick crops:
// "WIDTHxHEIGHT+LEFT+TOP".
#include <cstdio>
#include <string>

#include "platform/dialog.h"
#include "platform/testing.h"
#include "ui/resource.h"

namespace {

namespace ui = tw::platform::testing;
constexpr unsigned kWaitMs = 30000;

int printRect(tw::platform::DialogWindow window) {
    if (!window) {
        std::fprintf(stderr, "dialog_remote: window not found\n");
        return 1;
    }
    const ui::ScreenRect rect = ui::windowRect(window);
    std::printf("%dx%d+%d+%d\n", rect.width, rect.height, rect.left, rect.top);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "fill" && argc == 4) {
        tw::platform::DialogWindow dialog = ui::findWindow("Quillmark", kWaitMs);
        ui::typeText(dialog, IDC_DISPLAY_NAME, argv[2]);
        ui::typeText(dialog, IDC_ADDRESS, argv[3]);
        dialog.focusItem(IDC_ADDRESS);
        return printRect(dialog);
    }
    if (command == "activate" && argc == 3) {
        tw::platform::DialogWindow window = ui::findWindow(argv[2], kWaitMs);
        ui::activate(window);
        // The pointer rests where the window appeared; the control below it
        // would be drawn hot.
        ui::endHotTracking(window);
        return printRect(window);
    }
    if (command == "about" && argc == 2) {
        ui::postClick(ui::findWindow("Quillmark", kWaitMs), IDC_ABOUT);
        return printRect(ui::findWindow("About Tidewell", kWaitMs));
    }
    if (command == "close" && argc == 3) {
        tw::platform::DialogWindow window = ui::findWindow(argv[2], kWaitMs);
        ui::pressKey(window, ui::kKeyEscape);
        return window ? 0 : 1;
    }
    std::fprintf(stderr, "usage: dialog_remote fill NAME ADDRESS | activate TITLE | about | close TITLE\n");
    return 64;
}

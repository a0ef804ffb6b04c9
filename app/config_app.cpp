#include "app/config_app.h"

#include <string>

#include "app/command_line.h"
#include "app/exit_status.h"
#include "platform/system.h"
#include "ui/config_dlg.h"

namespace tw {
namespace {

int usageError(const std::string& problem) {
    platform::writeStandardError("tidewell: " + problem + "\r\n" + usageText());
    return ExitUsage;
}

}  // namespace

int ConfigApp::initInstance(std::string_view commandLineTail) {
    const std::string commandLine = prepareCommandLine(commandLineTail);
    if (commandLine.empty()) {
        // The user drives the run and sees its result in the dialog.
        ConfigDlg dialog;
        if (dialog.doModal() < 0) {
            platform::writeStandardError("tidewell: the dialog could not be opened\r\n");
            return ExitNoDialog;
        }
        return ExitConfigured;
    }

    ConfigDlg dialog;
    const ParsedCommandLine parsed = parseCommandLine(commandLine, dialog.request());
    // An incomplete command line touches nothing and opens no log.
    if (!parsed.ok) return usageError(parsed.problem);

    if (!dialog.initialiseWindowless()) return ExitClientRunning;
    return exitStatusFor(dialog.configure());
}

}  // namespace tw

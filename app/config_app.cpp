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
    if (commandLine.empty()) return usageError("the dialog is not available in this build; give the options below");

    ConfigDlg dialog;
    const ParsedCommandLine parsed = parseCommandLine(commandLine, dialog.request());
    // An incomplete command line touches nothing and opens no log.
    if (!parsed.ok) return usageError(parsed.problem);

    if (!dialog.initialiseWindowless()) return ExitClientRunning;
    return exitStatusFor(dialog.configure());
}

}  // namespace tw

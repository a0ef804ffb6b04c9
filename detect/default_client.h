// The system's default mail client, recognised from the mailto command.
#pragma once

#include <string>
#include <string_view>

namespace tw {

// 1 Outlook Express, 2 Outlook, 3 Windows Mail, 4 Eudora, 5 Thunderbird (the
// client kind plus one), 0 when none is recognised or the command is missing.
// A command that is there but cannot be read gives 0 too; failure then gets
// a log line that says why (see readRegistryText).
int detectDefaultClient(std::string* failure = nullptr);
int classifyMailtoCommand(std::string_view command);

// "found. (Microsoft Outlook Express)", ... for codes 1 to 5; "unrecognized." otherwise.
std::string_view defaultClientLogText(int code);

}  // namespace tw

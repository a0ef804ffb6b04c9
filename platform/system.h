// Process-level services: environment, local time, processes, UUIDs, the
// command line and standard error.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace tw::platform {

std::optional<std::string> environmentVariable(std::string_view name);

std::tm localTime();

struct ProcessEntry {
    std::uint32_t id = 0;
    std::string imageName;  // the executable's file name, as Windows reports it
};

// Every process of the session, in snapshot order. An empty list when the snapshot fails.
std::vector<ProcessEntry> processSnapshot();
// The same, with the error of a snapshot that could not be taken or read to
// its end: no list is then the whole list.
Status processSnapshot(std::vector<ProcessEntry>& processes);

// Opens the process with the terminate right only (no inheritance), terminates it
// with the given exit code and closes the handle.
Status terminateProcess(std::uint32_t processId, std::uint32_t exitCode);

// Starts a program without waiting. The application name is used as the image to run
// and the command line is passed as it stands (quote the program name in it).
Status startProcess(const std::string& applicationName, const std::string& commandLine);

// Starts a command line, waits for it to end and gives its exit code.
Status runProcess(const std::string& commandLine, std::uint32_t& exitCode);

// A new random UUID as text, lower case, 36 characters; empty when none
// could be made.
std::string newUuidText();
// The same, with the error of the call that failed (UuidCreate, UuidToString).
Status newUuidText(std::string& text);

// The command line that follows the program name.
std::string commandLineTail();

// Writes the text to standard error, or to the parent's console when standard
// error goes nowhere. Best effort.
void writeStandardError(std::string_view text);
// The same for standard output.
void writeStandardOutput(std::string_view text);

}  // namespace tw::platform

// The session log: one plain-text file per user that every run appends to.
// Each line is written to the file, CR LF ended, as soon as it is complete, so
// an abrupt stop leaves every finished line behind. When the file cannot be
// opened every write is dropped and the run goes on.
#pragma once

#include <concepts>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace tw {

class SessionLog {
public:
    // Opens the file for appending, shared with other processes.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return file_.isOpen(); }

    SessionLog& operator<<(std::string_view text);
    SessionLog& operator<<(const std::string& text) { return *this << std::string_view(text); }
    SessionLog& operator<<(const char* text) { return *this << std::string_view(text); }
    SessionLog& operator<<(char c) { return *this << std::string_view(&c, 1); }
    template <std::integral Number>
        requires(!std::same_as<Number, char> && !std::same_as<Number, bool>)
    SessionLog& operator<<(Number number) {
        return *this << std::string_view(std::to_string(number));
    }

    // Ends the current line and writes it out.
    SessionLog& endLine();
    // Ends the current line and adds an empty one.
    SessionLog& endLineBlank();
    // A whole line, ended.
    SessionLog& line(std::string_view text) { return (*this << text).endLine(); }
    // A whole line, ended, followed by an empty line.
    SessionLog& lineBlank(std::string_view text) { return (*this << text).endLineBlank(); }

private:
    void flushPending();

    platform::AppendFile file_;
    std::string pending_;
};

// The local time as "%H:%M:%S on %m/%d/%y".
std::string timeStamp();

// "<folder>\Tidewell.log" in the application-data folder; empty when there is no folder.
std::string logPath();

// Opens the log and writes the banner; commandLine selects the windowless banner.
void openSessionLog(SessionLog& log, bool commandLine);

// Writes the names of the subkeys below a key of HKEY_CURRENT_USER, recursively,
// indented three spaces per depth level.
void dumpRegistryTree(std::string_view keyPath, int depth, SessionLog& log);

}  // namespace tw

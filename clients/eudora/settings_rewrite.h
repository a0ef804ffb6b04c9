// The new Eudora.ini: the old file's bytes with some lines replaced and new
// lines inserted, built by one of the writer's three courses. Every byte the
// courses do not touch is copied as it stands, line ends included.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "clients/eudora/account_lines.h"
#include "clients/eudora/settings_file.h"
#include "platform/files.h"

namespace tw::eudora {

class Rewrite {
public:
    explicit Rewrite(std::string_view file) : file_(file) {}

    // Lines (each CR LF ended) in place of a line and its end.
    void replace(const Line& line, std::string lines);
    // Lines (each CR LF ended) at an offset that starts a line or ends the
    // file. After a last line without an end, a CR LF is put in first.
    void insert(std::size_t at, std::string lines);

    // Writes the new file; the first failure of a write, or kSuccess.
    platform::Status writeTo(platform::NewFile& out) const;

private:
    struct Edit {
        std::size_t begin;
        std::size_t end;
        std::string lines;
    };

    std::string_view file_;
    std::vector<Edit> edits_;  // in the order they were made
};

// Resets the keys of one section: each line that a replacement test matches
// gives way to the account's line for that key. When no line matched, the
// dominant set is added at the end of the section; otherwise "ReturnAddress=",
// "IMAPPort=" and "SMTPPort=" are added there unless a line already gave them. The end of a
// section is after its last non-blank line, so blank lines before the next
// header stay where they are. Header lines are never replaced.
void resetSection(std::string_view file, const Section& section, const AccountValues& values, Rewrite& out);

// The dominant course: the account goes into "[Settings]" wherever that
// section stands. A file without one gains it, with the dominant set, ahead
// of its first section, so the lines before any header (which belong to no
// section) never become part of it.
void writeDominantPersonality(std::string_view file, const AccountValues& values, Rewrite& out);

// The new-personality course: "Persona<highest + 1>=Persona-<address>" after
// the last Persona line of "[Personalities]", and the personality's section
// at the end of that section, so the list's other lines stay in it. A file
// without the list gains it, with the section, at its end.
void addPersonality(std::string_view file, const AccountValues& values, Rewrite& out);

}  // namespace tw::eudora

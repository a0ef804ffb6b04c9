// Eudora.ini as text: its lines with the ends they have, its sections, and
// what the writer learns from it before rewriting it.
//
// Eudora keeps its settings in sections: a header line "[Name]" and then
// "Key=Value" lines. The section "[Settings]" holds the dominant personality
// (the first account) among the program's global settings; further accounts
// have sections "[Persona-<name>]", each listed as "PersonaN=Persona-<name>"
// under "[Personalities]". A header is recognised the way Windows' own
// settings-file functions read one: blanks around it do not count.
//
// The text is never parsed as a whole: each question is one pass over it,
// and answers are offsets into it, so the writer can copy every line it does
// not own byte for byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tw::eudora {

inline constexpr std::string_view kSettingsHeader = "[Settings]";
inline constexpr std::string_view kPersonalitiesHeader = "[Personalities]";

// One line of the file: its text without the end, and the end as it stands:
// "\r\n", "\n", a lone "\r", or nothing for a last line without one.
struct Line {
    std::string_view text;
    std::string_view end;
    std::size_t begin = 0;  // where the line starts in the file

    std::size_t next() const { return begin + text.size() + end.size(); }
};

// Reads the lines of a file one after another, from an offset that starts a
// line. An empty file, or an offset at its end, has no lines.
class LineReader {
public:
    explicit LineReader(std::string_view file, std::size_t from = 0) : file_(file), position_(from) {}
    bool next(Line& line);

private:
    std::string_view file_;
    std::size_t position_;
};

// The text without the spaces and tabs around it.
std::string_view trimmed(std::string_view text);
bool isBlank(std::string_view text);
bool isHeader(std::string_view text);

// Where a section stands in the file, as offsets.
struct Section {
    std::size_t header = 0;        // the start of its header line
    std::size_t contentBegin = 0;  // just after the header line
    std::size_t contentEnd = 0;    // just after its last non-blank line; contentBegin when it has none
    std::size_t end = 0;           // the start of the next header line, or the end of the file
};

// The section whose header line starts at the offset.
Section sectionAt(std::string_view file, std::size_t headerOffset);

// The first section with this header, which is the one Eudora reads.
std::optional<Section> findSection(std::string_view file, std::string_view header);

// The start of the first header line; the end of the file when there is none.
std::size_t firstHeaderOffset(std::string_view file);

struct FoundAccount {
    bool found = false;
    std::string_view header;    // the header line of the section holding the address
    std::size_t headerOffset = 0;
};

// The first section with a "ReturnAddress" line whose value is the address,
// compared without regard to letter case in the ANSI code page. The value is
// what follows the 14 characters of "ReturnAddress=", blanks around it
// ignored. Lines before the first header belong to no personality and are
// not searched.
FoundAccount findAccountByReturnAddress(std::string_view file, std::string_view address);

// True when the dominant personality holds an account: its section has a line
// with "RealName" or "ReturnAddress" other than the bare keys "RealName=" and
// "ReturnAddress=", and not both of those bare keys.
bool settingsInUse(std::string_view file);

// The personalities listed in the first "[Personalities]" section.
struct PersonaList {
    // -2 without a "[Personalities]" section, -1 when it lists no
    // personality, else the highest number listed in any such section.
    long long lastNumber = -2;
    std::optional<Section> section;
    std::size_t afterLastPersona = 0;  // just after its last Persona line, or its header
};

PersonaList readPersonaList(std::string_view file);

// The number a new personality's line builds on: readPersonaList's lastNumber.
// Taking the highest rather than the last keeps an out-of-order list
// (Persona0, Persona2, Persona1) from gaining a second "Persona2=".
long long lastPersonaNumber(std::string_view file);

}  // namespace tw::eudora

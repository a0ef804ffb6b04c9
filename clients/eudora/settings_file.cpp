#include "clients/eudora/settings_file.h"

#include <algorithm>

#include "platform/text.h"

namespace tw::eudora {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

constexpr std::string_view kReturnAddressKey = "ReturnAddress";
constexpr std::size_t kReturnAddressKeyLength = 14;  // "ReturnAddress=", the value follows

// "Persona" followed by a digit, as the lines of the personality list begin.
bool isPersonaLine(std::string_view text) {
    constexpr std::string_view kPersona = "Persona";
    const std::string_view line = trimmed(text);
    return line.starts_with(kPersona) && line.size() > kPersona.size() && line[kPersona.size()] >= '0' &&
           line[kPersona.size()] <= '9';
}

// The number of a Persona line: the digits after "Persona". Absurdly long
// numbers are capped rather than overflowing.
long long personaNumber(std::string_view text) {
    constexpr long long kCap = 1'000'000'000'000LL;
    long long number = 0;
    for (char c : trimmed(text).substr(7)) {
        if (c < '0' || c > '9') break;
        number = std::min(number * 10 + (c - '0'), kCap);
    }
    return number;
}

}  // namespace

bool LineReader::next(Line& line) {
    if (position_ >= file_.size()) return false;
    const std::size_t stop = file_.find_first_of("\r\n", position_);
    const std::size_t textEnd = stop == std::string_view::npos ? file_.size() : stop;
    std::size_t endLength = 0;
    if (stop != std::string_view::npos) {
        endLength = file_[stop] == '\r' && stop + 1 < file_.size() && file_[stop + 1] == '\n' ? 2 : 1;
    }
    line.begin = position_;
    line.text = file_.substr(position_, textEnd - position_);
    line.end = file_.substr(textEnd, endLength);
    position_ = textEnd + endLength;
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool isBlank(std::string_view text) { return trimmed(text).empty(); }

bool isHeader(std::string_view text) { return trimmed(text).starts_with('['); }

Section sectionAt(std::string_view file, std::size_t headerOffset) {
    Section section;
    section.header = headerOffset;
    section.end = file.size();
    LineReader reader(file, headerOffset);
    Line line;
    section.contentBegin = reader.next(line) ? line.next() : file.size();
    section.contentEnd = section.contentBegin;
    while (reader.next(line)) {
        if (isHeader(line.text)) {
            section.end = line.begin;
            break;
        }
        if (!isBlank(line.text)) section.contentEnd = line.next();
    }
    return section;
}

std::optional<Section> findSection(std::string_view file, std::string_view header) {
    LineReader reader(file);
    for (Line line; reader.next(line);) {
        if (isHeader(line.text) && trimmed(line.text) == header) return sectionAt(file, line.begin);
    }
    return std::nullopt;
}

std::size_t firstHeaderOffset(std::string_view file) {
    LineReader reader(file);
    for (Line line; reader.next(line);) {
        if (isHeader(line.text)) return line.begin;
    }
    return file.size();
}

FoundAccount findAccountByReturnAddress(std::string_view file, std::string_view address) {
    FoundAccount result;
    bool inSection = false;
    LineReader reader(file);
    for (Line line; reader.next(line);) {
        if (isHeader(line.text)) {
            inSection = true;
            result.header = line.text;
            result.headerOffset = line.begin;
            continue;
        }
        const auto key = line.text.find(kReturnAddressKey);
        if (!inSection || key == std::string_view::npos) continue;
        const std::size_t valueStart = std::min(key + kReturnAddressKeyLength, line.text.size());
        if (platform::equalIgnoringCaseAnsi(trimmed(line.text.substr(valueStart)), address)) {
            result.found = true;
            return result;
        }
    }
    return FoundAccount{};
}

bool settingsInUse(std::string_view file) {
    const auto settings = findSection(file, kSettingsHeader);
    if (!settings) return false;
    int empty = 0;
    int filled = 0;
    LineReader reader(file, settings->contentBegin);
    for (Line line; reader.next(line) && line.begin < settings->end;) {
        const std::string_view text = trimmed(line.text);
        if (text == "RealName=" || text == "ReturnAddress=") {
            ++empty;
        } else if (text.find("RealName") != std::string_view::npos ||
                   text.find(kReturnAddressKey) != std::string_view::npos) {
            ++filled;
        }
    }
    return empty != 2 && filled > 0;
}

PersonaList readPersonaList(std::string_view file) {
    PersonaList list;
    bool inList = false;       // within any "[Personalities]" section
    bool inFirstList = false;  // within the first one
    bool listed = false;
    LineReader reader(file);
    for (Line line; reader.next(line);) {
        if (isHeader(line.text)) {
            inList = trimmed(line.text) == kPersonalitiesHeader;
            inFirstList = inList && !list.section;
            if (inFirstList) {
                list.section = sectionAt(file, line.begin);
                list.afterLastPersona = list.section->contentBegin;
            }
            continue;
        }
        if (!inList || !isPersonaLine(line.text)) continue;
        const long long number = personaNumber(line.text);
        list.lastNumber = listed ? std::max(list.lastNumber, number) : number;
        listed = true;
        if (inFirstList) list.afterLastPersona = line.next();
    }
    if (list.section && !listed) list.lastNumber = -1;
    return list;
}

long long lastPersonaNumber(std::string_view file) { return readPersonaList(file).lastNumber; }

}  // namespace tw::eudora

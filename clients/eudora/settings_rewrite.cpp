#include "clients/eudora/settings_rewrite.h"

#include <algorithm>
#include <bitset>
#include <utility>

namespace tw::eudora {

void Rewrite::replace(const Line& line, std::string lines) {
    edits_.push_back({line.begin, line.next(), std::move(lines)});
}

void Rewrite::insert(std::size_t at, std::string lines) { edits_.push_back({at, at, std::move(lines)}); }

platform::Status Rewrite::writeTo(platform::NewFile& out) const {
    std::vector<const Edit*> ordered;
    ordered.reserve(edits_.size());
    for (const Edit& edit : edits_) ordered.push_back(&edit);
    // Insertions at the same place keep the order they were made in.
    std::stable_sort(ordered.begin(), ordered.end(), [](const Edit* a, const Edit* b) { return a->begin < b->begin; });

    std::size_t copied = 0;
    bool atLineStart = true;
    const auto put = [&](std::string_view bytes) {
        if (bytes.empty()) return platform::kSuccess;
        atLineStart = bytes.back() == '\n' || bytes.back() == '\r';
        return out.write(bytes);
    };
    platform::Status rc = platform::kSuccess;
    for (const Edit* edit : ordered) {
        if (rc == platform::kSuccess) rc = put(file_.substr(copied, edit->begin - copied));
        // A last line without an end gets one before anything follows it.
        if (rc == platform::kSuccess && !atLineStart) rc = put(kLineEnd);
        if (rc == platform::kSuccess) rc = put(edit->lines);
        copied = edit->end;
    }
    if (rc == platform::kSuccess) rc = put(file_.substr(copied));
    return rc;
}

namespace {

std::size_t bit(Key key) { return static_cast<std::size_t>(key); }

// The key of a line: its text up to and with the first "=", or the whole line
// without one. The replacement tests look there only. A value that merely
// mentions a key ("RealName=Ann UsesPOP Fan", as the account's own RealName
// line does when the display name names a key) is no line of that key:
// replacing it as one would add a line of that key on every reset.
std::string_view keyOf(std::string_view text) {
    const auto equals = text.find('=');
    return equals == std::string_view::npos ? text : text.substr(0, equals + 1);
}

}  // namespace

void resetSection(std::string_view file, const Section& section, const AccountValues& values, Rewrite& out) {
    bool touched = false;
    std::bitset<kKeyCount> written;
    LineReader reader(file, section.contentBegin);
    for (Line line; reader.next(line) && line.begin < section.end;) {
        const std::string_view key = keyOf(line.text);
        std::string lines;
        for (const ReplacementTest& test : kReplacementTests) {
            if (key.find(test.contains) == std::string_view::npos) continue;
            written.set(bit(test.writes));
            lines.append(keyLine(test.writes, values)).append(kLineEnd);
        }
        if (lines.empty()) continue;
        touched = true;
        out.replace(line, std::move(lines));
    }
    std::string added;
    if (!touched) {
        added = dominantSet(values);
    } else {
        // Without its return address the section is no account of this
        // address (nor found again by it), whatever else it was given.
        for (const Key key : {Key::ReturnAddress, Key::IMAPPort, Key::SMTPPort}) {
            if (!written.test(bit(key))) added.append(keyLine(key, values)).append(kLineEnd);
        }
    }
    if (!added.empty()) out.insert(section.contentEnd, std::move(added));
}

void writeDominantPersonality(std::string_view file, const AccountValues& values, Rewrite& out) {
    if (const auto settings = findSection(file, kSettingsHeader)) {
        resetSection(file, *settings, values, out);
        return;
    }
    std::string section(kSettingsHeader);
    section.append(kLineEnd).append(dominantSet(values));
    out.insert(firstHeaderOffset(file), std::move(section));
}

void addPersonality(std::string_view file, const AccountValues& values, Rewrite& out) {
    const PersonaList list = readPersonaList(file);
    if (list.section) {
        out.insert(list.afterLastPersona, personaListLine(std::max(list.lastNumber, -1LL) + 1, values));
        out.insert(list.section->contentEnd, personalitySection(values));
        return;
    }
    std::string added(kPersonalitiesHeader);
    added.append(kLineEnd).append(personaListLine(0, values)).append(personalitySection(values));
    out.insert(file.size(), std::move(added));
}

}  // namespace tw::eudora

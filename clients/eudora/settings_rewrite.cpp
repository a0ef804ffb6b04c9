#include "clients/eudora/settings_rewrite.h"

#include <algorithm>
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

void resetSection(std::string_view file, const Section& section, const AccountValues& values, Rewrite& out) {
    bool touched = false;
    bool imapPortWritten = false;
    bool smtpPortWritten = false;
    LineReader reader(file, section.contentBegin);
    for (Line line; reader.next(line) && line.begin < section.end;) {
        std::string lines;
        for (const ReplacementTest& test : kReplacementTests) {
            if (line.text.find(test.contains) == std::string_view::npos) continue;
            lines.append(keyLine(test.writes, values)).append(kLineEnd);
            imapPortWritten = imapPortWritten || test.writes == Key::IMAPPort;
            smtpPortWritten = smtpPortWritten || test.writes == Key::SMTPPort;
        }
        if (lines.empty()) continue;
        touched = true;
        out.replace(line, std::move(lines));
    }
    std::string added;
    if (!touched) {
        added = dominantSet(values);
    } else {
        if (!imapPortWritten) added.append(keyLine(Key::IMAPPort, values)).append(kLineEnd);
        if (!smtpPortWritten) added.append(keyLine(Key::SMTPPort, values)).append(kLineEnd);
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

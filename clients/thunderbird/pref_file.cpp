#include "clients/thunderbird/pref_file.h"

#include <algorithm>

namespace tw::thunderbird {

bool LineReader::next(std::string_view& line) {
    if (position_ >= text_.size()) return false;
    std::size_t end = text_.find_first_of("\r\n", position_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(position_, end - position_);
    position_ = end;
    if (position_ < text_.size() && text_[position_++] == '\r' && position_ < text_.size() &&
        text_[position_] == '\n') {
        ++position_;
    }
    return true;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    LineReader reader(text);
    for (std::string_view line; reader.next(line);) lines.push_back(line);
    return lines;
}

std::string escapePrefString(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '"': escaped += "\\\""; break;
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string encodeUriUserName(std::string_view text) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*' ||
                           c == '-' || c == '.' || c == '_';
        if (plain) {
            encoded += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        encoded += '%';
        encoded += kHex[byte >> 4];
        encoded += kHex[byte & 0x0F];
    }
    return encoded;
}

std::string decodeUri(std::string_view text) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

long long leadingNumber(std::string_view text) {
    constexpr long long kCap = 1'000'000'000'000LL;
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
        if (number > kCap) number = kCap;
    }
    return number;
}

void PrefsOutput::write(std::string_view bytes) {
    if (status_ == platform::kSuccess) status_ = file_.write(bytes);
}

void PrefsOutput::flush() {
    write(gathered_);
    gathered_.clear();
}

void PrefsOutput::append(std::string_view bytes) {
    if (gathered_.size() + bytes.size() <= kGather) {
        if (gathered_.capacity() < kGather) gathered_.reserve(kGather);
        gathered_ += bytes;
        return;
    }
    flush();
    if (bytes.size() >= kGather) {
        write(bytes);
    } else {
        gathered_ += bytes;
    }
}

platform::Status PrefsOutput::finish() {
    flush();
    if (status_ == platform::kSuccess) status_ = file_.finish();
    return status_;
}

void PrefsEdits::replace(const PrefsDocument::Entry& entry, std::string statement) {
    edits_.push_back({entry.begin, entry.end, std::move(statement), edits_.size()});
}

bool PrefsEdits::replaceAll(std::string_view key, const std::string& statement) {
    bool replaced = false;
    for (const auto& entry : document_.entries()) {
        if (!entry.user || document_.key(entry) != key) continue;
        replace(entry, statement);
        replaced = true;
    }
    return replaced;
}

void PrefsEdits::insert(std::size_t place, std::string_view line) {
    std::string text;
    // The first line put at the end of a last line without a line end starts
    // a line of its own.
    const bool first = std::none_of(edits_.begin(), edits_.end(),
                                    [place](const Edit& edit) { return edit.begin == place && edit.end == place; });
    if (first && document_.needsLineBreak(place)) text = "\r\n";
    text.append(line).append("\r\n");
    edits_.push_back({place, place, std::move(text), edits_.size()});
}

namespace {

// Copies the source's bytes from `from` up to `to` (or its end), moving its
// window on as it goes; bytes before `from` that it has not reached yet are
// read and passed over.
void copy(PrefsSource& source, std::size_t from, std::size_t to, PrefsOutput& out) {
    for (;;) {
        const std::size_t windowEnd = source.base() + source.window().size();
        if (from < windowEnd) {
            const std::size_t until = std::min(to, windowEnd);
            out.append(source.window().substr(from - source.base(), until - from));
            from = until;
        }
        if (from >= to || !source.more(std::min(from, windowEnd))) return;
    }
}

}  // namespace

void PrefsEdits::write(PrefsSource& source, PrefsOutput& out) const {
    std::vector<const Edit*> ordered;
    ordered.reserve(edits_.size());
    for (const auto& edit : edits_) ordered.push_back(&edit);
    // In text order; at one place the insertions come before a statement
    // replaced there, each kind in the order it was made.
    std::sort(ordered.begin(), ordered.end(), [](const Edit* a, const Edit* b) {
        if (a->begin != b->begin) return a->begin < b->begin;
        const bool aInserts = a->begin == a->end;
        const bool bInserts = b->begin == b->end;
        if (aInserts != bInserts) return aInserts;
        return a->order < b->order;
    });
    source.rewind();
    std::size_t copied = 0;
    for (const Edit* edit : ordered) {
        if (edit->begin < copied) continue;  // a statement already replaced
        copy(source, copied, edit->begin, out);
        out.append(edit->text);
        copied = edit->end;
    }
    copy(source, copied, std::string_view::npos, out);
}

}  // namespace tw::thunderbird

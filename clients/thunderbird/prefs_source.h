// The bytes of a prefs.js as the writer reads them: the whole text when it is
// in memory already, or a window that moves through the file. A profile's
// prefs.js can run to tens of megabytes; read through one small buffer that
// is used again and again, it costs the program next to no memory, where
// holding it whole would cost more time than all the rest of the work.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/files.h"

namespace tw::thunderbird {

class PrefsSource {
public:
    // A text in memory, which must outlive the source.
    explicit PrefsSource(std::string_view text) : window_(text) {}
    // A file open for reading, which must outlive the source, read in pieces
    // of the given size (larger ones where a single string or comment needs).
    explicit PrefsSource(platform::FileReader& file, std::size_t piece = kPiece);

    PrefsSource(const PrefsSource&) = delete;
    PrefsSource& operator=(const PrefsSource&) = delete;

    // The bytes at hand: from position base() of the text on.
    std::string_view window() const { return window_; }
    std::size_t base() const { return base_; }

    // Moves the window on: the bytes from keepFrom (at or after base()) stay,
    // and the file's next bytes follow them. False at the end of the text,
    // and when reading fails (see status).
    bool more(std::size_t keepFrom);

    // Back to the start of the text.
    void rewind();

    // The first failure to read, or kSuccess.
    platform::Status status() const { return status_; }

    static constexpr std::size_t kPiece = 256 * 1024;

private:
    void fill();

    platform::FileReader* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::string_view window_;
    std::size_t base_ = 0;
    bool ended_ = true;
    platform::Status status_ = platform::kSuccess;
};

}  // namespace tw::thunderbird

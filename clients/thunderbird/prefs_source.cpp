#include "clients/thunderbird/prefs_source.h"

#include <cstring>

namespace tw::thunderbird {
namespace {

// Positions in the text are 32-bit numbers: a longer file is not read on
// (Windows' ERROR_FILE_TOO_LARGE), where they would wrap round.
constexpr std::size_t kLongestText = 0xFFFFFFF0u;
constexpr platform::Status kErrorFileTooLarge = 223;

}  // namespace

PrefsSource::PrefsSource(platform::FileReader& file, std::size_t piece)
    : file_(&file), buffer_(new char[piece]), capacity_(piece), ended_(false) {
    fill();
}

// Reads after the bytes the window holds, as many as fit.
void PrefsSource::fill() {
    std::size_t size = window_.size();
    std::size_t room = capacity_ - size;
    if (base_ + size + room > kLongestText) room = kLongestText - base_ - size;
    std::size_t got = 0;
    if (status_ == platform::kSuccess && room == 0) status_ = kErrorFileTooLarge;
    if (status_ == platform::kSuccess) status_ = file_->read(buffer_.get() + size, room, got);
    if (got == 0) ended_ = true;
    window_ = std::string_view(buffer_.get(), size + got);
}

bool PrefsSource::more(std::size_t keepFrom) {
    if (ended_) return false;
    const std::size_t kept = window_.size() - (keepFrom - base_);
    if (kept == capacity_) {
        // One piece of text (a long string or comment) fills the buffer: a
        // larger one takes it whole.
        std::unique_ptr<char[]> larger(new char[capacity_ * 2]);
        std::memcpy(larger.get(), window_.data(), kept);
        buffer_ = std::move(larger);
        capacity_ *= 2;
    } else if (kept > 0) {
        std::memmove(buffer_.get(), window_.data() + (window_.size() - kept), kept);
    }
    base_ = keepFrom;
    window_ = std::string_view(buffer_.get(), kept);
    const std::size_t before = window_.size();
    fill();
    return window_.size() > before;
}

void PrefsSource::rewind() {
    base_ = 0;
    if (file_ == nullptr) return;
    if (status_ == platform::kSuccess) status_ = file_->rewind();
    ended_ = false;
    window_ = std::string_view(buffer_.get(), 0);
    fill();
}

}  // namespace tw::thunderbird

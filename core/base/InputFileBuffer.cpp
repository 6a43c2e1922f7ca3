#include "core/base/InputFileBuffer.h"

#include "core/base/InputFile.h"

#include <algorithm>

InputFileBuffer::InputFileBuffer(InputFile& file, std::uint64_t length) : file_(file), length_(length) {
    setg(nullptr, nullptr, nullptr);
}

InputFileBuffer::int_type InputFileBuffer::underflow() {
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    const std::uint64_t at = position();
    if (at >= length_)
        return traits_type::eof();
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(jumped_ ? kReadAfterSeek : kBufferSize, length_ - at));
    jumped_ = false;
    start_ = at;
    if (!file_.ReadAt(at, count, buffer_) || buffer_.empty()) {
        setg(nullptr, nullptr, nullptr);
        return traits_type::eof();
    }
    setg(buffer_.data(), buffer_.data(), buffer_.data() + buffer_.size());
    return traits_type::to_int_type(*gptr());
}

InputFileBuffer::pos_type InputFileBuffer::seekoff(off_type offset, std::ios_base::seekdir dir,
                                                   std::ios_base::openmode which) {
    if (!(which & std::ios_base::in))
        return pos_type(off_type(-1));
    off_type base = 0;
    if (dir == std::ios_base::cur)
        base = static_cast<off_type>(position());
    else if (dir == std::ios_base::end)
        base = static_cast<off_type>(length_);
    return seekpos(pos_type(base + offset), which);
}

InputFileBuffer::pos_type InputFileBuffer::seekpos(pos_type position, std::ios_base::openmode which) {
    const off_type target = off_type(position);
    if (!(which & std::ios_base::in) || target < 0 || static_cast<std::uint64_t>(target) > length_)
        return pos_type(off_type(-1));
    const auto at = static_cast<std::uint64_t>(target);
    // Within what the buffer holds the bytes are reused; elsewhere the next read fetches them.
    if (eback() && at >= start_ && at < start_ + buffer_.size()) {
        setg(eback(), eback() + (at - start_), egptr());
    } else {
        buffer_.clear();
        start_ = at;
        jumped_ = true;
        setg(nullptr, nullptr, nullptr);
    }
    return position;
}

std::streamsize InputFileBuffer::showmanyc() {
    const std::uint64_t at = position();
    return at >= length_ ? -1
                         : static_cast<std::streamsize>(std::min<std::uint64_t>(length_ - at, kBufferSize));
}

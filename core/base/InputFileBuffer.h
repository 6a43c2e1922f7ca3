#pragma once

#include <cstdint>
#include <streambuf>
#include <string>

class InputFile;

// The first `length` bytes of an open InputFile as a seekable input stream, read through one fixed buffer:
// a reader that walks a file of gigabytes holds only this buffer and what it keeps of its own. A read that
// fails ends the stream there; the file's failure() then says why.
class InputFileBuffer final : public std::streambuf {
public:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    // What is read after a jump: a reader that passes over most of the file wants a few bytes at each stop.
    static constexpr std::size_t kReadAfterSeek = 512;

    InputFileBuffer(InputFile& file, std::uint64_t length);

protected:
    int_type underflow() override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;
    std::streamsize showmanyc() override;

private:
    // The stream's place in the file, also while no bytes are buffered (all three pointers null).
    std::uint64_t position() const { return start_ + static_cast<std::uint64_t>(gptr() - eback()); }

    InputFile& file_;
    std::uint64_t length_;
    std::uint64_t start_ = 0; // file offset of the buffer's first byte
    bool jumped_ = false;     // the stream was moved out of the buffer since the last read
    std::string buffer_;
};

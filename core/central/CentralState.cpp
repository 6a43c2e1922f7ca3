#include "core/central/CentralState.h"

#include "core/base/AtomicFile.h"
#include "core/base/InputFile.h"

#include <charconv>
#include <cstring>
#include <ios>
#include <optional>
#include <sstream>

namespace {
std::string pathIn(const std::string& directory) {
    return (directory.empty() ? std::string(".") : directory) + "/" + CentralState::kFileName;
}
} // namespace

namespace {
// Reads the blank-separated numbers of one line; false when one is missing or no number.
template <typename... T> bool readNumbers(const char*& at, const char* end, T&... numbers) {
    auto one = [&](auto& number) {
        while (at < end && *at == ' ')
            ++at;
        const auto [next, failure] = std::from_chars(at, end, number);
        at = next;
        return failure == std::errc();
    };
    return (one(numbers) && ...);
}
} // namespace

void CentralState::Load(const std::string& directory, const std::string& storeId) {
    agreed_.clear();
    comments_.clear();
    storeId_ = storeId;
    changed_ = true;
    // Whatever stands there (a FIFO, a huge file) must not hold the synchronisation: without a readable
    // file everything is compared.
    const std::optional<std::string> read = InputFile::Read(pathIn(directory), kMaxFileSize);
    if (!read)
        return;
    const std::string& text = *read;
    const std::string header = "store " + storeId + "\n";
    if (!text.starts_with(header))
        return;
    changed_ = false;
    // A machine per line; a line starting with "c" holds a record's comment. The sum of comment versions
    // ends a machine's line; a file written before comments had versions lacks it: compared again.
    const char* at = text.data() + header.size();
    const char* const end = text.data() + text.size();
    while (at < end) {
        const char* lineEnd =
            static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        if (!lineEnd)
            lineEnd = end;
        std::uint32_t serial = 0;
        if (*at == 'c') {
            ++at;
            std::int64_t time = 0;
            AgreedComment c;
            if (readNumbers(at, lineEnd, serial, time, c.version, c.digest))
                comments_[{serial, time}] = c;
        } else {
            Agreed a;
            if (!readNumbers(at, lineEnd, serial, a.version, a.digest, a.file.device, a.file.inode,
                             a.file.size, a.file.modifiedSeconds, a.file.modifiedNanoseconds, a.count))
                break;
            if (!readNumbers(at, lineEnd, a.comments))
                a.count = 0;
            agreed_[serial] = a;
        }
        at = lineEnd + 1;
    }
}

bool CentralState::Save(const std::string& directory) {
    if (!changed_)
        return true;
    std::ostringstream out;
    out << "store " << storeId_ << '\n';
    for (const auto& [serial, a] : agreed_)
        out << serial << ' ' << a.version << ' ' << a.digest << ' ' << a.file.device << ' ' << a.file.inode
            << ' ' << a.file.size << ' ' << a.file.modifiedSeconds << ' ' << a.file.modifiedNanoseconds << ' '
            << a.count << ' ' << a.comments << '\n';
    for (const auto& [key, c] : comments_)
        out << "c " << key.first << ' ' << key.second << ' ' << c.version << ' ' << c.digest << '\n';
    try {
        AtomicFile::write(pathIn(directory), out.str());
        changed_ = false;
        return true;
    } catch (const std::ios_base::failure& failure) {
        error_ = failure.what();
        return false;
    }
}

const CentralState::Agreed* CentralState::Find(std::uint32_t serial) const {
    const auto found = agreed_.find(serial);
    return found == agreed_.end() ? nullptr : &found->second;
}

const CentralState::AgreedComment* CentralState::FindComment(std::uint32_t serial, std::int64_t time) const {
    const auto found = comments_.find({serial, time});
    return found == comments_.end() ? nullptr : &found->second;
}

std::uint64_t CentralState::Digest(const std::string& comment) {
    return Digest(comment, {}, {});
}

std::uint64_t CentralState::Digest(const std::string& name, const std::string& firstName,
                                   const std::string& address) {
    // FNV-1a over the three texts, each closed by a byte no text holds.
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::string* text : {&name, &firstName, &address}) {
        for (unsigned char c : *text)
            hash = (hash ^ c) * 1099511628211ull;
        hash = (hash ^ 0x100u) * 1099511628211ull;
    }
    return hash;
}

#include "core/central/CentralState.h"

#include "core/base/AtomicFile.h"

#include <fstream>
#include <ios>
#include <sstream>

namespace {
std::string pathIn(const std::string& directory) {
    return (directory.empty() ? std::string(".") : directory) + "/" + CentralState::kFileName;
}
} // namespace

void CentralState::Load(const std::string& directory, const std::string& storeId) {
    agreed_.clear();
    storeId_ = storeId;
    changed_ = true;
    std::ifstream in(pathIn(directory));
    std::string line;
    if (!std::getline(in, line) || line != "store " + storeId)
        return;
    changed_ = false;
    std::uint32_t serial = 0;
    Agreed a;
    while (in >> serial >> a.version >> a.digest >> a.file.device >> a.file.inode >> a.file.size >>
           a.file.modifiedSeconds >> a.file.modifiedNanoseconds >> a.count)
        agreed_[serial] = a;
}

bool CentralState::Save(const std::string& directory) {
    if (!changed_)
        return true;
    std::ostringstream out;
    out << "store " << storeId_ << '\n';
    for (const auto& [serial, a] : agreed_)
        out << serial << ' ' << a.version << ' ' << a.digest << ' ' << a.file.device << ' ' << a.file.inode
            << ' ' << a.file.size << ' ' << a.file.modifiedSeconds << ' ' << a.file.modifiedNanoseconds << ' '
            << a.count << '\n';
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

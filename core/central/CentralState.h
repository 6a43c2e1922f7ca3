#pragma once

#include <cstdint>
#include <map>
#include <string>

// What this folder last agreed with the central store about each machine's owner data: the store's
// version then and a digest of the owner data as they were. It tells an edit made here (the digest no
// longer matches) from one made elsewhere (the store's version moved on). Records need no state: their sets
// are compared each time. A missing or damaged file only means "never agreed": the next synchronisation
// asks the dealer where the two differ.
class CentralState {
public:
    static constexpr const char* kFileName = "central-store.state";
    struct Agreed {
        std::int64_t version = 0;
        std::uint64_t digest = 0;
    };

    void Load(const std::string& directory);
    // Atomic; false with error() when it cannot be written.
    bool Save(const std::string& directory);
    const std::string& error() const { return error_; }

    const Agreed* Find(std::uint32_t serial) const;
    void Set(std::uint32_t serial, Agreed agreed) { agreed_[serial] = agreed; }

    static std::uint64_t Digest(const std::string& name, const std::string& firstName,
                                const std::string& address);

private:
    std::map<std::uint32_t, Agreed> agreed_;
    std::string error_;
};

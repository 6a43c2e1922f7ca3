#pragma once

#include "core/base/FileStamp.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

// What this folder last agreed with the central store about each machine's owner data and each record's
// comment: the store's version then and a digest of the text as it was. It tells an edit made here (the
// digest no longer matches) from one made elsewhere (the store's version moved on). Record sets need no
// state: they are compared each time, except that a machine whose file is as it was after the last
// synchronisation, and whose record count and sum of comment versions in the store are those agreed then,
// is known to match without being read (records are never deleted and versions only grow). A missing or
// damaged file, or one written for another store, only means "never agreed": everything is compared.
class CentralState {
public:
    static constexpr const char* kFileName = "central-store.state";
    // Far more than a million machines with their comments take; a longer file is not this one.
    static constexpr std::uint64_t kMaxFileSize = std::uint64_t{1} << 30;
    struct Agreed {
        std::int64_t version = 0; // owner data
        std::uint64_t digest = 0;
        FileStamp file;            // the machine file after the last synchronisation
        std::uint64_t count = 0;   // its records, all of which the store had then; 0: unknown
        std::int64_t comments = 0; // the sum of the store's comment versions of the machine then
    };
    struct AgreedComment {
        std::int64_t version = 0;
        std::uint64_t digest = 0;
    };

    // Forgets what was agreed with any store other than storeId.
    void Load(const std::string& directory, const std::string& storeId);
    // Atomic, and only when something changed; false with error() when it cannot be written.
    bool Save(const std::string& directory);
    const std::string& error() const { return error_; }

    const Agreed* Find(std::uint32_t serial) const;
    void SetOwner(std::uint32_t serial, std::int64_t version, std::uint64_t digest) {
        Agreed& agreed = agreed_[serial];
        changed_ = changed_ || agreed.version != version || agreed.digest != digest;
        agreed.version = version;
        agreed.digest = digest;
    }
    void SetRecords(std::uint32_t serial, const FileStamp& file, std::uint64_t count, std::int64_t comments) {
        Agreed& agreed = agreed_[serial];
        changed_ = changed_ || !(agreed.file == file) || agreed.count != count || agreed.comments != comments;
        agreed.file = file;
        agreed.count = count;
        agreed.comments = comments;
    }
    const AgreedComment* FindComment(std::uint32_t serial, std::int64_t time) const;
    void SetComment(std::uint32_t serial, std::int64_t time, std::int64_t version, std::uint64_t digest) {
        AgreedComment& agreed = comments_[{serial, time}];
        changed_ = changed_ || agreed.version != version || agreed.digest != digest;
        agreed.version = version;
        agreed.digest = digest;
    }

    static std::uint64_t Digest(const std::string& name, const std::string& firstName,
                                const std::string& address);
    static std::uint64_t Digest(const std::string& comment);

private:
    std::map<std::uint32_t, Agreed> agreed_;
    std::map<std::pair<std::uint32_t, std::int64_t>, AgreedComment> comments_;
    std::string storeId_;
    bool changed_ = false;
    std::string error_;
};

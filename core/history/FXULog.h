#pragma once

#include "core/history/FXUEventEntry.h"
#include "core/history/FXULogLayout.h"
#include "core/history/FXULogTime.h"
#include "core/history/FXUOptionSlot.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct FXUSleepEntry {
    std::uint8_t start = 0; // tens of minutes after midnight
    std::uint8_t end = 0;
    std::uint8_t mask = 0; // bit 1 Monday .. bit 7 Sunday

    std::string rangeText() const; // "22H30-06H00"
};

// One history record: the machine's identification, the 8192-byte history image exactly as received, an
// optional extra block and a comment, and the sections decoded from the image in the layout its firmware
// version selects. Large sections (system parameters, sleep entries, events) are read from the image on
// demand, so a record costs little more memory than its stored form.
class FXULog {
public:
    static constexpr std::size_t kImageSize = 8192;
    static constexpr int kOptionSlots = 19;
    static constexpr int kMaxZones = 3;
    static constexpr int kStatistics = 8;
    static constexpr int kMaxParameters = 16;
    static constexpr std::size_t kMaxExtraBlock = 128;      // what a machine sends and a record may take on
    static constexpr std::size_t kReadableExtraBlock = 255; // all that a stored length byte can announce
    static constexpr std::size_t kHeaderTestBytes = 23;     // what the reader looks at to choose the form
    static constexpr std::size_t kMaxComment = 0xFFFF;
    static constexpr std::size_t kPlainHeaderSize = 23;    // identBytes through typeByte
    static constexpr std::size_t kExtendedHeaderSize = 25; // with the two extBytes
    static constexpr std::size_t kReservedSize = 12;
    // The longest block a file can hold: extended header, reserved bytes, image, an extra block of all that
    // its length byte can announce, and a comment of all that its 16-bit length can say.
    static constexpr std::size_t kMaxBlockSize = kExtendedHeaderSize + kReservedSize + kImageSize + 1 +
                                                 kReadableExtraBlock + 2 + kMaxComment; // 74,022 bytes
    using Image = std::array<std::uint8_t, kImageSize>;
    using IdentBytes = std::array<std::uint8_t, 6>;
    using ExtBytes = std::array<std::uint8_t, 2>;
    enum class HeaderForm { Plain, Extended };

    FXULog();                                   // empty, stamped with the current time, not decoded
    explicit FXULog(const FXULogTime& time);    // empty, stamped with that time
    explicit FXULog(const std::uint8_t* image); // copies kImageSize bytes; no decoding yet

    // The header form test: (major, minor, build) are the bytes where the plain form keeps the version.
    static bool HasExtendedHeader(std::uint8_t ident1, std::uint8_t major, std::uint8_t minor,
                                  std::uint8_t build);
    static bool HasExtraBlockVersion(std::uint32_t firmwareVersion);
    // The forms a stored block may be in, judged from its first kHeaderTestBytes bytes: the one the header
    // test picks (or the other, when only the other gives a time a record can have) first, then the other.
    static std::array<HeaderForm, 2> HeaderForms(const std::uint8_t* header);

    void SetIdentBytes(const IdentBytes& bytes) { identBytes_ = bytes; }
    void SetExtBytes(const ExtBytes& bytes);
    void SetSerialNumber(std::uint32_t value) { serialNumber_ = value; }
    void SetBootloaderVersion(std::uint8_t value) { bootloaderVersion_ = value; }
    // Decodes again. A version whose records carry no extra block drops one set before (droppedExtraBlock()).
    void SetFirmwareVersion(std::uint32_t value);
    void SetTypeByte(std::uint8_t value); // decodes again
    // A block that is not kept: false, and droppedExtraBlock() says why. That is an empty one (it carries
    // nothing), one longer than 128 bytes, or one for a firmware version whose records carry none. A block
    // shorter than 69 bytes or starting with 0 or 1 is kept: the reader's second reading finds it.
    bool SetExtraBlock(const std::uint8_t* data, std::size_t length);
    void SetLogTime(const FXULogTime& time) { logTime_ = time; }
    void SetComment(std::string comment) { comment_ = std::move(comment); }

    void Decode();
    // How the bytes after the image are read when the version has an extra block. The rule takes them for
    // a block only when its length is 69 or more and its first byte 2 or more, else for the comment length;
    // other installations write shorter blocks and blocks starting with 0 or 1 all the same, which the block
    // reading takes: the length byte, that many bytes, then the comment length.
    enum class ExtraReading { Rule, Block };

    // False, reading nothing, when the stream has already failed; false as well for a block reading that
    // reads nothing other than the rule (the version has no block, or the rule reads one). A block that ends
    // early raises std::ios_base::failure whatever the stream's exception mask. Without a form, the block is
    // read in the first of HeaderForms.
    bool ReadRecord(std::istream& in, std::optional<HeaderForm> form = std::nullopt,
                    ExtraReading reading = ExtraReading::Rule);
    // Passes over a block as ReadRecord(in, form, reading) would read it, with the same result and the same
    // failure, keeping nothing but its time (when asked): finds where records lie without decoding them.
    // The stream must be seekable.
    static bool SkimRecord(std::istream& in, HeaderForm form, ExtraReading reading,
                           FXULogTime* time = nullptr);
    bool WriteRecord(std::ostream& out) const;

    // Header.
    bool hasExtBytes() const { return hasExtBytes_; }
    bool hasExtraBlock() const { return hasExtraBlock_; }
    // The event-log line of the last extra block this record could not keep (a setter refused it, or a
    // new firmware version carries none); empty when it kept every block. The caller that files the
    // record writes it.
    const std::string& droppedExtraBlock() const { return droppedExtraBlock_; }
    const IdentBytes& identBytes() const { return identBytes_; }
    const ExtBytes& extBytes() const { return extBytes_; }
    std::uint8_t hardwareCode() const { return identBytes_[2]; }
    const FXULogTime& logTime() const { return logTime_; }
    std::uint32_t serialNumber() const { return serialNumber_; }
    std::uint8_t bootloaderVersion() const { return bootloaderVersion_; }
    std::uint32_t firmwareVersion() const { return firmwareVersion_; }
    std::uint8_t typeByte() const { return typeByte_; }
    const Image& image() const { return image_; }
    const std::vector<std::uint8_t>& extraBlock() const { return extraBlock_; }
    const std::string& comment() const { return comment_; }

    // Decoded sections. A record whose version selects no layout keeps what an earlier decode gave it.
    int layout() const { return layout_; }
    int zoneCount() const { return decoded_ ? decoded_->zones : 0; }
    int shownParameterCount() const { return shownParameters_; }
    int storedParameterCount() const { return decoded_ ? decoded_->parametersStored : 0; }
    std::uint8_t parameter(int index, int zone) const;
    bool parameterPerZone(int index) const;
    std::string parameterName(int index) const;
    std::uint32_t statistic(int slot) const;
    int systemParameterCount() const { return decoded_ ? decoded_->systemCount : 0; }
    std::uint8_t systemParameter(int index) const;
    std::uint8_t recordLanguage() const { return recordLanguage_; }
    std::string recordLanguageText() const; // Windows-1252; empty when never decoded
    int sleepEntryCount() const { return decoded_ ? decoded_->sleepShownPerZone : 0; }
    int sleepStride() const { return decoded_ ? decoded_->sleepStride : 0; }
    int sleepEntryTotal() const { return decoded_ ? decoded_->sleepStored : 0; }
    FXUSleepEntry sleepEntry(int index) const;
    std::uint16_t eventPointer() const { return eventPointer_; }
    int eventCount() const { return eventCount_; }
    FXUEventEntry event(int index) const; // oldest first
    std::uint8_t optionsByte() const { return optionsByte_; }
    std::uint8_t zoneOptionByte(int zone) const;
    const FXUOptionSlot& optionSlot(int slot) const;
    bool optionPresent(int slot) const { return slot >= 0 && slot < kOptionSlots && options_[slot].present; }
    bool optionPerZone(int slot) const { return optionPresent(slot) && options_[slot].perZone; }
    bool optionValue(int slot, int zone) const;
    std::string optionLabel(int slot) const;
    int globalOptionCount() const { return globalOptions_; }
    int zoneOptionCount() const { return zoneOptions_; }

private:
    void readEventRing();
    // Reads the rest of a block whose first kHeaderTestBytes bytes are in header (room for two more).
    bool readBlock(std::istream& in, std::uint8_t* header, bool extended, ExtraReading reading);
    void dropExtraBlock(const char* reason); // notes why in droppedExtraBlock()
    void decodeOptions();

    bool hasExtBytes_ = false;
    bool hasExtraBlock_ = false;
    IdentBytes identBytes_{};
    ExtBytes extBytes_{};
    FXULogTime logTime_;
    std::uint32_t serialNumber_ = 0;
    std::uint8_t bootloaderVersion_ = 0;
    std::uint32_t firmwareVersion_ = 0;
    std::uint8_t typeByte_ = 0;
    Image image_{};
    std::vector<std::uint8_t> extraBlock_;
    std::string droppedExtraBlock_;
    std::string comment_;

    int layout_ = 0;
    const FXULogLayout* decoded_ = nullptr; // layout of the last decode that had one
    std::uint8_t optionsByte_ = 0;
    std::array<std::uint8_t, kMaxZones> zoneOptionBytes_{};
    std::uint8_t recordLanguage_ = 0;
    int shownParameters_ = 0;
    std::array<std::uint8_t, kMaxParameters * kMaxZones> parameters_{};
    std::uint16_t eventPointer_ = 0;
    int eventFirst_ = 0; // image offset of the oldest event
    int eventCount_ = 0;
    std::array<FXUOptionSlot, kOptionSlots> options_{};
    int globalOptions_ = 0;
    int zoneOptions_ = 0;

    friend class FXUOptionDecoder;
};

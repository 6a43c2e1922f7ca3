#include "core/history/FXULog.h"

#include "core/base/ByteOrder.h"
#include "core/base/StreamFailure.h"
#include "core/history/FXUOptionDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <istream>
#include <optional>
#include <ostream>

namespace {

constexpr std::size_t kPlainHeader = FXULog::kPlainHeaderSize;
constexpr std::size_t kExtendedHeader = FXULog::kExtendedHeaderSize;
constexpr std::size_t kReserved = FXULog::kReservedSize;
constexpr int kRingEnd = static_cast<int>(FXULog::kImageSize) - 8; // offset of the last ring entry

// A short read must stop the load whatever exceptions the caller enabled on the stream, and say what ended.
void readExactly(std::istream& in, std::uint8_t* buffer, std::size_t count) {
    std::streamsize got = 0;
    try {
        in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
        got = in.gcount();
    } catch (const std::ios_base::failure&) {
        got = in.gcount();
    }
    if (static_cast<std::size_t>(got) != count)
        throw StreamFailure("history record ends early");
}

void skipExactly(std::istream& in, std::size_t count) {
    std::uint8_t scratch[kReserved];
    readExactly(in, scratch, count);
}

// Passes over count bytes without reading them; the stream must be seekable. Ends early as a read would.
void seekPast(std::istream& in, std::size_t count) {
    if (count == 0)
        return;
    bool moved = false;
    try {
        in.seekg(static_cast<std::streamoff>(count), std::ios_base::cur);
        moved = !in.fail();
    } catch (const std::ios_base::failure&) {
    }
    if (!moved)
        throw StreamFailure("history record ends early");
}

FXULogTime timeAt(const std::uint8_t* p) {
    return FXULogTime(byteorder::getLE16(p), p[2], p[3], p[4], p[5], p[6]);
}

void writeBytes(std::ostream& out, const std::uint8_t* data, std::size_t count) {
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(count));
}

} // namespace

std::string FXUSleepEntry::rangeText() const {
    char text[24];
    std::snprintf(text, sizeof text, "%2.2dH%2.2d-%2.2dH%2.2d", start / 6, (start % 6) * 10, end / 6,
                  (end % 6) * 10);
    return text;
}

FXULog::FXULog() = default;

FXULog::FXULog(const FXULogTime& time) : logTime_(time) {}

FXULog::FXULog(const std::uint8_t* image) {
    std::memcpy(image_.data(), image, kImageSize);
}

bool FXULog::HasExtendedHeader(std::uint8_t ident1, std::uint8_t major, std::uint8_t minor,
                               std::uint8_t build) {
    if (static_cast<std::int8_t>(ident1) <= 8)
        return false;
    // Firmware whose plain header could look extended.
    const bool exception =
        (major == 18 && minor == 8 && build == 35) || (major == 18 && minor == 6 && build == 40) ||
        (major == 18 && minor == 6 && build == 38) || (major == 18 && minor == 16 && build == 17) ||
        (major == 19 && minor == 1 && build >= 21 && build <= 127) || (major == 19 && minor == 2) ||
        (major == 19 && minor == 3 && (build <= 8 || build >= 128));
    return !exception;
}

bool FXULog::HasExtraBlockVersion(std::uint32_t v) {
    const unsigned major = v >> 24;
    const unsigned minor = (v >> 16) & 0xFF;
    const unsigned build = (v >> 8) & 0xFF;
    return build <= 49 && minor <= 18 && major >= 5 && major <= 21 && v > 0x13010101;
}

void FXULog::SetExtBytes(const ExtBytes& bytes) {
    extBytes_ = bytes;
    hasExtBytes_ = true;
}

void FXULog::SetFirmwareVersion(std::uint32_t value) {
    firmwareVersion_ = value;
    // A reader looks for a block only after the image of such a version: one written there anyway would be
    // read as the comment's length and misplace the rest of the file.
    if (hasExtraBlock_ && !HasExtraBlockVersion(value))
        dropExtraBlock("its firmware version carries none");
    Decode();
}

void FXULog::SetTypeByte(std::uint8_t value) {
    typeByte_ = value;
    Decode();
}

void FXULog::dropExtraBlock(const char* reason) {
    char text[128];
    std::snprintf(text, sizeof text, "Extra block of %zu bytes cannot be stored (%s); record kept without it",
                  extraBlock_.size(), reason);
    droppedExtraBlock_ = text;
    hasExtraBlock_ = false;
    extraBlock_.clear();
}

bool FXULog::SetExtraBlock(const std::uint8_t* data, std::size_t length) {
    extraBlock_.assign(data, data + length);
    // A short block, or one starting with 0 or 1, is stored as other installations store it: the reader
    // finds it by its second reading, and a save is refused should a file ever read back otherwise.
    const char* reason = nullptr;
    if (length == 0)
        reason = "it is empty";
    else if (length > kMaxExtraBlock)
        reason = "longer than 128 bytes";
    else if (!HasExtraBlockVersion(firmwareVersion_))
        reason = "its firmware version carries none";
    if (reason) {
        dropExtraBlock(reason);
        return false;
    }
    hasExtraBlock_ = true;
    return true;
}

void FXULog::Decode() {
    layout_ = FXULogLayout::NumberForVersion(firmwareVersion_);
    const FXULogLayout* layout = FXULogLayout::ForVersion(firmwareVersion_);
    if (!layout)
        return;
    decoded_ = layout;
    const bool hw4 = hardwareCode() == 4;

    optionsByte_ = image_[0];
    zoneOptionBytes_.fill(0);
    const int zoneBase = hw4 ? layout->zoneOptionBaseHw4 : layout->zoneOptionBaseOther;
    for (int z = 0; z < layout->zones; ++z)
        zoneOptionBytes_[z] = image_[zoneBase + z];
    recordLanguage_ = image_[hw4 ? layout->languageOffsetHw4 : layout->languageOffsetOther];

    if (layout->parametersShown > 0) {
        shownParameters_ = layout->parametersShown;
    } else {
        // More shown than stored would read past the set.
        const int ident1 = identBytes_[1];
        shownParameters_ = std::min(ident1 < 6 ? 7 : ident1 + 2, layout->parametersStored);
    }
    parameters_.fill(0);
    for (int z = 0; z < layout->zones; ++z)
        for (int k = 0; k < layout->parametersStored; ++k) {
            int offset = layout->parameterOffset + k;
            if (layout->parametersPerZone)
                offset = k == FXULogLayout::kCommonParameter
                             ? layout->parameterOffset + k
                             : layout->parameterOffset + layout->parametersStored * z + k;
            parameters_[z * kMaxParameters + k] = image_[offset];
        }

    FXUOptionDecoder::Decode(*this);
    readEventRing();
}

void FXULog::readEventRing() {
    const int start = decoded_->eventStart;
    const int ringEntries = (kRingEnd - start) / 8 + 1;
    eventPointer_ = byteorder::getBE16(&image_[28]);
    eventCount_ = 0;
    eventFirst_ = start;
    if ((eventPointer_ & 0x8000) == 0) {
        // Entries before the write position; a pointer past the image stops at its end.
        for (int offset = start; offset < eventPointer_ && offset <= kRingEnd; offset += 8)
            ++eventCount_;
        return;
    }
    // Wrapped: the write position holds the oldest entry and every slot of the ring is in use. A position
    // off the ring's grid or outside it is taken at the grid slot that holds it, or at the ring's start.
    int w = eventPointer_ & 0x7FFF;
    if (w < start || w > kRingEnd)
        w = start;
    eventFirst_ = start + (w - start) / 8 * 8;
    eventCount_ = ringEntries;
}

FXUEventEntry FXULog::event(int index) const {
    if (!decoded_ || index < 0 || index >= eventCount_)
        return {};
    const int start = decoded_->eventStart;
    const int ringEntries = (kRingEnd - start) / 8 + 1;
    const int slot = ((eventFirst_ - start) / 8 + index) % ringEntries;
    return FXUEventEntry::FromBytes(&image_[start + slot * 8]);
}

std::uint8_t FXULog::parameter(int index, int zone) const {
    if (!decoded_ || index < 0 || index >= decoded_->parametersStored || zone < 0 || zone >= decoded_->zones)
        return 0;
    return parameters_[zone * kMaxParameters + index];
}

bool FXULog::parameterPerZone(int index) const {
    return decoded_ && decoded_->perZoneFlags && index >= 0 && index < decoded_->parametersStored &&
           index != FXULogLayout::kCommonParameter;
}

std::string FXULog::parameterName(int index) const {
    static const char* const kNames[] = {"Signal Sensitivity",
                                         "Peripheral Wire Length (x10m)",
                                         "Max Distance Wire leaving station (x10m)",
                                         "Minimum TrackBorder Segment ",
                                         "Minimum TrackBorder Line",
                                         "Nominal Speed",
                                         "Min Distance Wire leaving station (x10m)",
                                         "Phase Sensitivity",
                                         "Wire Signal Channel",
                                         "Distance on wire leaving station (x1m)",
                                         "Work Time Ratio"};
    if (index < 0 || index >= storedParameterCount())
        return {};
    if (index < static_cast<int>(std::size(kNames)))
        return kNames[index];
    return "parameter_name";
}

std::uint32_t FXULog::statistic(int slot) const {
    if (!decoded_ || slot < 0 || slot >= kStatistics)
        return 0;
    const std::uint8_t* p = &image_[80 + 4 * slot];
    return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}

std::uint8_t FXULog::systemParameter(int index) const {
    if (!decoded_ || index < 0 || index >= decoded_->systemCount)
        return 0;
    return image_[decoded_->systemOffset + index];
}

std::string FXULog::recordLanguageText() const {
    static const char* const kLanguages[] = {"English",
                                             "Fran\xe7"
                                             "ais",
                                             "Nederlands",
                                             "Italiano",
                                             "Espa\xf1"
                                             "ol",
                                             "Deutsch"};
    if (!decoded_)
        return {}; // an image no layout reads has no language byte
    if (recordLanguage_ < std::size(kLanguages))
        return kLanguages[recordLanguage_];
    return "??????????";
}

FXUSleepEntry FXULog::sleepEntry(int index) const {
    if (!decoded_ || index < 0 || index >= decoded_->sleepStored)
        return {};
    const std::uint8_t* p = &image_[decoded_->sleepOffset + 3 * index];
    return {p[0], p[1], p[2]};
}

std::uint8_t FXULog::zoneOptionByte(int zone) const {
    return zone >= 0 && zone < zoneCount() ? zoneOptionBytes_[zone] : 0;
}

const FXUOptionSlot& FXULog::optionSlot(int slot) const {
    static const FXUOptionSlot absent;
    return slot >= 0 && slot < kOptionSlots ? options_[slot] : absent;
}

bool FXULog::optionValue(int slot, int zone) const {
    return optionPresent(slot) && zone >= 0 && zone < kMaxZones && options_[slot].values[zone];
}

std::string FXULog::optionLabel(int slot) const {
    return optionSlot(slot).label(slot);
}

std::array<FXULog::HeaderForm, 2> FXULog::HeaderForms(const std::uint8_t* h) {
    // The form test looks at bytes that hold other fields in an extended block, so it can pick the wrong
    // form; a wrong form mostly shows as a time no record can have. Both forms' times lie in these bytes.
    const bool decided = HasExtendedHeader(h[1], h[21], h[20], h[19]);
    bool extended = decided;
    if (!timeAt(h + (decided ? 8 : 6)).isPlausible() && timeAt(h + (decided ? 6 : 8)).isPlausible())
        extended = !decided;
    const auto form = [](bool ext) { return ext ? HeaderForm::Extended : HeaderForm::Plain; };
    return {form(extended), form(!extended)};
}

bool FXULog::ReadRecord(std::istream& in, std::optional<HeaderForm> form, ExtraReading reading) {
    if (!in)
        return false;
    std::uint8_t h[kExtendedHeader];
    readExactly(in, h, kPlainHeader);
    return readBlock(in, h, form.value_or(HeaderForms(h)[0]) == HeaderForm::Extended, reading);
}

bool FXULog::readBlock(std::istream& in, std::uint8_t* h, bool extended, ExtraReading reading) {
    if (extended)
        readExactly(in, h + kPlainHeader, 2);
    const std::uint8_t* f = h + (extended ? 8 : 6); // fields after identBytes [and extBytes]
    std::copy(h, h + 6, identBytes_.begin());
    hasExtBytes_ = extended;
    extBytes_ = extended ? ExtBytes{h[6], h[7]} : ExtBytes{};
    logTime_ = timeAt(f);
    serialNumber_ = byteorder::getLE32(f + 7);
    bootloaderVersion_ = f[11];
    firmwareVersion_ = byteorder::getLE32(f + 12);
    typeByte_ = f[16];
    skipExactly(in, kReserved);

    readExactly(in, image_.data(), kImageSize);
    Decode();

    hasExtraBlock_ = HasExtraBlockVersion(firmwareVersion_);
    extraBlock_.clear();
    std::uint8_t ab[2];
    readExactly(in, ab, 2);
    const bool ruleReadsBlock = hasExtraBlock_ && ab[0] >= 69 && ab[1] >= 2;
    if (reading == ExtraReading::Block && (!hasExtraBlock_ || ruleReadsBlock))
        return false;
    std::size_t commentLength = 0;
    if (ruleReadsBlock || reading == ExtraReading::Block) {
        // Kept whole even beyond the 128 bytes a machine sends: the file already holds it.
        extraBlock_.resize(ab[0]);
        if (extraBlock_.empty()) {
            // No block byte: the second byte read is the comment length's first.
            ab[0] = ab[1];
            readExactly(in, ab + 1, 1);
        } else {
            extraBlock_[0] = ab[1];
            readExactly(in, extraBlock_.data() + 1, extraBlock_.size() - 1);
            readExactly(in, ab, 2);
        }
        commentLength = byteorder::getLE16(ab);
    } else {
        hasExtraBlock_ = false;
        commentLength = ab[0] + 256u * ab[1];
    }
    comment_.resize(commentLength);
    readExactly(in, reinterpret_cast<std::uint8_t*>(comment_.data()), commentLength);
    return true;
}

bool FXULog::SkimRecord(std::istream& in, HeaderForm form, ExtraReading reading, FXULogTime* time) {
    if (!in)
        return false;
    // The same steps as readBlock, passing over the reserved bytes, the image, the block and the comment.
    const bool extended = form == HeaderForm::Extended;
    std::uint8_t h[kExtendedHeader];
    readExactly(in, h, extended ? kExtendedHeader : kPlainHeader);
    const std::uint8_t* f = h + (extended ? 8 : 6);
    if (time)
        *time = timeAt(f);
    const bool blockVersion = HasExtraBlockVersion(byteorder::getLE32(f + 12));
    seekPast(in, kReserved + kImageSize);
    std::uint8_t ab[2];
    readExactly(in, ab, 2);
    const bool ruleReadsBlock = blockVersion && ab[0] >= 69 && ab[1] >= 2;
    if (reading == ExtraReading::Block && (!blockVersion || ruleReadsBlock))
        return false;
    std::size_t commentLength = 0;
    if (ruleReadsBlock || reading == ExtraReading::Block) {
        if (ab[0] == 0) {
            ab[0] = ab[1];
            readExactly(in, ab + 1, 1);
        } else {
            seekPast(in, ab[0] - 1u);
            readExactly(in, ab, 2);
        }
        commentLength = byteorder::getLE16(ab);
    } else {
        commentLength = ab[0] + 256u * ab[1];
    }
    seekPast(in, commentLength);
    return true;
}

bool FXULog::WriteRecord(std::ostream& out) const {
    std::uint8_t h[kExtendedHeader + kReserved];
    std::size_t n = 0;
    std::copy(identBytes_.begin(), identBytes_.end(), h);
    n = 6;
    if (hasExtBytes_) {
        h[n++] = extBytes_[0];
        h[n++] = extBytes_[1];
    }
    byteorder::putLE16(h + n, logTime_.year);
    h[n + 2] = logTime_.month;
    h[n + 3] = logTime_.day;
    h[n + 4] = logTime_.hour;
    h[n + 5] = logTime_.minute;
    h[n + 6] = logTime_.second;
    byteorder::putLE32(h + n + 7, serialNumber_);
    h[n + 11] = bootloaderVersion_;
    byteorder::putLE32(h + n + 12, firmwareVersion_);
    h[n + 16] = typeByte_;
    n += 17;
    for (std::size_t i = 0; i < kReserved; ++i)
        h[n++] = static_cast<std::uint8_t>(i);
    writeBytes(out, h, n);
    writeBytes(out, image_.data(), kImageSize);

    if (hasExtraBlock_) {
        const auto length = static_cast<std::uint8_t>(extraBlock_.size());
        writeBytes(out, &length, 1);
        writeBytes(out, extraBlock_.data(), extraBlock_.size());
    }
    std::size_t commentLength = std::min(comment_.size(), kMaxComment);
    // Without an extra block, a firmware that may carry one makes the reader take a comment length whose
    // low byte is 69 or more and high byte 2 or more for a block: such a comment loses its last bytes, down
    // to the nearest length the reader takes for one. Comments typed here never come near that length.
    if (!hasExtraBlock_ && HasExtraBlockVersion(firmwareVersion_) && (commentLength & 0xFF) >= 69 &&
        (commentLength >> 8) >= 2)
        commentLength = (commentLength & 0xFF00) | 68;
    std::uint8_t length[2];
    byteorder::putLE16(length, static_cast<std::uint16_t>(commentLength));
    writeBytes(out, length, 2);
    writeBytes(out, reinterpret_cast<const std::uint8_t*>(comment_.data()), commentLength);
    return true;
}

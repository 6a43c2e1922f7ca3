#include "apps/machine-sim/MachineContents.h"

#include "core/base/ByteOrder.h"
#include "core/base/InputFile.h"
#include "core/database/BinHistoryFile.h"
#include "core/database/DBMowerFile.h"
#include "core/history/FXULogLayout.h"
#include "core/history/FXUMowerLog.h"
#include "tools/gen/HistoryGenerator.h"

#include <algorithm>
#include <exception>

MachineContents MachineContents::Generated(std::uint32_t seed, const Overrides& overrides) {
    HistoryGenerator generator(seed);
    HistoryFeatures features = generator.randomFeatures();
    if (overrides.firmwareVersion) {
        features.layout = FXULogLayout::NumberForVersion(*overrides.firmwareVersion);
        features.extraBlock =
            features.layout != 0 && FXULog::HasExtraBlockVersion(*overrides.firmwareVersion);
    }
    if (overrides.typeByte)
        features.typeCode = static_cast<std::uint8_t>(*overrides.typeByte & 0x0F);
    if (overrides.identBytes && ((*overrides.identBytes)[2] == 3 || (*overrides.identBytes)[2] == 4))
        features.hardwareCode = (*overrides.identBytes)[2];
    if (overrides.extBytes)
        features.extendedHeader = true;

    const GeneratedHistory history = generator.history(features);
    MachineContents contents;
    contents.frame = history.frame;
    contents.image = history.image;
    contents.extraBlock = history.extraBlock;
    // The PC holds an answer of at most 8320 bytes: image, length byte, block and the two bytes after it.
    if (contents.extraBlock.size() > kMaxExtraBlockOnWire)
        contents.extraBlock.resize(kMaxExtraBlockOnWire);
    contents.apply(overrides);
    return contents;
}

std::optional<MachineContents> MachineContents::FromBin(const std::string& path, const Overrides& overrides,
                                                        std::string& error) {
    const std::optional<std::string> bytes = InputFile::Read(path);
    if (!bytes) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    BinHistoryFile::Contents bin;
    std::string cutPart;
    if (!BinHistoryFile::Parse(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size(), bin,
                               &cutPart)) {
        error = path + " ends inside the " + cutPart;
        return std::nullopt;
    }
    MachineContents contents;
    contents.frame = bin.frame;
    contents.image = bin.image;
    contents.extraBlock = bin.extraBlock;
    contents.apply(overrides);
    return contents;
}

std::optional<MachineContents> MachineContents::FromDat(const std::string& path, const Overrides& overrides,
                                                        std::string& error) {
    DBMowerFile file;
    file.SetFileName(path);
    if (!file.LoadMachineFile()) {
        error = "cannot read " + file.lastError();
        return std::nullopt;
    }
    const FXUMowerLog& machine = file.mowerLog();
    if (machine.records().empty()) {
        error = path + " holds no history record";
        return std::nullopt;
    }
    const FXULog& newest = *machine.records().rbegin()->second;
    MachineContents contents;
    contents.frame.identBytes = newest.identBytes();
    contents.frame.hasExtBytes = newest.hasExtBytes();
    contents.frame.extBytes = newest.extBytes();
    contents.frame.infoBlock[0] = newest.typeByte();
    byteorder::putBE32(&contents.frame.infoBlock[1], newest.firmwareVersion());
    byteorder::putBE32(&contents.frame.infoBlock[5], newest.serialNumber());
    contents.frame.infoBlock[9] = newest.bootloaderVersion();
    contents.image = newest.image();
    contents.extraBlock = newest.extraBlock();
    if (contents.extraBlock.size() > kMaxExtraBlockOnWire)
        contents.extraBlock.resize(kMaxExtraBlockOnWire);
    contents.apply(overrides);
    return contents;
}

void MachineContents::apply(const Overrides& o) {
    if (o.identBytes)
        frame.identBytes = *o.identBytes;
    if (o.extBytes) {
        frame.hasExtBytes = true;
        frame.extBytes = *o.extBytes;
    }
    if (o.typeByte)
        frame.infoBlock[0] = *o.typeByte;
    if (o.firmwareVersion)
        byteorder::putBE32(&frame.infoBlock[1], *o.firmwareVersion);
    if (o.serialNumber)
        byteorder::putBE32(&frame.infoBlock[5], *o.serialNumber);
    if (o.bootloaderVersion)
        frame.infoBlock[9] = *o.bootloaderVersion;
}

std::vector<std::uint8_t> MachineContents::infoFrameBytes() const {
    std::vector<std::uint8_t> bytes(frame.identBytes.begin(), frame.identBytes.end());
    if (frame.hasExtBytes)
        bytes.insert(bytes.end(), frame.extBytes.begin(), frame.extBytes.end());
    bytes.insert(bytes.end(), frame.infoBlock.begin(), frame.infoBlock.end());
    return bytes;
}

std::vector<std::uint8_t> MachineContents::historyAnswer(bool withExtraBlock) const {
    std::vector<std::uint8_t> bytes(image.begin(), image.end());
    if (withExtraBlock) {
        // A length byte holds at most 255; a longer block could not be announced.
        const std::size_t length = std::min<std::size_t>(extraBlock.size(), 255);
        bytes.push_back(static_cast<std::uint8_t>(length));
        bytes.insert(bytes.end(), extraBlock.begin(),
                     extraBlock.begin() + static_cast<std::ptrdiff_t>(length));
    }
    std::uint16_t sum = 0;
    for (const std::uint8_t byte : bytes)
        sum = static_cast<std::uint16_t>(sum + byte);
    bytes.push_back(static_cast<std::uint8_t>(sum >> 8));
    bytes.push_back(static_cast<std::uint8_t>(sum));
    return bytes;
}

std::vector<std::uint8_t> MachineContents::binFile() const {
    std::vector<std::uint8_t> bytes = infoFrameBytes();
    bytes.insert(bytes.end(), image.begin(), image.end());
    if (FXULog::HasExtraBlockVersion(frame.firmwareVersion())) {
        const std::size_t length = std::min<std::size_t>(extraBlock.size(), 255);
        bytes.push_back(static_cast<std::uint8_t>(length));
        bytes.insert(bytes.end(), extraBlock.begin(),
                     extraBlock.begin() + static_cast<std::ptrdiff_t>(length));
    }
    return bytes;
}

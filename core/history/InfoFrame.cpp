#include "core/history/InfoFrame.h"

#include "core/base/ByteOrder.h"

std::uint32_t InfoFrame::firmwareVersion() const {
    return byteorder::getBE32(&infoBlock[1]);
}

std::uint32_t InfoFrame::serialNumber() const {
    return byteorder::getBE32(&infoBlock[5]);
}

bool InfoFrame::isValid() const {
    const std::uint8_t boot = bootloaderVersion();
    const bool knownBootloader = boot == 0x14 || boot == 0x21 || boot == 0x22 || boot == 0x23;
    return knownBootloader && infoBlock[5] >= 4;
}

std::unique_ptr<FXULog> InfoFrame::makeRecord(const std::uint8_t* image,
                                              const std::vector<std::uint8_t>* extraBlock,
                                              const FXULogTime& time) const {
    auto record = std::make_unique<FXULog>(image);
    record->SetIdentBytes(identBytes);
    if (hasExtBytes)
        record->SetExtBytes(extBytes);
    record->SetSerialNumber(serialNumber());
    record->SetBootloaderVersion(bootloaderVersion());
    record->SetFirmwareVersion(firmwareVersion());
    record->SetTypeByte(typeByte());
    if (extraBlock)
        record->SetExtraBlock(extraBlock->data(), extraBlock->size());
    record->SetLogTime(time);
    return record;
}

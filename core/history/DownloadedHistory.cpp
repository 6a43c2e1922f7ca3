#include "core/history/DownloadedHistory.h"

#include <algorithm>

std::vector<std::uint8_t> DownloadedHistory::extraBlock() const {
    if (!hasExtraBlock)
        return {};
    const auto* start = buffer.data() + kExtraLengthAt + 1;
    const std::size_t length = std::min<std::size_t>(extraLength, buffer.size() - kExtraLengthAt - 1);
    return {start, start + length};
}

std::unique_ptr<FXULog> DownloadedHistory::makeRecord() const {
    const std::vector<std::uint8_t> block = extraBlock();
    return frame.makeRecord(image(), hasExtraBlock ? &block : nullptr, time);
}

std::vector<std::uint8_t> DownloadedHistory::binFile() const {
    std::vector<std::uint8_t> bytes(frame.identBytes.begin(), frame.identBytes.end());
    if (frame.hasExtBytes)
        bytes.insert(bytes.end(), frame.extBytes.begin(), frame.extBytes.end());
    bytes.insert(bytes.end(), frame.infoBlock.begin(), frame.infoBlock.end());
    bytes.insert(bytes.end(), image(), image() + FXULog::kImageSize);
    if (FXULog::HasExtraBlockVersion(frame.firmwareVersion())) {
        const std::vector<std::uint8_t> block = extraBlock();
        bytes.push_back(static_cast<std::uint8_t>(block.size()));
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    return bytes;
}

#pragma once

#include "core/history/FXULog.h"
#include "core/history/InfoFrame.h"
#include "support/ScriptedPort.h"

#include <cstdint>
#include <vector>

// Scripts a ScriptedPort to answer as a machine in good order, so that a test only changes what it is
// about: "T" echoed, "I" answered with an info frame, "H"/"D" with a history answer paced as on the
// wire, "B" with 0x06, and every row acknowledged.
namespace ScriptedMachine {

using Bytes = ScriptedPort::Bytes;

inline InfoFrame frame(std::uint32_t firmwareVersion = 0x13031400, std::uint32_t serialNumber = 0x0412ABCD,
                       std::uint8_t bootloader = 0x21, std::uint8_t typeByte = 0x04) {
    InfoFrame frame;
    frame.identBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    frame.infoBlock = {typeByte,
                       static_cast<std::uint8_t>(firmwareVersion >> 24),
                       static_cast<std::uint8_t>(firmwareVersion >> 16),
                       static_cast<std::uint8_t>(firmwareVersion >> 8),
                       static_cast<std::uint8_t>(firmwareVersion),
                       static_cast<std::uint8_t>(serialNumber >> 24),
                       static_cast<std::uint8_t>(serialNumber >> 16),
                       static_cast<std::uint8_t>(serialNumber >> 8),
                       static_cast<std::uint8_t>(serialNumber),
                       bootloader};
    return frame;
}

// The frame as sent: 16 bytes, or 18 with the extension bytes.
inline Bytes frameBytes(const InfoFrame& frame) {
    Bytes bytes(frame.identBytes.begin(), frame.identBytes.end());
    if (frame.hasExtBytes)
        bytes.insert(bytes.end(), frame.extBytes.begin(), frame.extBytes.end());
    bytes.insert(bytes.end(), frame.infoBlock.begin(), frame.infoBlock.end());
    return bytes;
}

// A recognisable image: byte i is i * 7 + 3.
inline FXULog::Image image() {
    FXULog::Image image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return image;
}

// An answer to "H" (no extra block) or "D" (with one): the image, the block with its length byte, and
// the two closing bytes.
inline Bytes historyAnswer(const FXULog::Image& image,
                           const std::vector<std::uint8_t>* extraBlock = nullptr) {
    Bytes bytes(image.begin(), image.end());
    if (extraBlock) {
        bytes.push_back(static_cast<std::uint8_t>(extraBlock->size()));
        bytes.insert(bytes.end(), extraBlock->begin(), extraBlock->end());
    }
    bytes.push_back(0x0D);
    bytes.push_back(0x0A);
    return bytes;
}

// 38400 baud 8N1 carries 3840 bytes a second: 38 bytes every 10 ms, the first 5 ms after the command.
inline ScriptedPort::Reply onTheWire(const Bytes& bytes) {
    return ScriptedPort::paced(bytes, 5, 38, 10);
}

inline void answerAsMachine(ScriptedPort& port, const InfoFrame& info, const Bytes& history) {
    port.replyAlways('T', ScriptedPort::at(2, {'T'}));
    port.replyAlways('I', ScriptedPort::at(4, frameBytes(info)));
    port.replyAlways('H', onTheWire(history));
    port.replyAlways('D', onTheWire(history));
    port.replyAlways('B', ScriptedPort::at(5, {0x06}));
}

} // namespace ScriptedMachine

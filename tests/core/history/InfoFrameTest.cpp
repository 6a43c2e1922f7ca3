#include "core/history/InfoFrame.h"

#include <gtest/gtest.h>

namespace {

// The info block as a machine sends it: type byte, version and serial most significant byte first,
// bootloader version.
InfoFrame frameWith(std::uint8_t serialMsb, std::uint8_t bootloader) {
    InfoFrame frame;
    frame.infoBlock = {0x24, 0x13, 0x03, 0x14, 0x00, serialMsb, 0x00, 0x00, 0x00, bootloader};
    return frame;
}

} // namespace

TEST(InfoFrame, ValidOnlyWithAKnownBootloaderAndARealSerialNumber) {
    EXPECT_TRUE(frameWith(0x04, 0x21).isValid());
    EXPECT_FALSE(frameWith(0x04, 0x20).isValid());
    for (std::uint8_t bootloader : {0x14, 0x21, 0x22, 0x23})
        EXPECT_TRUE(frameWith(0x04, bootloader).isValid()) << int{bootloader};
    for (std::uint8_t bootloader : {0x00, 0x13, 0x15, 0x20, 0x24, 0xFF})
        EXPECT_FALSE(frameWith(0x04, bootloader).isValid()) << int{bootloader};

    // Serial 0x04000000 is the first a machine can have; 0x03FFFFFF is below it.
    InfoFrame lowest = frameWith(0x04, 0x21);
    EXPECT_EQ(lowest.serialNumber(), 0x04000000u);
    EXPECT_TRUE(lowest.isValid());
    InfoFrame below;
    below.infoBlock = {0x24, 0x13, 0x03, 0x14, 0x00, 0x03, 0xFF, 0xFF, 0xFF, 0x21};
    EXPECT_EQ(below.serialNumber(), 0x03FFFFFFu);
    EXPECT_FALSE(below.isValid());
    EXPECT_TRUE(frameWith(0xFF, 0x14).isValid());
}

TEST(InfoFrame, ReadsVersionAndSerialMostSignificantByteFirst) {
    InfoFrame frame;
    frame.infoBlock = {0x25, 0x13, 0x03, 0x14, 0x80, 0x04, 0x12, 0xAB, 0xCD, 0x22};
    EXPECT_EQ(frame.typeByte(), 0x25);
    EXPECT_EQ(frame.firmwareVersion(), 0x13031480u);
    EXPECT_EQ(frame.serialNumber(), 0x0412ABCDu);
    EXPECT_EQ(frame.bootloaderVersion(), 0x22);
    // The identification bytes in front are not part of the block.
    frame.identBytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    frame.extBytes = {0xFF, 0xFF};
    frame.hasExtBytes = true;
    EXPECT_EQ(frame.firmwareVersion(), 0x13031480u);
    EXPECT_EQ(frame.serialNumber(), 0x0412ABCDu);
}

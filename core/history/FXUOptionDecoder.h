#pragma once

class FXULog;

// Turns a record's option bytes into its option slots O000..O018. Which bit each slot reads, and whether
// it applies at all, depends on the layout, the firmware version, the machine type and the hardware code.
class FXUOptionDecoder {
public:
    static void Decode(FXULog& record);

private:
    static void decodeLayout1(FXULog& record);
    static void decodeLayouts2And3(FXULog& record);
};

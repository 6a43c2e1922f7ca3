#pragma once

#include "apps/machine-sim/MachineConfig.h"
#include "apps/machine-sim/MachineContents.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The machine's side of the serial protocol, without a terminal: bytes from the PC go in with the time
// they were seen, and the bytes that have crossed the line by a given time come out. Times are in
// nanoseconds on any monotonic scale, so tests can drive it with made-up times.
class MachineProtocol {
public:
    // One byte at 38400 baud, 8N1: a start bit, 8 data bits and a stop bit.
    static constexpr std::int64_t kByteNs = 260417;

    MachineProtocol(MachineConfig config, MachineContents contents);

    void receive(const std::uint8_t* data, std::size_t count, std::int64_t nowNs);
    // The bytes whose last bit has left the machine by nowNs, in order.
    std::vector<std::uint8_t> transmit(std::int64_t nowNs);
    // When transmit, or the end of a row, is next due without any new input; nothing when only input can
    // change anything.
    std::optional<std::int64_t> nextEventNs() const;

    // The device must disappear now; transmit has given every byte before the cut.
    bool disconnected() const { return disconnected_; }
    // A "b" has ended an upgrade.
    bool upgradeEnded() const { return upgradeEnded_; }
    bool idle() const { return outgoing_.empty(); }

    // Gets one line for every command, row and ignored byte received, and for the disconnection.
    void setTraceSink(std::function<void(const std::string&)> sink) { traceSink_ = std::move(sink); }

private:
    enum class Mode { Normal, Test, Bootloader };
    struct Outgoing {
        std::uint8_t byte = 0;
        std::int64_t notBeforeNs = 0;
        std::int64_t pauseNs = 0; // quiet line after the previous byte
        std::int64_t wireNs = 0;
        bool cut = false; // not a byte: the device disappears here
    };
    struct Row {
        std::uint8_t command = 0;
        std::vector<std::uint8_t> bytes;
        std::optional<std::size_t> expectedLength;
        std::int64_t commandEndNs = 0;
        std::int64_t lastEndNs = 0;
    };

    void handle(std::uint8_t byte, std::int64_t endNs);
    void handleCommand(std::uint8_t byte, std::int64_t endNs);
    void startRow(std::uint8_t command, std::int64_t endNs);
    std::optional<std::int64_t> quietRowEndNs() const;
    void endQuietRow(std::int64_t nowNs);
    void finishRow(std::int64_t endNs);
    void answerInfo(std::int64_t endNs);
    void answerHistory(std::uint8_t command, std::int64_t endNs);
    void answerRow(std::uint8_t command, std::int64_t readyNs);
    void send(std::uint8_t command, const std::vector<std::uint8_t>& bytes, std::int64_t notBeforeNs,
              std::optional<MachineConfig::Pause> pause = std::nullopt, bool alwaysPaced = false);
    void trace(const std::string& line);

    MachineConfig config_;
    MachineContents contents_;
    std::function<void(const std::string&)> traceSink_;

    Mode mode_ = Mode::Normal;
    bool afterSyncStart_ = false; // "t" received, "B" may follow
    std::optional<Row> row_;
    int rowsSinceSync_ = 0;
    int historyAnswers_ = 0;
    bool upgradeEnded_ = false;

    std::int64_t receiveFreeNs_ = 0; // when the line from the PC is free again
    std::int64_t transmitEndNs_ = 0; // when the last byte sent left the machine
    std::deque<Outgoing> outgoing_;
    bool cutPlaced_ = false;
    bool disconnected_ = false;
    std::uint32_t noiseState_ = 12345;
};

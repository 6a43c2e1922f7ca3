#include "apps/machine-sim/MachineProtocol.h"

#include "core/history/FXULog.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr std::int64_t kNsPerMs = 1000000;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string hexByte(std::uint8_t byte) {
    return hex({byte});
}

bool isRowCommand(std::uint8_t byte) {
    return byte == 'P' || byte == 'Q' || byte == 'R';
}

} // namespace

MachineProtocol::MachineProtocol(MachineConfig config, MachineContents contents)
    : config_(std::move(config)), contents_(std::move(contents)) {}

void MachineProtocol::trace(const std::string& line) {
    if (traceSink_)
        traceSink_(line);
}

void MachineProtocol::receive(const std::uint8_t* data, std::size_t count, std::int64_t nowNs) {
    for (std::size_t i = 0; i < count; ++i) {
        // A byte from the PC is the machine's only once its stop bit is in.
        std::int64_t startNs = nowNs;
        std::int64_t endNs = nowNs;
        if (config_.paced) {
            startNs = std::max(nowNs, receiveFreeNs_);
            endNs = startNs + kByteNs;
            receiveFreeNs_ = endNs;
        }
        endQuietRow(startNs);
        handle(data[i], endNs);
    }
}

void MachineProtocol::handle(std::uint8_t byte, std::int64_t endNs) {
    if (row_) {
        row_->bytes.push_back(byte);
        row_->lastEndNs = endNs;
        if (row_->expectedLength && row_->bytes.size() >= *row_->expectedLength)
            finishRow(endNs);
        return;
    }
    if (afterSyncStart_) {
        afterSyncStart_ = false;
        if (byte == 'B') {
            trace("B");
            mode_ = Mode::Bootloader;
            rowsSinceSync_ = 0;
            send('B', config_.syncAnswer, endNs);
            return;
        }
    }
    handleCommand(byte, endNs);
}

void MachineProtocol::handleCommand(std::uint8_t byte, std::int64_t endNs) {
    switch (byte) {
    case 'T':
        if (mode_ == Mode::Normal) {
            trace("T");
            mode_ = Mode::Test;
            if (config_.noiseAfterTMs > 0) {
                std::vector<std::uint8_t> noise(
                    static_cast<std::size_t>(config_.noiseAfterTMs * kNsPerMs / kByteNs));
                for (std::uint8_t& b : noise) {
                    noiseState_ = noiseState_ * 1103515245u + 12345u;
                    b = static_cast<std::uint8_t>(noiseState_ >> 16);
                }
                send('T', noise, endNs, std::nullopt, true);
            }
            return;
        }
        if (mode_ == Mode::Test) {
            trace("T");
            if (!config_.noEcho)
                send('T', {config_.wrongEcho.value_or(0x54)}, endNs + config_.echoDelayMs * kNsPerMs);
            return;
        }
        break;
    case 'I':
        if (mode_ == Mode::Test) {
            trace("I");
            answerInfo(endNs);
            return;
        }
        break;
    case 'H':
    case 'D':
        if (mode_ == Mode::Test) {
            trace(std::string(1, static_cast<char>(byte)));
            answerHistory(byte, endNs);
            return;
        }
        break;
    case 't':
        trace("t");
        afterSyncStart_ = true;
        return;
    case 'b':
        if (mode_ == Mode::Bootloader) {
            trace("b");
            mode_ = Mode::Normal;
            upgradeEnded_ = true;
            return;
        }
        break;
    default:
        if (isRowCommand(byte) && mode_ == Mode::Bootloader) {
            startRow(byte, endNs);
            return;
        }
        break;
    }
    trace("ignored " + hexByte(byte));
}

void MachineProtocol::answerInfo(std::int64_t endNs) {
    std::vector<std::uint8_t> frame = contents_.infoFrameBytes();
    if (config_.infoInvalid == MachineConfig::InfoInvalid::Bootloader)
        frame.back() = 0x20;
    else if (config_.infoInvalid == MachineConfig::InfoInvalid::Serial)
        frame[frame.size() - 5] = std::min<std::uint8_t>(frame[frame.size() - 5], 0x03);
    if (config_.infoShort)
        frame.resize(std::min(frame.size(), *config_.infoShort));
    send('I', frame, endNs + config_.infoDelayMs * kNsPerMs);
}

void MachineProtocol::answerHistory(std::uint8_t command, std::int64_t endNs) {
    std::vector<std::uint8_t> answer = contents_.historyAnswer(command == 'D');
    const bool faulty = config_.historyFaultCount < 0 || historyAnswers_ < config_.historyFaultCount;
    ++historyAnswers_;
    std::optional<MachineConfig::Pause> pause;
    if (faulty) {
        if (config_.historyTruncate)
            answer.resize(std::min(answer.size(), *config_.historyTruncate));
        pause = config_.historyPause;
    }
    send(command, answer, endNs, pause);
}

void MachineProtocol::startRow(std::uint8_t command, std::int64_t endNs) {
    Row row;
    row.command = command;
    row.commandEndNs = endNs;
    row.lastEndNs = endNs;
    const int index = rowsSinceSync_;
    if (config_.expectedRows && index < static_cast<int>(config_.expectedRows->size())) {
        const ExpectedRow& expected = (*config_.expectedRows)[static_cast<std::size_t>(index)];
        row.expectedLength = expected.bytes.size();
        if (expected.command != command)
            trace("note row " + std::to_string(index + 1) + " came with command " + hexByte(command) +
                  ", the file's section gives " + hexByte(expected.command));
    }
    row_ = std::move(row);
    if (row_->expectedLength == 0u)
        finishRow(endNs);
}

std::optional<std::int64_t> MachineProtocol::quietRowEndNs() const {
    if (!row_ || row_->expectedLength)
        return std::nullopt;
    if (row_->bytes.empty())
        return row_->commandEndNs + config_.emptyRowMs * kNsPerMs;
    return row_->lastEndNs + config_.rowGapMs * kNsPerMs;
}

void MachineProtocol::endQuietRow(std::int64_t nowNs) {
    const std::optional<std::int64_t> endNs = quietRowEndNs();
    if (endNs && nowNs >= *endNs)
        finishRow(*endNs);
}

void MachineProtocol::finishRow(std::int64_t endNs) {
    Row row = std::move(*row_);
    row_.reset();
    ++rowsSinceSync_;
    const std::string data = hex(row.bytes);
    trace(std::string(1, static_cast<char>(row.command)) + (data.empty() ? "" : " " + data));
    if (config_.expectedRows && rowsSinceSync_ <= static_cast<int>(config_.expectedRows->size())) {
        const ExpectedRow& expected = (*config_.expectedRows)[static_cast<std::size_t>(rowsSinceSync_ - 1)];
        if (expected.bytes != row.bytes)
            trace("note row " + std::to_string(rowsSinceSync_) + " differs from line " +
                  std::to_string(expected.line) + " of the upgrade file");
    }
    answerRow(row.command, endNs + config_.rowDelayMs * kNsPerMs);
}

void MachineProtocol::answerRow(std::uint8_t command, std::int64_t readyNs) {
    std::vector<std::uint8_t> answer{kAck};
    if (config_.rowFault && config_.rowFault->row == rowsSinceSync_) {
        switch (config_.rowFault->kind) {
        case MachineConfig::RowFault::Kind::Nak:
            answer = {kNak};
            break;
        case MachineConfig::RowFault::Kind::Byte:
            answer = {config_.rowFault->byte};
            break;
        case MachineConfig::RowFault::Kind::Silence:
            answer.clear();
            break;
        }
    }
    send(command, answer, readyNs);
}

void MachineProtocol::send(std::uint8_t command, const std::vector<std::uint8_t>& bytes,
                           std::int64_t notBeforeNs, std::optional<MachineConfig::Pause> pause,
                           bool alwaysPaced) {
    std::size_t count = bytes.size();
    bool cut = false;
    if (config_.disconnect && !cutPlaced_ &&
        static_cast<std::uint8_t>(config_.disconnect->command) == command) {
        count = std::min(count, config_.disconnect->afterBytes);
        cut = true;
        cutPlaced_ = true;
    }
    const std::int64_t wireNs = config_.paced || alwaysPaced ? kByteNs : 0;
    // A pause before the first byte is a late answer.
    if (pause && pause->afterBytes == 0)
        notBeforeNs += pause->ms * kNsPerMs;
    for (std::size_t i = 0; i < count; ++i) {
        Outgoing out;
        out.byte = bytes[i];
        out.notBeforeNs = notBeforeNs;
        out.wireNs = wireNs;
        if (pause && i == pause->afterBytes && i > 0)
            out.pauseNs = pause->ms * kNsPerMs;
        outgoing_.push_back(out);
    }
    if (cut) {
        Outgoing out;
        out.notBeforeNs = notBeforeNs;
        out.cut = true;
        outgoing_.push_back(out);
    }
}

std::vector<std::uint8_t> MachineProtocol::transmit(std::int64_t nowNs) {
    endQuietRow(nowNs);
    std::vector<std::uint8_t> out;
    while (!outgoing_.empty() && !disconnected_) {
        const Outgoing& next = outgoing_.front();
        const std::int64_t startNs = std::max(next.notBeforeNs, transmitEndNs_ + next.pauseNs);
        const std::int64_t endNs = startNs + next.wireNs;
        if (endNs > nowNs)
            break;
        if (next.cut) {
            disconnected_ = true;
            outgoing_.clear();
            trace("disconnect");
            break;
        }
        out.push_back(next.byte);
        transmitEndNs_ = endNs;
        outgoing_.pop_front();
    }
    return out;
}

std::optional<std::int64_t> MachineProtocol::nextEventNs() const {
    std::optional<std::int64_t> next = quietRowEndNs();
    if (!outgoing_.empty() && !disconnected_) {
        const Outgoing& front = outgoing_.front();
        const std::int64_t due = std::max(front.notBeforeNs, transmitEndNs_ + front.pauseNs) + front.wireNs;
        next = next ? std::min(*next, due) : due;
    }
    return next;
}

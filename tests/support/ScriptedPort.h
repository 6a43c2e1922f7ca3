#pragma once

#include "core/base/Clock.h"
#include "core/link/EComPort.h"
#include "core/link/Port.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A serial port whose far end is played from a script on the test's clock (a VirtualClock as a rule).
// Bytes the script sends arrive at set times after the write they answer and wait in the receive queue
// like a driver's; purging drops only what has arrived. Everything the program does is recorded with the
// time it did it.
class ScriptedPort : public Port {
public:
    using Bytes = std::vector<std::uint8_t>;
    struct Chunk {
        int atMs; // after the write it answers
        Bytes bytes;
    };
    using Reply = std::vector<Chunk>;
    struct Event {
        std::int64_t atMs;
        std::string what; // "open", "close", "setport NAME", "write", "clear in", "clear in out", "clear out"
        Bytes bytes;      // for "write"
    };

    static constexpr std::uint8_t kAck = 0x06;

    explicit ScriptedPort(Clock& clock) : clock_(clock) {}

    // ---- The script.
    std::vector<std::string> ports; // what EnumComPorts lists, in this order
    bool enumerationFails = false;
    std::map<std::string, int> openErrors; // port name -> errno that Open raises
    std::string machinePort;               // the port the machine is behind; empty: every port
    int drainMs = 0;                       // written bytes stay in the transmit queue this long
    bool transmitStuck = false;            // the transmit queue never empties
    // From this time on every operation on the port fails with EIO, as when the adapter is unplugged.
    std::optional<std::int64_t> unplugAtMs;
    // Every operation fails with EIO until the port is closed and opened again, as a port left open while
    // the machine restarted or the adapter was plugged in again.
    bool stale = false;
    // Told of every operation, before it is carried out ("write", "read", "count input", ...).
    std::function<void(const std::string& operation)> onOperation;
    // Rows (the write after 0x50, 0x51 or 0x52) are answered from here in turn, then acknowledged with
    // 0x06 after rowMs.
    std::deque<Reply> rowReplies;
    int rowMs = 5;

    // Answers to a one-byte command, in turn; the last one stays for every later command. None: silence.
    void reply(std::uint8_t command, Reply answer) { replies_[command].push_back(std::move(answer)); }
    // The same answers to one command from now on.
    void replyAlways(std::uint8_t command, Reply answer) {
        replies_[command].clear();
        reply(command, std::move(answer));
    }
    void silence(std::uint8_t command) { replyAlways(command, {}); }
    // Bytes that arrive unasked, atMs from now (noise on the line).
    void arriveIn(int atMs, const Bytes& bytes) { schedule(clock_.nowMs() + atMs, bytes); }

    static Reply at(int atMs, Bytes bytes) { return {{atMs, std::move(bytes)}}; }
    // An answer sent without pause from firstMs on, as chunks of bytesPerChunk every everyMs.
    static Reply paced(const Bytes& bytes, int firstMs, std::size_t bytesPerChunk, int everyMs) {
        Reply reply;
        for (std::size_t at = 0, i = 0; at < bytes.size(); at += bytesPerChunk, ++i) {
            const auto end =
                bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + bytesPerChunk));
            reply.push_back({firstMs + static_cast<int>(i) * everyMs,
                             Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at), end)});
        }
        return reply;
    }

    // ---- What the program did.
    std::vector<Event> events;
    Bytes written; // every byte written, in order
    std::vector<Bytes> writes;
    int opens = 0;
    long long inputCounts = 0;
    long long outputCounts = 0;

    std::vector<std::string> operations() const {
        std::vector<std::string> names;
        for (const Event& event : events)
            names.push_back(event.what);
        return names;
    }
    // The one-byte writes, as characters ("TTTTI...").
    std::string commands() const {
        std::string text;
        for (const Bytes& bytes : writes)
            if (bytes.size() == 1)
                text += static_cast<char>(bytes[0]);
        return text;
    }
    int pendingInput() const { return static_cast<int>(incoming_.size()); }

    // ---- Port.
    void SetPort(const std::string& name) override {
        if (name == name_)
            return;
        name_ = name;
        record("setport " + name);
        if (open_) {
            Close();
            Open();
        }
    }
    const std::string& PortName() const override { return name_; }

    void Open() override {
        if (open_)
            return;
        if (name_.empty())
            throw EComPort("open (no port selected)", ENOENT);
        if (const auto error = openErrors.find(name_); error != openErrors.end())
            throw EComPort("open /dev/" + name_, error->second);
        if (unplugged())
            throw EComPort("open /dev/" + name_, ENOENT);
        open_ = true;
        ++opens;
        record("open");
    }
    void Close() override {
        if (!open_)
            return;
        open_ = false;
        stale = false;
        incoming_.clear();
        outgoing_.clear();
        expectRow_ = false;
        record("close");
    }
    bool Connected() const override { return open_; }

    int Write(const std::uint8_t* data, int count) override {
        require("write");
        Bytes bytes(data, data + count);
        record("write", bytes);
        written.insert(written.end(), bytes.begin(), bytes.end());
        writes.push_back(bytes);
        outgoing_.push_back({clock_.nowMs() + drainMs, count});
        if (atMachine())
            answer(bytes);
        return count;
    }
    int Read(std::uint8_t* buffer, int count) override {
        require("read");
        const std::int64_t now = clock_.nowMs();
        int n = 0;
        while (n < count && !incoming_.empty() && incoming_.begin()->first <= now) {
            buffer[n++] = incoming_.begin()->second;
            incoming_.erase(incoming_.begin());
        }
        return n;
    }
    int InputCount() override {
        require("count input");
        ++inputCounts;
        return static_cast<int>(std::distance(incoming_.begin(), incoming_.upper_bound(clock_.nowMs())));
    }
    int OutputCount() override {
        require("count output");
        ++outputCounts;
        const std::int64_t now = clock_.nowMs();
        int pending = 0;
        for (const auto& [doneAt, count] : outgoing_)
            if (transmitStuck || doneAt > now)
                pending += count;
        return pending;
    }
    void ClearBuffer(bool input, bool output) override {
        require("clear buffer");
        record(std::string("clear") + (input ? " in" : "") + (output ? " out" : ""));
        if (input)
            incoming_.erase(incoming_.begin(), incoming_.upper_bound(clock_.nowMs()));
        if (output)
            outgoing_.clear();
    }
    std::vector<std::string> EnumComPorts() override {
        if (onOperation)
            onOperation("enumerate");
        if (enumerationFails)
            throw EComPort("enumerate ports", EIO);
        return ports;
    }

private:
    struct Outgoing {
        std::int64_t doneAt;
        int count;
    };

    bool unplugged() const { return unplugAtMs && clock_.nowMs() >= *unplugAtMs; }
    bool atMachine() const { return machinePort.empty() || name_ == machinePort; }

    void require(const std::string& operation) {
        if (onOperation)
            onOperation(operation);
        if (!open_)
            throw EComPort(operation + " (port not open)", 0);
        if (unplugged() || stale)
            throw EComPort(operation, EIO);
    }
    void record(const std::string& what, Bytes bytes = {}) {
        events.push_back({clock_.nowMs(), what, std::move(bytes)});
    }

    void schedule(std::int64_t at, const Bytes& bytes) {
        for (std::uint8_t byte : bytes)
            incoming_.emplace(at, byte);
    }
    void play(const Reply& reply) {
        const std::int64_t now = clock_.nowMs();
        for (const Chunk& chunk : reply)
            schedule(now + chunk.atMs, chunk.bytes);
    }
    void answer(const Bytes& bytes) {
        if (expectRow_) {
            expectRow_ = false;
            if (rowReplies.empty()) {
                play(at(rowMs, {kAck}));
            } else {
                play(rowReplies.front());
                rowReplies.pop_front();
            }
            return;
        }
        if (bytes.size() != 1)
            return;
        const auto script = replies_.find(bytes[0]);
        if (script == replies_.end() || script->second.empty()) {
            expectRow_ = bytes[0] == 0x50 || bytes[0] == 0x51 || bytes[0] == 0x52;
            return;
        }
        play(script->second.front());
        if (script->second.size() > 1)
            script->second.pop_front();
    }

    Clock& clock_;
    std::string name_;
    bool open_ = false;
    bool expectRow_ = false;
    std::multimap<std::int64_t, std::uint8_t> incoming_; // arrival time -> byte, in order of arrival
    std::vector<Outgoing> outgoing_;
    std::map<std::uint8_t, std::deque<Reply>> replies_;
};

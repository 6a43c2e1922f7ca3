#pragma once

#include "apps/machine-sim/ExpectedRows.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// How the simulated machine behaves on the wire, faults included. The defaults are a healthy machine on a
// 38400 baud line.
struct MachineConfig {
    // Answers leave at the line's rate (10 bits a byte at 38400 baud), and a byte from the PC counts as
    // received only when it would have crossed the line; off, answers go out at once.
    bool paced = true;
    // Programming time of one row, from its last byte to the acknowledgement.
    int rowDelayMs = 10;
    // Without the upgrade file, a row ends when the line stays quiet this long after its last byte...
    int rowGapMs = 2;
    // ...or, for a row without any byte, this long after its command byte.
    int emptyRowMs = 500;
    // The upgrade file's data rows in order: each row then ends after exactly its own length.
    std::optional<std::vector<ExpectedRow>> expectedRows;

    // A slow adapter or a busy PC: the echo of "T" and the info frame leave this much later.
    int echoDelayMs = 0;
    int infoDelayMs = 0;

    // Faults.
    int noiseAfterTMs = 0; // noise on the line after the "T" that enters test mode
    bool noEcho = false;
    std::optional<std::uint8_t> wrongEcho;
    std::optional<std::size_t> infoShort; // the info frame stops after this many bytes
    enum class InfoInvalid { None, Bootloader, Serial };
    InfoInvalid infoInvalid = InfoInvalid::None;
    std::optional<std::size_t> historyTruncate; // the history answer stops after this many bytes
    struct Pause {
        std::size_t afterBytes = 0;
        int ms = 0;
    };
    std::optional<Pause> historyPause;
    int historyFaultCount = -1; // how many history answers get the faults above; -1: all
    std::vector<std::uint8_t> syncAnswer{0x06};
    struct RowFault {
        enum class Kind { Nak, Byte, Silence };
        int row = 0; // counted from 1 among the data rows after each synchronisation
        Kind kind = Kind::Nak;
        std::uint8_t byte = 0x15;
    };
    std::optional<RowFault> rowFault;
    struct Disconnect {
        char command = 'H'; // whose answer is cut
        std::size_t afterBytes = 0;
    };
    std::optional<Disconnect> disconnect;
};

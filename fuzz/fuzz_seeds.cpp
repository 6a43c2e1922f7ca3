// Writes generated inputs for a fuzz target's seed corpus: one small input per feature of the format (each
// layout and one that no layout reads, each header form, with and without a short extra block, an event
// ring that has wrapped), so that fuzzing starts from every branch of the reader, not from a few large
// files whose every mutation costs as much as all their records.
//
//   fuzz_seeds record|machine|bin DIR

#include "core/database/DBMowerFile.h"
#include "tools/gen/HistoryGenerator.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ios>
#include <sstream>
#include <string>
#include <vector>

namespace {

void save(const std::filesystem::path& dir, const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string featureName(const HistoryFeatures& f) {
    return "layout" + std::to_string(f.layout) + (f.extendedHeader ? "-extended" : "-plain") +
           (f.extraBlock ? "-extra" : "") + (f.wrappedRing ? "-wrapped" : "");
}

std::vector<HistoryFeatures> oneOfEachFeature() {
    std::vector<HistoryFeatures> all;
    int index = 0;
    for (int layout = 0; layout <= 3; ++layout)
        for (bool extended : {false, true})
            for (bool extra : {false, true}) {
                HistoryFeatures f;
                f.layout = layout;
                f.hardwareCode = index % 2 == 0 ? 4 : 3;
                f.typeCode = HistoryGenerator::kTypeCodes[static_cast<std::size_t>(index) %
                                                          HistoryGenerator::kTypeCodes.size()];
                f.extendedHeader = extended;
                f.extraBlock = extra;
                f.wrappedRing = index % 3 == 0;
                ++index;
                if (HistoryGenerator::Possible(f))
                    all.push_back(f);
            }
    return all;
}

std::unique_ptr<FXUMowerLog> machineOf(std::vector<GeneratedHistory> histories, std::uint8_t typeCode) {
    auto machine = std::make_unique<FXUMowerLog>();
    machine->SetTypeCode(typeCode);
    machine->SetMachineNumber(1234);
    machine->SetName("Dupont");
    machine->SetFirstName("Anne");
    machine->SetAddress("1 rue Haute\n75000 Paris\n");
    for (GeneratedHistory& history : histories) {
        std::unique_ptr<FXULog> record = history.makeRecord();
        machine->Insert(history.time, record);
    }
    return machine;
}

// The file without its CRC, which the target appends; empty for a machine the writer refuses.
std::string machineSeed(FXUMowerLog& machine) {
    try {
        std::string bytes = DBMowerFile::Serialize(machine);
        bytes.resize(bytes.size() - DBMowerFile::kCrcSize);
        return bytes;
    } catch (const std::ios_base::failure&) {
        return {};
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string kind = argv[1];
    const std::filesystem::path dir = argv[2];
    std::filesystem::create_directories(dir);
    // The one history as the input of this kind: a record block, a .bin file or a machine file of one record.
    auto write = [&](const std::string& name, const GeneratedHistory& history, std::uint8_t typeCode) {
        std::string bytes;
        if (kind == "record") {
            std::ostringstream out;
            history.makeRecord()->WriteRecord(out);
            bytes = out.str();
        } else if (kind == "bin") {
            const auto file = history.binFile();
            bytes.assign(file.begin(), file.end());
        } else if (kind == "machine") {
            bytes = machineSeed(*machineOf({history}, typeCode));
        }
        if (!bytes.empty())
            save(dir, name, bytes);
    };

    HistoryGenerator generator(7);
    std::vector<GeneratedHistory> made;
    for (const HistoryFeatures& features : oneOfEachFeature()) {
        GeneratedHistory history = generator.history(features);
        if (!history.extraBlock.empty())
            history.extraBlock.resize(69); // the shortest block a stored record keeps
        history.comment = history.comment.substr(0, 16);
        write(featureName(features), history, features.typeCode);
        made.push_back(std::move(history));
    }
    const auto plainOne = made.front(); // no layout, plain header
    const auto extendedOne =
        *std::find_if(made.begin(), made.end(), [](const auto& h) { return h.frame.hasExtBytes; });
    auto withExtra =
        *std::find_if(made.begin(), made.end(), [](const auto& h) { return !h.extraBlock.empty(); });

    // Extra blocks too short to be told from a comment length: a record block keeps none, a machine file
    // reads them in whichever way lets the records that follow fit.
    for (std::size_t length : {0, 2, 68}) {
        withExtra.extraBlock.resize(length);
        write("short-extra-" + std::to_string(length), withExtra, 4);
    }
    if (kind == "machine") {
        // Two records of one machine, the first with a short extra block, and the older file form: a first
        // byte above 1 and three bytes before the format byte.
        withExtra.extraBlock.resize(5);
        withExtra.time = FXULogTime(2021, 6, 1, 9, 0, 0);
        GeneratedHistory later = extendedOne;
        later.time = FXULogTime(2023, 6, 1, 9, 0, 0);
        const std::string two = machineSeed(*machineOf({withExtra, later}, 4));
        if (!two.empty())
            save(dir, "two-records", two);
        const std::string one = machineSeed(*machineOf({plainOne}, 4));
        if (!one.empty()) {
            save(dir, "leading-bytes", std::string("\x02\x00\x00\x00", 4) + one);
            // The same record twice: the second of one time is dropped.
            std::ostringstream block;
            plainOne.makeRecord()->WriteRecord(block);
            std::string twice = one + block.str();
            twice[one.size() - block.str().size() - 2] = 2; // the record count, least significant byte
            save(dir, "same-time-twice", twice);
        }
    }
    return 0;
}

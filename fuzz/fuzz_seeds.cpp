// Writes generated inputs for a fuzz target's seed corpus: realistic files of every kind the generator
// makes, so fuzzing starts from deep inside the formats.
//
//   fuzz_seeds record|machine|bin DIR

#include "core/database/DBMowerFile.h"
#include "tools/gen/HistoryGenerator.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

void save(const std::filesystem::path& dir, int index, const std::string& bytes) {
    std::ofstream(dir / ("seed-" + std::to_string(index)), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string kind = argv[1];
    const std::filesystem::path dir = argv[2];
    std::filesystem::create_directories(dir);
    HistoryGenerator generator(7);
    int index = 0;
    for (const HistoryFeatures& features : HistoryGenerator::AllFeatureCombinations()) {
        if (index % 7 != 0 && index > 0) { // a spread of combinations is enough to start from
            ++index;
            continue;
        }
        const GeneratedHistory history = generator.history(features);
        if (kind == "record") {
            std::ostringstream out;
            history.makeRecord()->WriteRecord(out);
            save(dir, index, out.str());
        } else if (kind == "bin") {
            const auto bytes = history.binFile();
            save(dir, index, std::string(bytes.begin(), bytes.end()));
        }
        ++index;
    }
    // Machine seeds are files without their CRC: the target appends a correct one.
    if (kind == "machine")
        for (int i = 0; i < 24; ++i) {
            std::string bytes = DBMowerFile::Serialize(*generator.machine(3));
            bytes.resize(bytes.size() - 4);
            save(dir, i, bytes);
        }
    return 0;
}

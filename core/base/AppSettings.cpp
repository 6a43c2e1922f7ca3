#include "core/base/AppSettings.h"

#include "core/base/InputFile.h"

std::optional<std::string> AppSettings::ReadProblem() const {
    InputFile::Failure failure = InputFile::Failure::None;
    std::string reason;
    if (InputFile::Read(FileName(), InputFile::kSmallFileMaxSize, &failure, &reason))
        return std::nullopt;
    if (!InputFile::Exists(FileName()))
        return std::nullopt; // a first start
    return reason;
}

#include "core/base/AppSettings.h"

#include "core/base/FileBytes.h"
#include "core/base/InputFile.h"

std::optional<std::string> AppSettings::ReadProblem() const {
    InputFile::Failure failure = InputFile::Failure::None;
    std::string reason;
    if (InputFile::Read(FileName(), FileBytes::kDefaultMaxSize, &failure, &reason))
        return std::nullopt;
    if (!FileBytes::exists(FileName()))
        return std::nullopt; // a first start
    return reason;
}

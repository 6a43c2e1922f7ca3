#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string_view>

// What every program of the kit answers the same way: --version and --help, and the language of the
// user's locale for messages on standard error.
class ToolOptions {
public:
    // The project's version, set in the top CMakeLists.txt alone.
    static const char* Version();

    // With exactly one argument, --version or --help: prints the answer on out and gives the exit code (0);
    // nothing for any other arguments, which are the program's own.
    static std::optional<int> Answer(int argc, const char* const* argv, std::string_view program,
                                     std::string_view help, std::ostream& out);
    // The catalogue's language (0 English, 1 French, 2 Italian, 3 Dutch, 4 German) of the first of LC_ALL,
    // LC_MESSAGES and LANG that is set; English for any other.
    static int LocaleLanguage(const std::function<const char*(const char*)>& environment);
    static int LocaleLanguage();
};

#include "core/base/ToolOptions.h"

#include <cstdlib>
#include <string>

const char* ToolOptions::Version() {
    return OSK_VERSION;
}

std::optional<int> ToolOptions::Answer(int argc, const char* const* argv, std::string_view program,
                                       std::string_view help, std::ostream& out) {
    if (argc != 2)
        return std::nullopt;
    const std::string_view option = argv[1];
    if (option == "--version") {
        out << program << ' ' << Version() << '\n';
        return 0;
    }
    if (option == "--help") {
        out << help;
        if (!help.empty() && help.back() != '\n')
            out << '\n';
        return 0;
    }
    return std::nullopt;
}

int ToolOptions::LocaleLanguage(const std::function<const char*(const char*)>& environment) {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = environment(variable);
        if (!value || !*value)
            continue;
        const std::string_view code = std::string_view(value).substr(0, 2);
        const std::string_view codes[] = {"en", "fr", "it", "nl", "de"};
        for (int language = 0; language < 5; ++language)
            if (code == codes[language])
                return language;
        return 0;
    }
    return 0;
}

int ToolOptions::LocaleLanguage() {
    return LocaleLanguage([](const char* name) { return std::getenv(name); });
}

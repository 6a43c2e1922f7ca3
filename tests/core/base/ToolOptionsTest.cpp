#include "core/base/ToolOptions.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>

TEST(ToolOptions, AnswersVersionAndHelpAndLeavesOtherArgumentsAlone) {
    std::ostringstream out;
    const char* version[] = {"orvane-inspect", "--version"};
    EXPECT_EQ(ToolOptions::Answer(2, version, "orvane-inspect", "usage: x", out), 0);
    EXPECT_EQ(out.str(), std::string("orvane-inspect ") + ToolOptions::Version() + "\n");
    out.str("");
    const char* help[] = {"orvane-inspect", "--help"};
    EXPECT_EQ(ToolOptions::Answer(2, help, "orvane-inspect", "usage: x", out), 0);
    EXPECT_EQ(out.str(), "usage: x\n");
    out.str("");
    // A file named like an option after a command, or the option with more: the program's own arguments.
    const char* more[] = {"orvane-inspect", "dat", "--help"};
    EXPECT_FALSE(ToolOptions::Answer(3, more, "orvane-inspect", "usage", out));
    const char* other[] = {"orvane-inspect", "--versions"};
    EXPECT_FALSE(ToolOptions::Answer(2, other, "orvane-inspect", "usage", out));
    EXPECT_EQ(out.str(), "");
}

TEST(ToolOptions, TakesTheLanguageOfTheFirstLocaleVariableSet) {
    auto language = [](std::map<std::string, std::string> variables) {
        return ToolOptions::LocaleLanguage([&variables](const char* name) -> const char* {
            const auto found = variables.find(name);
            return found == variables.end() ? nullptr : found->second.c_str();
        });
    };
    EXPECT_EQ(language({}), 0);
    EXPECT_EQ(language({{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "nl_BE.UTF-8"}}), 3);
    EXPECT_EQ(language({{"LANG", "de_DE.UTF-8"}, {"LC_ALL", "it_IT"}}), 2);
    // An empty variable is skipped; a language the program lacks is English.
    EXPECT_EQ(language({{"LC_ALL", ""}, {"LANG", "fr_CH"}}), 1);
    EXPECT_EQ(language({{"LANG", "es_ES.UTF-8"}}), 0);
}

#include "core/i18n/ProgramTexts.h"

#include "core/i18n/FXUStringTable.h"

#include <gtest/gtest.h>
#include <set>

namespace {

std::set<std::string> placeholders(const std::string& text) {
    std::set<std::string> found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9')
            found.insert(text.substr(i, 2));
    return found;
}

} // namespace

TEST(ProgramTexts, EveryLanguageHoldsTheSameArgumentsAndFollowsTheCatalogue) {
    using Id = ProgramTexts::Id;
    for (int row = 0; row < ProgramTexts::kCount; ++row) {
        const auto id = static_cast<Id>(row);
        const std::set<std::string> english = placeholders(ProgramTexts::Text(id, 0));
        const bool caption =
            id == Id::RetryButton || id == Id::CloseWithoutSavingButton || id == Id::CancelButton;
        const bool plain = id == Id::OperationRunning || id == Id::FileNotOpened ||
                           id == Id::ExportIntoDatabase || id == Id::CentralUnreachable ||
                           id == Id::CentralSynchroniseMenu || id == Id::CentralSynchronising ||
                           id == Id::CentralKeepHere || id == Id::CentralKeepStore ||
                           (id >= Id::FindPlaceholder && id <= Id::TrendsHint && id != Id::MachinesShown &&
                            id != Id::ReportRecordOf && id != Id::ReportPrintedOn &&
                            id != Id::ReportLastEvents && id != Id::ReportNotWritten);
        EXPECT_EQ(english.empty(), plain || caption) << row;
        for (int language = 1; language < FXUStringTable::kLanguages; ++language) {
            const std::string text = ProgramTexts::Text(id, language); // throws outside Windows-1252
            EXPECT_EQ(placeholders(text), english) << row << " in language " << language;
            EXPECT_NE(text, ProgramTexts::Text(id, 0)) << row << " is translated into " << language;
        }
    }
    EXPECT_THROW(ProgramTexts::Text(Id::TooLongToStore, 5), std::out_of_range);

    // Arguments go in once, in their own bytes, even when they look like a placeholder.
    EXPECT_EQ(ProgramTexts::Text(Id::TooLongToStore, 0, {"Address", "%3", "256"}),
              "Address: too long to be stored (%3 characters with the line breaks, at most 256).");
    EXPECT_EQ(
        ProgramTexts::Text(Id::UnholdableCharacter, 4, {"Name", "U+0141"}),
        "Name: Das Zeichen U+0141 kann nicht gespeichert werden; bitte nur westeurop\xe4ische Buchstaben "
        "verwenden.");

    // Without a language the catalogue's decides, including its fallback for a number out of range.
    FXUStringTable::destroyInstance();
    FXUStringTable& catalogue = *FXUStringTable::getInstance();
    catalogue.SetLanguage(3);
    EXPECT_EQ(ProgramTexts::Text(Id::MachineFileNotWritten, {"QA-07-0012"}),
              ProgramTexts::Text(Id::MachineFileNotWritten, 3, {"QA-07-0012"}));
    catalogue.SetLanguage(9);
    EXPECT_EQ(ProgramTexts::Text(Id::MachineFileNotWritten, {"x"}),
              ProgramTexts::Text(Id::MachineFileNotWritten, 3, {"x"}));
    FXUStringTable::destroyInstance();
}

#include "core/base/LastFolderPrompts.h"

#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

TEST(LastFolderPrompts, OpensEachDialogWhereTheLastFileWasChosen) {
    ScriptedPrompts inner;
    LastFolderPrompts prompts(inner);
    prompts.setFolder("/srv/start");
    const Prompts::FileDialog open{Prompts::FileDialog::Mode::Open, "Import", "All files|*.*", 1, {}};

    inner.fileAnswers = {"/home/dealer/db/../exports/a.dat", std::nullopt, "relative.dat", "/b.bin"};
    EXPECT_EQ(prompts.chooseFile(open), "/home/dealer/db/../exports/a.dat") << "handed on as chosen";
    EXPECT_EQ(prompts.folder(), "/home/dealer/exports");
    EXPECT_FALSE(prompts.chooseFile(open)) << "cancel";
    EXPECT_EQ(prompts.folder(), "/home/dealer/exports") << "a cancel keeps the folder";
    EXPECT_EQ(prompts.chooseFile(open), "relative.dat");
    EXPECT_EQ(prompts.folder(), "/home/dealer/exports") << "a name without a folder says nothing";

    Prompts::FileDialog own = open;
    own.folder = "/media/usb";
    EXPECT_EQ(prompts.chooseFile(own), "/b.bin");
    EXPECT_EQ(prompts.folder(), "/");

    ASSERT_EQ(inner.dialogs.size(), 4u);
    EXPECT_EQ(inner.dialogs[0].folder, "/srv/start");
    EXPECT_EQ(inner.dialogs[1].folder, "/home/dealer/exports");
    EXPECT_EQ(inner.dialogs[2].folder, "/home/dealer/exports");
    EXPECT_EQ(inner.dialogs[3].folder, "/media/usb") << "a dialog that names its folder keeps it";
    EXPECT_EQ(inner.dialogs[0].title, "Import");

    // Everything else goes straight through.
    inner.answers = {Prompts::Answer::Cancel};
    EXPECT_EQ(prompts.message(Prompts::Kind::Confirmation, "Sure?", Prompts::Buttons::OkCancel),
              Prompts::Answer::Cancel);
    ASSERT_EQ(inner.shown.size(), 1u);
    EXPECT_EQ(inner.shown[0].text, "Sure?");
    EXPECT_EQ(&prompts.progress(), &inner.progress());
}

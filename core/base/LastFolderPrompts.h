#pragma once

#include "core/base/Prompts.h"

#include <string>

// Hands everything on to another Prompts, but opens each file dialog in the folder of the file chosen
// last, so that a dealer who imports several files from one place finds it again.
class LastFolderPrompts : public Prompts {
public:
    explicit LastFolderPrompts(Prompts& inner) : inner_(inner) {}

    Answer message(Kind kind, const std::string& text, Buttons buttons) override {
        return inner_.message(kind, text, buttons);
    }
    // A dialog that names its own folder keeps it; a chosen file makes its folder the next one.
    std::optional<std::string> chooseFile(const FileDialog& dialog) override;
    Progress& progress() override { return inner_.progress(); }

    const std::string& folder() const { return folder_; }
    void setFolder(std::string folder) { folder_ = std::move(folder); }

private:
    Prompts& inner_;
    std::string folder_;
};

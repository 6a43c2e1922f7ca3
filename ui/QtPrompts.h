#pragma once

#include "core/base/Prompts.h"

#include <QStringList>

class QWidget;

// Message boxes on screen, and the progress window the entry point creates after the main window.
class QtPrompts : public Prompts {
public:
    static const char* const kTitle;

    Answer message(Kind kind, const std::string& text, Buttons buttons) override;
    std::optional<std::string> chooseFile(const FileDialog& dialog) override;
    // "database|*.dat|All files|*.*" as Qt writes it: "database (*.dat);;All files (*.*)".
    static QStringList qtFilters(const std::string& filter);
    Progress& progress() override;
    void setProgress(Progress* progress) { progress_ = progress; }

private:
    Progress* progress_ = nullptr;
};

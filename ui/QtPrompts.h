#pragma once

#include "core/base/Prompts.h"

class QWidget;

// Message boxes on screen, and the progress window the entry point creates after the main window.
class QtPrompts : public Prompts {
public:
    static const char* const kTitle;

    Answer message(Kind kind, const std::string& text, Buttons buttons) override;
    Progress& progress() override;
    void setProgress(Progress* progress) { progress_ = progress; }

private:
    Progress* progress_ = nullptr;
};

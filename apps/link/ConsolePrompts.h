#pragma once

#include "core/base/Prompts.h"

#include <string>

// The prompts of a command-line run: every question was answered by its arguments (the file to use, the
// confirmation), messages are left to the event log's lines, and there is no progress window.
class ConsolePrompts : public Prompts {
public:
    explicit ConsolePrompts(std::string file = {}) : file_(std::move(file)) {}

    Answer message(Kind, const std::string&, Buttons) override { return Answer::Ok; }
    std::optional<std::string> chooseFile(const FileDialog&) override {
        if (file_.empty())
            return std::nullopt;
        return file_;
    }
    Progress& progress() override { return progress_; }

private:
    class NoProgress : public Progress {
    public:
        void setCaption(const std::string&) override {}
        void setMessage(const std::string&) override {}
        void setMax(int) override {}
        void setPosition(int) override {}
        void show() override {}
        void hide() override {}
    };

    std::string file_;
    NoProgress progress_;
};

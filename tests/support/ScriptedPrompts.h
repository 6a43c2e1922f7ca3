#pragma once

#include "core/base/Prompts.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Records what the user would have been shown and answers from a script (the default button when the
// script is empty).
class RecordingProgress : public Progress {
public:
    void setCaption(const std::string& text) override { calls.push_back("caption:" + text); }
    void setMessage(const std::string& text) override { calls.push_back("message:" + text); }
    void setMax(int max) override { calls.push_back("max:" + std::to_string(max)); }
    void setPosition(int position) override { calls.push_back("position:" + std::to_string(position)); }
    void show() override { calls.push_back("show"); }
    void hide() override { calls.push_back("hide"); }

    std::vector<std::string> calls;
};

class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        Kind kind;
        std::string text;
        Buttons buttons;
    };

    Answer message(Kind kind, const std::string& text, Buttons buttons) override {
        shown.push_back({kind, text, buttons});
        // What the user does while the box is up (mends a fault before "try again", for instance).
        if (whileShown)
            whileShown(shown.back());
        if (answers.empty())
            return defaultAnswer(buttons);
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // Answers file dialogs from fileAnswers in turn; an empty script cancels.
    std::optional<std::string> chooseFile(const FileDialog& dialog) override {
        dialogs.push_back(dialog);
        if (fileAnswers.empty())
            return std::nullopt;
        auto answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    Progress& progress() override { return progressWindow; }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::function<void(const Shown&)> whileShown;
    std::vector<FileDialog> dialogs;
    std::deque<std::optional<std::string>> fileAnswers;
    RecordingProgress progressWindow;
};

#pragma once

#include "core/base/Progress.h"

#include <string>

// Everything that waits on the user or shows progress goes through here, so that command flows can be
// scripted in tests. Texts are Windows-1252 bytes.
class Prompts {
public:
    enum class Kind { Warning, Error, Information, Confirmation };
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    virtual ~Prompts() = default;
    virtual Answer message(Kind kind, const std::string& text, Buttons buttons) = 0;
    virtual Progress& progress() = 0;
};

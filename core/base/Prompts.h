#pragma once

#include "core/base/Progress.h"

#include <optional>
#include <string>

// Everything that waits on the user or shows progress goes through here, so that command flows can be
// scripted in tests. Texts are Windows-1252 bytes.
class Prompts {
public:
    // Plain: a message without an icon, for an outcome that needs no emphasis ("Upgrade done.").
    enum class Kind { Warning, Error, Information, Confirmation, Plain };
    // RetryCloseCancel: "try again", "close without saving", "cancel" (the default, and Escape).
    enum class Buttons { Ok, OkCancel, RetryCloseCancel };
    enum class Answer { Ok, Cancel, Retry, CloseAnyway };

    // What Enter chooses: OK where the box has it, Cancel otherwise.
    static constexpr Answer defaultAnswer(Buttons buttons) {
        return buttons == Buttons::RetryCloseCancel ? Answer::Cancel : Answer::Ok;
    }

    // An open-file or save-file dialog. The filter's names and patterns alternate, separated by "|"
    // ("database|*.dat|All files|*.*"); filterIndex counts its entries from 1.
    struct FileDialog {
        enum class Mode { Open, Save };
        Mode mode = Mode::Open;
        std::string title;
        std::string filter;
        int filterIndex = 1;
        std::string folder; // where it opens; empty leaves that to the dialog
    };

    virtual ~Prompts() = default;
    virtual Answer message(Kind kind, const std::string& text, Buttons buttons) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseFile(const FileDialog& dialog) = 0;
    virtual Progress& progress() = 0;
};

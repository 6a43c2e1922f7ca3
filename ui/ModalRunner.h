#pragma once

#include <QDialog>
#include <functional>

// Every modal dialog is run through here, so that tests can answer a dialog instead of a person.
class ModalRunner {
public:
    using Runner = std::function<int(QDialog&)>;

    static int run(QDialog& dialog) { return runner() ? runner()(dialog) : dialog.exec(); }
    // Tests install a runner that drives the dialog and returns its result; an empty one restores exec().
    static void setRunner(Runner runner) { ModalRunner::runner() = std::move(runner); }

private:
    static Runner& runner() {
        static Runner current;
        return current;
    }
};

#include "core/base/ProgramFile.h"
#include "core/base/SystemClock.h"
#include "core/link/TComPort.h"
#include "ui/QtPrompts.h"
#include "ui/ServiceKitApplication.h"
#include "ui/SystemSerialPorts.h"
#include "ui/TFXUMainForm.h"
#include "ui/TStatusForm.h"

#include <exception>
#include <memory>

int main(int argc, char** argv) {
    // Arguments are not read: the program is configured by its settings file alone.
    ServiceKitApplication app(argc, argv);
    try {
        SystemClock clock;
        QtPrompts prompts;
        TFXUMainForm FXUMainForm(ProgramFile::executablePath(),
                                 std::make_unique<TComPort>(&listSystemSerialPorts), clock, prompts);
        // Another copy of the program holds the database: the user has been told, and this copy ends.
        if (FXUMainForm.closed())
            return 0;
        TStatusForm StatusForm;
        prompts.setProgress(&StatusForm);
        FXUMainForm.show();
        ServiceKitApplication::exec();
    } catch (const std::exception& error) {
        ServiceKitApplication::showError(error.what());
    } catch (...) {
        ServiceKitApplication::showError("");
    }
    return 0;
}

#include "core/base/CLogger.h"
#include "core/base/ProgramFile.h"
#include "core/base/SystemClock.h"
#include "core/link/TComPort.h"
#include "ui/CloseOnSignal.h"
#include "ui/QtPrompts.h"
#include "ui/ServiceKitApplication.h"
#include "ui/SystemSerialPorts.h"
#include "ui/TFXUMainForm.h"
#include "ui/TStatusForm.h"

#include <exception>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    // Arguments are not read: the program is configured by its settings file alone.
    ServiceKitApplication app(argc, argv);
    try {
        SystemClock clock;
        QtPrompts prompts;
        // A logout, Ctrl+C or a closed terminal ends the program through the same close as File > Exit; also
        // one that comes while the program starts, once it has started.
        TFXUMainForm* window = nullptr;
        CloseOnSignal closeOnSignal(
            [&window](const char* signalName) {
                if (window && !window->closed()) {
                    CLogger::getInstance()->log(std::string("Closing on signal ") + signalName);
                    window->noteCloseRequested();
                }
            },
            [&window] { return window && window->operationRunning(); });
        TFXUMainForm FXUMainForm(ProgramFile::executablePath(),
                                 std::make_unique<TComPort>(&listSystemSerialPorts), clock, prompts);
        // Another copy of the program holds the database: the user has been told, and this copy ends.
        if (FXUMainForm.closed())
            return 0;
        window = &FXUMainForm;
        TStatusForm StatusForm;
        prompts.setProgress(&StatusForm);
        FXUMainForm.show();
        closeOnSignal.watch(FXUMainForm);
        ServiceKitApplication::exec();
    } catch (const std::exception& error) {
        ServiceKitApplication::showError(error.what());
    } catch (...) {
        ServiceKitApplication::showError("");
    }
    return 0;
}

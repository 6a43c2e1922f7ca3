#include "core/base/CLogger.h"
#include "core/base/ProgramFile.h"
#include "core/base/SystemClock.h"
#include "core/base/ToolOptions.h"
#include "core/link/TComPort.h"
#include "ui/CloseOnSignal.h"
#include "ui/QtPrompts.h"
#include "ui/ServiceKitApplication.h"
#include "ui/SystemSerialPorts.h"
#include "ui/TFXUMainForm.h"
#include "ui/TStatusForm.h"

#include <exception>
#include <iostream>
#include <memory>
#include <string>

namespace {

constexpr const char* kHelp =
    "usage: orvane-service-kit\n"
    "The service tool for robotic lawn mowers: reads, files and shows machine histories and upgrades "
    "machines.\n"
    "It takes no arguments: its settings file says which database folder and port it uses. Settings and "
    "event "
    "log lie beside the program when its folder can be written, otherwise in\n"
    "  $XDG_CONFIG_HOME/orvane-service-kit/orvane-service-kit.INI   (~/.config/...)\n"
    "  $XDG_STATE_HOME/orvane-service-kit/orvane-service-kit.log    (~/.local/state/...)\n"
    "with the database in $XDG_DATA_HOME/orvane-service-kit/machines (~/.local/share/...) unless the "
    "settings "
    "name one.\n";

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = ToolOptions::Answer(argc, argv, "orvane-service-kit", kHelp, std::cout))
        return *answered;
    // Other arguments are not read: the program is configured by its settings file alone.
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

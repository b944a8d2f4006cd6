#include "WinMain.h"

#include "Globalinfo.h"
#include "Globalsearchdefaultsfrm.h"
#include "Mainfrm.h"
#include "Qormapplication.h"

#include "platform/Dialogs.h"
#include "platform/Helpviewer.h"
#include "platform/QtDialogs.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// The manual built into the program answers for its help file while the
// program runs; its window goes before the application does.
class ProgramManual {
public:
    explicit ProgramManual(const std::string& helpFile)
        : previous_(platform::InstallHelpHandler(
              {helpFile, platform::ManualHelpViewer(QStringLiteral(":/help"), QStringLiteral("Qorm - Tessaline Help"))})) {}
    ~ProgramManual() { platform::InstallHelpHandler(std::move(previous_)); }
    ProgramManual(const ProgramManual&) = delete;
    ProgramManual& operator=(const ProgramManual&) = delete;

private:
    platform::HelpHandler previous_;
};

}  // namespace

int WinMain(int argc, char** argv) {
    TQormApplication application(argc, argv);
    platform::QtDialogs dialogs;
    platform::Dialogs* const previous = platform::InstallDialogs(&dialogs);
    int result = 0;
    try {
        // The arguments as the system gave them, left by Qt without its own
        // options: file names are bytes and go on unconverted.
        const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
        const auto main = std::make_unique<TFrmMain>();
        const ProgramManual manual(main->HelpFile);
        main->FormCreate(arguments);
        frmGlobalSearchDefaults = new TfrmGlobalSearchDefaults(main.get(), GlobalSearchDefaults());
        QCoreApplication::setApplicationName(ApplicationTitle);
        result = main->Exec();
    } catch (const std::exception& error) {
        ShowException(error.what());
        result = 0;
    }
    platform::InstallDialogs(previous);
    return result;
}

int main(int argc, char** argv) { return WinMain(argc, argv); }

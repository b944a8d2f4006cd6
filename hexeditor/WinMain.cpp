#include "WinMain.h"

#include "Globalinfo.h"
#include "Globalsearchdefaultsfrm.h"
#include "Mainfrm.h"
#include "Qormapplication.h"

#include "platform/Dialogs.h"
#include "platform/QtDialogs.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

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

#include "WinMain.h"

#include "Globalinfo.h"
#include "Globalsearchdefaultsfrm.h"
#include "Mainfrm.h"
#include "Qormapplication.h"

#include "platform/Dialogs.h"
#include "platform/QtDialogs.h"
#include "platform/QtText.h"

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
        std::vector<std::string> arguments;
        for (const QString& argument : QCoreApplication::arguments().mid(1))
            arguments.push_back(platform::FromQString(argument));
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

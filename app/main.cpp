#include "app/failures.h"
#include "app/forms.h"
#include "inventory/cli.h"
#include "windows/livehelp/singleinstance.h"
#include "windows/main/frigscope.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    {
        QCoreApplication console(argc, argv);
        if (const auto exitCode = inventory::runCommandLine(QCoreApplication::arguments()))
            return *exitCode;
    }
    app::Application application(argc, argv);
    // The first copy of this executable to start is the one that may open Live Help.
    livehelp::claimLiveHelpInstance();
    app::Forms::setOnAllUnloaded([] { QCoreApplication::quit(); });
    app::Forms::show<fRigscope>();
    return application.exec();
}

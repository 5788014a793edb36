// The window program. The executable loads it from the application folder when the window is
// wanted, so that the command-line inventory starts without the window libraries.
#include "app/failures.h"
#include "app/forms.h"
#include "windows/livehelp/singleinstance.h"
#include "windows/main/frigscope.h"

#include <QCoreApplication>

extern "C" Q_DECL_EXPORT int driverSearcherWindow(int argc, char **argv)
{
    // Qt takes its own arguments (-style, -platform, ...); every other one is ignored.
    app::Application application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(DS_VERSION));
    // The first copy of this executable to start is the one that may open Live Help.
    livehelp::claimLiveHelpInstance();
    app::Forms::setOnAllUnloaded([] { QCoreApplication::quit(); });
    app::Forms::show<fRigscope>();
    return application.exec();
}

#include "app/failures.h"
#include "app/forms.h"
#include "inventory/cli.h"
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
    app::Forms::setOnAllUnloaded([] { QCoreApplication::quit(); });
    app::Forms::show<fRigscope>();
    return application.exec();
}

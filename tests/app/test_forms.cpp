// The window life cycle shared by every window: one instance per class, load on first use,
// unload by close box or call, a window that refuses itself during its load.
#include "tests/support/testsupport.h"

#include "app/appfolder.h"
#include "app/failures.h"
#include "app/forms.h"

#include <QIcon>
#include <QTest>
#include <QTimer>

namespace {
int loads = 0;
int unloads = 0;
bool refuseNextLoad = false;
} // namespace

class SampleForm : public app::Form {
    Q_OBJECT
public:
    SampleForm() : app::Form("SampleForm") {}

protected:
    void Form_Load() override
    {
        ++loads;
        if (refuseNextLoad)
            app::Forms::unload(this);
    }
    void Form_QueryUnload() override { ++unloads; }
};

class OtherForm : public app::Form {
    Q_OBJECT
public:
    OtherForm() : app::Form("OtherForm") {}
};

class TestForms : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        loads = unloads = 0;
        refuseNextLoad = false;
    }

    void cleanup()
    {
        for (app::Form *form : app::Forms::loadedForms())
            app::Forms::unload(form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void oneSharedInstanceLoadedOnce()
    {
        SampleForm *first = app::Forms::show<SampleForm>();
        SampleForm *again = app::Forms::show<SampleForm>();
        QCOMPARE(first, again);
        QCOMPARE(loads, 1);
        QVERIFY(first->isVisible());
        QCOMPARE(first->objectName(), QStringLiteral("SampleForm"));
    }

    void unloadingAndShowingAgainLoadsAfresh()
    {
        SampleForm *first = app::Forms::show<SampleForm>();
        first->close(); // the close box
        QCOMPARE(unloads, 1);
        QVERIFY(!app::Forms::loaded<SampleForm>());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SampleForm *second = app::Forms::show<SampleForm>();
        QVERIFY(second);
        QCOMPARE(loads, 2);
        app::Forms::unload(second);
        app::Forms::unload(second); // a second unload of the same window does nothing
        QCOMPARE(unloads, 2);
    }

    void aWindowRefusedDuringItsLoadIsNotShown()
    {
        refuseNextLoad = true;
        QCOMPARE(app::Forms::show<SampleForm>(), nullptr);
        QCOMPARE(unloads, 1);
        QVERIFY(app::Forms::loadedForms().isEmpty());
    }

    void unloadAllFormsEndsWithTheGivenWindow()
    {
        int ended = 0;
        app::Forms::setOnAllUnloaded([&] { ++ended; });
        auto *other = app::Forms::show<OtherForm>();
        auto *sample = app::Forms::show<SampleForm>();
        QVERIFY(other && sample);
        app::UnloadAllForms(other);
        QVERIFY(app::Forms::loadedForms().isEmpty());
        QCOMPARE(unloads, 1);
        QCOMPARE(ended, 1);
        app::Forms::setOnAllUnloaded({});
    }

    void applicationFolderHasNoTrailingSeparator()
    {
        app::setApplicationFolder(QStringLiteral("/tmp/some/folder/"));
        QCOMPARE(app::applicationFolder(), QStringLiteral("/tmp/some/folder"));
        QCOMPARE(app::applicationFile(QStringLiteral("ServerIP.txt")), QStringLiteral("/tmp/some/folder/ServerIP.txt"));
        app::setApplicationFolder({});
        QCOMPARE(app::applicationFolder(), QCoreApplication::applicationDirPath());
    }

    void everyWindowShowsTheProgramIcon()
    {
        SampleForm *form = app::Forms::show<SampleForm>();
        const QIcon icon = form->windowIcon();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.availableSizes().size(), 8);
        QCOMPARE(icon.pixmap(QSize(48, 48)).size(), QSize(48, 48));
    }

    // Last: it runs the application's event loop. Every window closed before the loop ran
    // (as during the start-up scan): the loop must end instead of waiting for good.
    void theEventLoopEndsWhenEveryWindowClosedBeforeItRan()
    {
        refuseNextLoad = true;
        QCOMPARE(app::Forms::show<SampleForm>(), nullptr);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

// The program's own application object, as the window program makes it.
int main(int argc, char **argv)
{
    app::Application application(argc, argv);
    TestForms test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_forms.moc"

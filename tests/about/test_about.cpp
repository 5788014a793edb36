#include "tests/support/testsupport.h"
#include "windows/about/about.h"
#include "windows/about/tos.h"

#include <QtTest>

namespace {
// Lets unloaded windows finish going away.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

class AboutWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (app::Form *form : app::Forms::loadedForms())
            app::Forms::unload(form);
        settle();
    }

    void aboutShowsItsCaptionsAndMailsTheAuthorInLowerCase()
    {
        testsupport::RecordingLinks links;
        About *about = app::Forms::show<About>();
        QVERIFY(about);
        QCOMPARE(about->objectName(), QStringLiteral("About"));
        QCOMPARE(about->windowTitle(), QStringLiteral("About  Torvane Mendlet"));
        QCOMPARE(about->Label1->text(), QStringLiteral("Torvane Driver Searcher By Quillfen"));
        QCOMPARE(about->Label2->text(), QStringLiteral("Version: 1.01"));
        QCOMPARE(about->Label4->text(), QStringLiteral("The author of this program takes no reponsiblity for any usage of this program."));
        QCOMPARE(about->Label5->text(), QStringLiteral("Comments and Questions can be emailed to "));
        QCOMPARE(about->Label6->text(), QString::fromLatin1(kAuthorMailAddress));
        QVERIFY(about->Label7->text().isEmpty());
        QCOMPARE(about->Command1->text(), QStringLiteral("Close"));
        QVERIFY(!about->Image1->pixmap().isNull());
        for (QLabel *label : std::initializer_list<QLabel *>{about->Label1, about->Label2, about->Label4, about->Label5, about->Label6, about->Label7})
            QCOMPARE(label->font().family(), QStringLiteral("Arial"));

        QVERIFY(QString::fromLatin1(kAuthorMailAddress) != QString::fromLatin1(kAuthorMailAddress).toLower());
        QTest::mouseClick(about->Label6, Qt::LeftButton);
        QCOMPARE(links.opened, QList<QUrl>{QUrl(QStringLiteral("mailto:quillfen@torvane.example"))});

        QCOMPARE(app::Forms::show<About>(), about);
        QTest::mouseClick(about->Command1, Qt::LeftButton);
        QVERIFY(!app::Forms::loaded<About>());
    }

    void termsShowOnceAndAnewAfterReopening()
    {
        TOS *terms = app::Forms::show<TOS>();
        QVERIFY(terms);
        QCOMPARE(terms->windowTitle(), QStringLiteral(" Live Help - Terms of Service"));
        QCOMPARE(terms->Command1->text(), QStringLiteral("OK"));
        QCOMPARE(terms->Text1->font().family(), QStringLiteral("Arial"));
        const QString expected = QStringLiteral(
            "While Quillfen takes no responsibility  for any usage for this program, by joining this  chat you are agreeing that "
            "you are at or above the age of thirteen (13) . Please refrain from using unnecessary language, thank you.");
        QCOMPARE(terms->Text1->toPlainText(), expected);

        // Opening it again brings the same window forward, the terms still once.
        QCOMPARE(app::Forms::show<TOS>(), terms);
        QCOMPARE(terms->Text1->toPlainText(), expected);
        int count = 0;
        for (app::Form *form : app::Forms::loadedForms())
            count += form->objectName() == QStringLiteral("TOS");
        QCOMPARE(count, 1);

        // OK unloads it; the next opening is a fresh window whose load puts the terms in again.
        terms->Text1->setPlainText(QStringLiteral("scribbled over"));
        QPointer<TOS> old = terms;
        QTest::mouseClick(terms->Command1, Qt::LeftButton);
        QVERIFY(!app::Forms::loaded<TOS>());
        settle();
        QVERIFY(old.isNull());
        TOS *again = app::Forms::show<TOS>();
        QVERIFY(again);
        QVERIFY(again->isVisible());
        QCOMPARE(again->Text1->toPlainText(), expected);
    }
};

QTEST_MAIN(AboutWindowsTest)
#include "test_about.moc"

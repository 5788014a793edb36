// ServerIP.txt in every form it is found in, and the rules of the session that need no window.
#include "app/failures.h"
#include "windows/livehelp/chatsession.h"
#include "windows/livehelp/serveripfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestServerIpFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString fileWith(const QByteArray &content)
    {
        const QString path = dir.filePath(QStringLiteral("ServerIP.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            qFatal("cannot write the test file");
        return path;
    }

    QByteArray contentOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private slots:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("address");
        QTest::newRow("quoted") << QByteArray("\"chat.example.org\"\r\n") << "chat.example.org";
        QTest::newRow("bare") << QByteArray("10.1.2.3") << "10.1.2.3";
        QTest::newRow("bare with blanks") << QByteArray("   10.1.2.3  \n") << "10.1.2.3";
        QTest::newRow("two lines") << QByteArray("\"first.example\"\r\nsecond.example\r\n") << "second.example";
        QTest::newRow("comma inside quotes") << QByteArray("\"a,b\"\r\n") << "a,b";
        QTest::newRow("comma separates") << QByteArray("a, b\r\n") << "b";
        QTest::newRow("unclosed quote") << QByteArray("\"host") << "host";
        QTest::newRow("text after closing quote") << QByteArray("\"host\" junk\r\n") << "host";
        QTest::newRow("blank line after") << QByteArray("host\r\n\r\n") << "host";
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("code page") << QByteArray("\"h\xf6st\"\r\n") << QStringLiteral("h\u00f6st");
    }

    void reading()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, address);
        QCOMPARE(readServerAddress(fileWith(content)), address);
    }

    void missingOrUnreadable()
    {
        QCOMPARE(readServerAddress(dir.filePath(QStringLiteral("none.txt"))), QString());
        QCOMPARE(readServerAddress(dir.path()), QString());
    }

    void writtenThenRead()
    {
        const QString path = fileWith("\"old.example\"\r\nand more\r\n");
        writeServerAddress(path, QStringLiteral("new.example:\u00e9"));
        QCOMPARE(contentOf(path), QByteArray("\"new.example:\xe9\"\r\n"));
        QCOMPARE(readServerAddress(path), QStringLiteral("new.example:\u00e9"));
        writeServerAddress(path, QString());
        QCOMPARE(contentOf(path), QByteArray("\"\"\r\n"));
        QCOMPARE(readServerAddress(path), QString());
    }

    // A folder that cannot take the file: a clear failure, and nothing left behind.
    void unwritableFolder()
    {
        const QString notAFolder = fileWith("\"kept.example\"\r\n");
        const QString path = notAFolder + QStringLiteral("/ServerIP.txt");
        try {
            writeServerAddress(path, QStringLiteral("x"));
            QFAIL("no failure");
        } catch (const app::Failure &failure) {
            QVERIFY(failure.text().contains(QLatin1String("could not be saved")));
            QVERIFY(failure.text().contains(QLatin1String("ServerIP.txt")));
        }
        QCOMPARE(contentOf(notAFolder), QByteArray("\"kept.example\"\r\n"));
    }

    void sessionRules()
    {
        QCOMPARE(livehelp::trimSpaces(QStringLiteral("  a b  ")), QStringLiteral("a b"));
        QCOMPARE(livehelp::trimSpaces(QStringLiteral(" \thost\n ")), QStringLiteral("\thost\n"));
        QCOMPARE(livehelp::trimSpaces(QStringLiteral("    ")), QString());

        QCOMPARE(livehelp::portValue(QStringLiteral("1234")), std::optional<quint16>(1234));
        QCOMPARE(livehelp::portValue(QStringLiteral("65535")), std::optional<quint16>(65535));
        QCOMPARE(livehelp::portValue(QStringLiteral("00080")), std::optional<quint16>(80));
        for (const char *bad : {"0", "65536", "99999", "-1", "+80", "8 0", "1e3", "12.5", "", "123456", "\u0661"})
            QVERIFY2(!livehelp::portValue(QString::fromUtf8(bad)), bad);

        QCOMPARE(livehelp::errorLine(0, QStringLiteral("Connection refused")), QStringLiteral("> Error (0): Connection refused."));
        QCOMPARE(livehelp::errorLine(5, QStringLiteral("Timed out.")), QStringLiteral("> Error (5): Timed out."));
        QCOMPARE(livehelp::withoutFrameSeparators(QStringLiteral("a\x02" "b\x04" "c\x03")), QStringLiteral("abc\x03"));
    }
};

QTEST_GUILESS_MAIN(TestServerIpFile)
#include "test_serveripfile.moc"

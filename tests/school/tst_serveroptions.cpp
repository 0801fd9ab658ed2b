#include "tools/demoplatform/server/serveroptions.h"

#include <QTest>

using namespace quorvale::demo;

// The demo platform program's command line: what it stages, and what it refuses before listening.
class TestServerOptions : public QObject
{
    Q_OBJECT

private slots:
    void readsStagedFailures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        // "origin|delay|drops|expiry|captcha", or the start of the refusal.
        QTest::addColumn<QString>("expected");
        const QString origin = QStringLiteral("http://127.0.0.1:8085");
        QTest::newRow("defaults") << QStringList{} << "http://127.0.0.1:8085|0||-|0";
        QTest::newRow("everything") << QStringList{"--delay",        "300",
                                                   "--drop",         "/a",
                                                   "--drop",         "/b:2",
                                                   "--expire-every", "90",
                                                   "--captcha",      "http://127.0.0.1:9000"}
                                    << "http://127.0.0.1:9000|300|/a:-1,/b:2|90|1";
        QTest::newRow("negative delay") << QStringList{"--delay", "-5"} << "--delay";
        QTest::newRow("drop without path") << QStringList{"--drop", ":3"} << "--drop";
        QTest::newRow("drop count zero") << QStringList{"--drop", "/a:0"} << "--drop";
        QTest::newRow("expiry of zero") << QStringList{"--expire-every", "0"} << "--expire-every";
        QTest::newRow("unknown option") << QStringList{"--fast"} << "Unknown option";
        QTest::newRow("remote origin") << QStringList{"http://example.org:80"} << "not a loopback";
        QTest::newRow("two origins") << QStringList{origin, origin} << "usage:";
    }

    void readsStagedFailures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QString error;
        const auto options = parseServerOptions(QStringList{"quorvale-demo-platform"} + arguments,
                                                QStringLiteral("http://127.0.0.1:8085"), &error);
        if (!options) {
            QVERIFY2(error.startsWith(expected), qPrintable(error));
            return;
        }
        QStringList drops;
        for (const DroppedPath &dropped : options->drops)
            drops.append(dropped.path + u':' + QString::number(dropped.times));
        const QString read =
            QStringList{options->origin.toString(), QString::number(options->delayMs), drops.join(u','),
                        options->expireEverySeconds ? QString::number(*options->expireEverySeconds)
                                                    : QStringLiteral("-"),
                        QString::number(options->captcha)}
                .join(u'|');
        QCOMPARE(read, expected);
    }

    void helpNamesEveryOption()
    {
        QString error;
        const auto options = parseServerOptions({"quorvale-demo-platform", "--help"}, {}, &error);
        QVERIFY(options && options->help);
        for (const char *option : {"--delay", "--drop", "--expire-every", "--captcha"})
            QVERIFY(serverUsage().contains(QLatin1String(option)));
    }
};

QTEST_GUILESS_MAIN(TestServerOptions)

#include "tst_serveroptions.moc"

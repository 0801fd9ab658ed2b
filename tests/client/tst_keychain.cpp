#include "core/base/errors.h"
#include "core/client/keychaincredentialstore.h"
#include "tests/support/awaittask.h"

#include <QCoroSignal>
#include <QDirIterator>
#include <QProcess>
#include <QTest>
#include <qt6keychain/keychain.h>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

const QString service = QStringLiteral("com.quorvale.test.keychain");
const QString item = QStringLiteral("automatic-login");

QCoro::Task<> writeRaw(QByteArray data)
{
    QKeychain::WritePasswordJob job(service);
    job.setAutoDelete(false);
    job.setKey(item);
    job.setBinaryData(data);
    job.start();
    co_await qCoro(&job, &QKeychain::Job::finished);
}

// How many Secret Service items carry the store's service name.
int itemCount()
{
    QProcess search;
    search.start(QStringLiteral("secret-tool"),
                 {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("server"), service});
    search.waitForFinished();
    const QByteArray listing = '\n' + search.readAllStandardOutput();
    return int(listing.count("\n[/"));
}

} // namespace

class TestKeychain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTripsThroughSecretServiceOnly();
    void reportsUnreadableItem();
};

void TestKeychain::initTestCase()
{
    // Only ever inside scripts/with-keyring: never the keyring of the person running the tests.
    if (qEnvironmentVariableIsEmpty("QUORVALE_THROWAWAY_KEYRING"))
        QSKIP("needs the throwaway keyring of scripts/with-keyring");
}

void TestKeychain::roundTripsThroughSecretServiceOnly()
{
    const QString password = QStringLiteral("Pw 只在钥匙串-7f3a");
    const SavedCredentials saved{QStringLiteral("王老师"), password};
    KeychainCredentialStore store(service, item);
    awaitTask(store.remove());
    QCOMPARE(awaitTask(store.load()), std::nullopt);
    awaitTask(store.save({QStringLiteral("a"), QStringLiteral("1")}));
    awaitTask(store.save(saved));
    QCOMPARE(awaitTask(store.load()), saved);
    QCOMPARE(itemCount(), 1);

    // The password is in no file under the throwaway home, the keyring's own files included.
    const QList<QByteArray> needles{
        password.toUtf8(), QByteArray(reinterpret_cast<const char *>(password.utf16()), password.size() * 2),
        password.toUtf8().toBase64(), saved.toJson().toBase64()};
    int keyringFiles = 0;
    for (const char *variable :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = qEnvironmentVariable(variable);
        QVERIFY2(!folder.isEmpty(), variable);
        QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const QByteArray content = file.readAll();
            for (const QByteArray &needle : needles)
                QVERIFY2(!content.contains(needle), qPrintable(file.fileName()));
            keyringFiles += file.fileName().contains(QLatin1String("/keyrings/"));
        }
    }
    QVERIFY(keyringFiles > 0);

    awaitTask(store.remove());
    QCOMPARE(itemCount(), 0);
    QCOMPARE(awaitTask(store.load()), std::nullopt);
    awaitTask(store.remove());
}

void TestKeychain::reportsUnreadableItem()
{
    awaitTask(writeRaw(R"({"account":"a"})"));
    KeychainCredentialStore store(service, item);
    try {
        awaitTask(store.load());
        QFAIL("an item without its password was read");
    } catch (const DemoError &error) {
        QCOMPARE(error.description(), QStringLiteral("已保存的账号无法读取，请重新登录"));
    }
    awaitTask(store.remove());
}

QTEST_GUILESS_MAIN(TestKeychain)

#include "tst_keychain.moc"

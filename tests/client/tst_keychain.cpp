#include "app/state/memorywebview.h"
#include "app/state/quorvaleclient.h"
#include "core/base/errors.h"
#include "core/client/keychaincredentialstore.h"
#include "tests/session/sessionfixture.h"
#include "tests/support/awaittask.h"

#include <QCoroSignal>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDirIterator>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <qt6keychain/keychain.h>

using namespace quorvale;
using namespace quorvale::testing;

// A secret as the Secret Service passes it: its session, parameters, value and content type.
struct Secret
{
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};
Q_DECLARE_METATYPE(Secret)

QDBusArgument &operator<<(QDBusArgument &argument, const Secret &secret)
{
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, Secret &secret)
{
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

namespace {

const QString service = QStringLiteral("com.quorvale.test.keychain");
const QString item = QStringLiteral("automatic-login");
const QString secrets = QStringLiteral("org.freedesktop.secrets");
const QString servicePath = QStringLiteral("/org/freedesktop/secrets");
const QDBusObjectPath collection(QStringLiteral("/org/freedesktop/secrets/collection/login"));

// A plain method call: an interface object would introspect the service and keep what it learnt for
// the rest of the process.
QDBusMessage callKeyring(const QString &interface, const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(secrets, servicePath, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

const QString serviceInterface = QStringLiteral("org.freedesktop.Secret.Service");

void lockCollection()
{
    const QDBusMessage reply =
        callKeyring(serviceInterface, QStringLiteral("Lock"), {QVariant::fromValue(QList{collection})});
    QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
}

// Unlocks with the password scripts/with-keyring created the keyring with, the way the desktop's
// sign-in does, without a prompt.
void unlockCollection()
{
    qDBusRegisterMetaType<Secret>();
    const QDBusMessage opened = callKeyring(serviceInterface, QStringLiteral("OpenSession"),
                                            {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    QVERIFY2(opened.type() == QDBusMessage::ReplyMessage, qPrintable(opened.errorMessage()));
    const Secret password{
        opened.arguments().at(1).value<QDBusObjectPath>(), {}, "throwaway", QStringLiteral("text/plain")};
    const QDBusMessage reply =
        callKeyring(QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
                    QStringLiteral("UnlockWithMasterPassword"),
                    {QVariant::fromValue(collection), QVariant::fromValue(password)});
    QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
}

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

// The keyring's prompter as a person who cancels every dialog: each call is answered with an error, and
// counted.
class RefusingPrompter : public QDBusVirtualObject
{
public:
    int calls = 0;

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        ++calls;
        connection.send(message.createErrorReply(QDBusError::AccessDenied, QStringLiteral("cancelled")));
        return true;
    }
};

} // namespace

class TestKeychain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTripsThroughSecretServiceOnly();
    void reportsUnreadableItem();
    void tellsRefusedUnlockFromNothingSaved_data();
    void tellsRefusedUnlockFromNothingSaved();
    void savingToALockedKeyringAsksToUnlock_data();
    void savingToALockedKeyringAsksToUnlock();

private:
    RefusingPrompter m_prompter;
};

void TestKeychain::initTestCase()
{
    // Only ever inside scripts/with-keyring: never the keyring of the person running the tests.
    if (qEnvironmentVariableIsEmpty("QUORVALE_THROWAWAY_KEYRING"))
        QSKIP("needs the throwaway keyring of scripts/with-keyring");
    // Every unlock prompt is refused: this test holds the name of the keyring's prompter and answers
    // each of its calls with an error, as a person who cancels the dialog.
    QVERIFY(QDBusConnection::sessionBus().registerVirtualObject(QStringLiteral("/org/gnome/keyring/Prompter"),
                                                                &m_prompter));
    QVERIFY(
        QDBusConnection::sessionBus().registerService(QStringLiteral("org.gnome.keyring.SystemPrompter")));
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

void TestKeychain::tellsRefusedUnlockFromNothingSaved_data()
{
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<bool>("signedIn");

    QTest::newRow("unlocked and saved") << true << false << QString() << true;
    QTest::newRow("locked and the unlock refused")
        << true << true << QStringLiteral("暂时无法读取钥匙串，请手动登录") << false;
    QTest::newRow("nothing saved") << false << false << QString() << false;
    QTest::newRow("locked with nothing saved") << false << true << QString() << false;
}

// The start-up of the session client over the keyring: the saved account signs in by itself; a
// refused unlock is told and leaves the saved account alone; nothing saved leads to the form.
void TestKeychain::tellsRefusedUnlockFromNothingSaved()
{
    QFETCH(bool, saved);
    QFETCH(bool, locked);
    QFETCH(QString, notice);
    QFETCH(bool, signedIn);
    const SavedCredentials credentials{SessionFixture::account, SessionFixture::password};
    const auto store = std::make_shared<KeychainCredentialStore>(service, item);
    awaitTask(store->remove());
    if (saved)
        awaitTask(store->save(credentials));
    if (locked)
        lockCollection();
    auto unlock = qScopeGuard([] { unlockCollection(); });

    SessionFixture fixture;
    QTemporaryDir folder;
    QuorvaleClient client(
        fixture.newAPI(), store, new MemoryWebView,
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    awaitTask(client.start());
    QCOMPARE(client.storageMessage(), notice);
    QCOMPARE(client.phase(), signedIn ? SessionPhase::SignedIn : SessionPhase::SignedOut);
    QCOMPARE(client.savedAccount(), signedIn ? credentials.account : QString());
    QCOMPARE(fixture.count(SessionFixture::loginPath), int(signedIn));

    // What was saved is still there, and nothing was saved by the refusal.
    unlock.dismiss();
    unlockCollection();
    QCOMPARE(awaitTask(store->load()), saved ? std::optional(credentials) : std::nullopt);
    awaitTask(store->remove());
}

void TestKeychain::savingToALockedKeyringAsksToUnlock_data()
{
    QTest::addColumn<bool>("locked");
    QTest::newRow("unlocked: saved without a prompt") << false;
    QTest::newRow("locked: a prompt, refused, and the notice") << true;
}

// The first saved sign-in on a locked keyring asks the person to unlock it; only a refusal ends in the
// notice, and nothing is saved then.
void TestKeychain::savingToALockedKeyringAsksToUnlock()
{
    QFETCH(bool, locked);
    KeychainCredentialStore store(service, item);
    awaitTask(store.remove());
    if (locked)
        lockCollection();
    auto unlock = qScopeGuard([] { unlockCollection(); });
    m_prompter.calls = 0;
    QString notice;
    try {
        awaitTask(store.save({QStringLiteral("王老师"), QStringLiteral("pw-1")}));
    } catch (const DemoError &error) {
        notice = error.description();
    }
    QCOMPARE(m_prompter.calls > 0, locked);
    QCOMPARE(notice, locked ? QStringLiteral("密码未能保存到钥匙串") : QString());
    unlock.dismiss();
    unlockCollection();
    QCOMPARE(awaitTask(store.load()).has_value(), !locked);
    awaitTask(store.remove());
}

QTEST_GUILESS_MAIN(TestKeychain)

#include "tst_keychain.moc"

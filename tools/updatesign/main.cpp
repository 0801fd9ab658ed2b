// quorvale-update-sign: the publisher's side of software updates.
//   quorvale-update-sign keygen SECRET-KEY-FILE
//     makes a key pair, writes the secret key (Base64) to a new file only its owner can read, and
//     prints the public key for QUORVALE_UPDATE_PUBLIC_KEY.
//   quorvale-update-sign publish SECRET-KEY-FILE EXECUTABLE VERSION URL APPCAST-FILE
//     signs the executable and writes the signed appcast whose one item offers it at URL.

#include "core/updates/keytext.h"
#include "platform/updates/appcast.h"
#include "platform/updates/ed25519.h"
#include "platform/updates/feedsignature.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

using namespace quorvale;
using namespace quorvale::updates;

namespace {

int fail(const QString &message)
{
    QTextStream(stderr) << message << '\n';
    return 1;
}

bool write(const QString &path, const QByteArray &bytes, QFile::Permissions permissions)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.setPermissions(permissions) && file.write(bytes) == bytes.size() &&
           file.commit();
}

int keygen(const QString &secretPath)
{
    if (QFile::exists(secretPath))
        return fail(QStringLiteral("密钥文件已存在，不会覆盖：") + secretPath);
    const KeyPair pair = generateKeyPair();
    if (!write(secretPath, pair.secretKey.toBase64() + '\n', QFile::ReadOwner | QFile::WriteOwner))
        return fail(QStringLiteral("无法写入密钥文件：") + secretPath);
    QTextStream(stdout) << pair.publicKey.toBase64() << '\n';
    return 0;
}

int publish(const QStringList &arguments)
{
    const auto [secretPath, executablePath, version, url, appcastPath] =
        std::tuple{arguments[0], arguments[1], arguments[2], QUrl(arguments[3], QUrl::StrictMode), arguments[4]};
    QFile secretFile(secretPath);
    if (!secretFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("无法读取密钥文件：") + secretPath);
    const std::optional<QByteArray> secret =
        decodeKeyText(QString::fromLatin1(secretFile.readAll().trimmed()), secretKeySize);
    if (!secret)
        return fail(QStringLiteral("密钥文件格式无效：") + secretPath);
    QFile executable(executablePath);
    if (!executable.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("无法读取程序文件：") + executablePath);
    if (url.scheme() != u"https" || url.host().isEmpty())
        return fail(QStringLiteral("下载地址必须是 https 地址：") + arguments[3]);
    const QByteArray program = executable.readAll();
    const AppcastItem item{version, version, url, program.size(),
                           QString::fromLatin1(signEd25519(program, *secret).toBase64())};
    const QByteArray feed = signedFeed(writeAppcast({item}), *secret);
    if (!write(appcastPath, feed, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther))
        return fail(QStringLiteral("无法写入更新源：") + appcastPath);
    QTextStream(stdout) << feed;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.size() == 2 && arguments[0] == u"keygen")
        return keygen(arguments[1]);
    if (arguments.size() == 6 && arguments[0] == u"publish")
        return publish(arguments.mid(1));
    return fail(QStringLiteral("用法：quorvale-update-sign keygen 密钥文件\n"
                               "      quorvale-update-sign publish 密钥文件 程序文件 版本 下载地址 更新源文件"));
}

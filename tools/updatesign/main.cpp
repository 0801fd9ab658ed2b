// quorvale-update-sign: the publisher's side of software updates.
//   quorvale-update-sign keygen SECRET-KEY-FILE
//     makes a key pair, writes the secret key (Base64) to a new file only its owner can read, and
//     prints the public key for QUORVALE_UPDATE_PUBLIC_KEY.
//   quorvale-update-sign publish SECRET-KEY-FILE RELEASE-FOLDER VERSION URL APPCAST-FILE ARCHIVE-FILE
//     packs every file of the installed version folder into one update archive, signs it, and writes
//     the archive and the signed appcast whose one item offers it at URL. It refuses unless every
//     version built into those files is VERSION, and when the folder holds anything but plain files.

#include "core/updates/keytext.h"
#include "platform/updates/appcast.h"
#include "platform/updates/buildstamp.h"
#include "platform/updates/bundleversion.h"
#include "platform/updates/ed25519.h"
#include "platform/updates/feedsignature.h"
#include "platform/updates/updatearchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <variant>

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
    return file.open(QIODevice::WriteOnly) && file.setPermissions(permissions) &&
           file.write(bytes) == bytes.size() && file.commit();
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

// The release folder's files as an archive of `version`, or the reason it is refused.
std::variant<UpdateArchive, QString> packRelease(const QString &folderPath, const QString &version)
{
    UpdateArchive archive{version, {}};
    const QDir folder(folderPath);
    const QFileInfoList files = folder.entryInfoList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    if (!folder.exists() || files.isEmpty())
        return QStringLiteral("发布文件夹不存在或是空的：") + folderPath;
    // The archive holds plain files only; what it cannot hold is named rather than left out unseen.
    QStringList unpackable;
    for (const QFileInfo &info : files)
        if (info.isSymLink() || !info.isFile())
            unpackable.append(info.fileName());
    if (!unpackable.isEmpty())
        return QStringLiteral(
                   "发布文件夹里只能有普通文件，以下是符号链接或子文件夹等，无法放进更新文件，未发布：") +
               unpackable.join(QStringLiteral("、"));
    bool stamped = false;
    for (const QFileInfo &info : files) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("无法读取文件：") + info.filePath();
        const QByteArray bytes = file.readAll();
        for (const QString &built : stampedVersions(bytes)) {
            if (built != version)
                return QStringLiteral("版本不符：%1 是为 %2 构建的，而给出的版本是 %3。未发布")
                    .arg(info.fileName(), built, version);
            stamped = true;
        }
        archive.entries.append({info.fileName(), info.isExecutable(), bytes});
    }
    if (!stamped)
        return QStringLiteral("发布文件夹里没有带版本标记的课径程序：") + folderPath;
    return archive;
}

int publish(const QStringList &arguments)
{
    const auto [secretPath, folderPath, version, url, appcastPath, archivePath] =
        std::tuple{arguments[0], arguments[1], arguments[2], QUrl(arguments[3], QUrl::StrictMode),
                   arguments[4], arguments[5]};
    QFile secretFile(secretPath);
    if (!secretFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("无法读取密钥文件：") + secretPath);
    const std::optional<QByteArray> secret =
        decodeKeyText(QString::fromLatin1(secretFile.readAll().trimmed()), secretKeySize);
    if (!secret)
        return fail(QStringLiteral("密钥文件格式无效：") + secretPath);
    if (!compareVersions(version, version))
        return fail(QStringLiteral("版本必须是以点分隔的数字，例如 1.1.0：") + version);
    if (url.scheme() != u"https" || url.host().isEmpty())
        return fail(QStringLiteral("下载地址必须是 https 地址：") + arguments[3]);
    const std::variant<UpdateArchive, QString> release = packRelease(folderPath, version);
    if (const QString *refusal = std::get_if<QString>(&release))
        return fail(*refusal);
    const QByteArray archive = packArchive(std::get<UpdateArchive>(release));
    // Every client reads the archive with the same reader: one it would refuse is not published.
    if (!unpackArchive(archive))
        return fail(QStringLiteral(
                        "发布文件夹里的文件课径不会接受：最多 %1 个文件，文件名只能含字母、数字和 . _ + -：")
                        .arg(maxArchiveEntries) +
                    folderPath);
    const AppcastItem item{version, version, url, archive.size(),
                           QString::fromLatin1(signEd25519(archive, *secret).toBase64())};
    const QByteArray feed = signedFeed(writeAppcast({item}), *secret);
    const QFile::Permissions published =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    if (!write(archivePath, archive, published))
        return fail(QStringLiteral("无法写入更新文件：") + archivePath);
    if (!write(appcastPath, feed, published))
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
    if (arguments.size() == 7 && arguments[0] == u"publish")
        return publish(arguments.mid(1));
    return fail(QStringLiteral(
        "用法：quorvale-update-sign keygen 密钥文件\n"
        "      quorvale-update-sign publish 密钥文件 发布文件夹 版本 下载地址 更新源文件 更新文件"));
}

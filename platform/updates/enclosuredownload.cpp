#include "platform/updates/enclosuredownload.h"

#include "core/updates/keytext.h"
#include "platform/updates/ed25519.h"
#include "platform/updates/updatefailure.h"

#include <QCoroNetworkReply>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QScopeGuard>
#include <filesystem>
#include <unistd.h>

namespace quorvale::updates {

namespace {

// The application is one executable; anything larger is not one of ours.
constexpr qint64 largestUpdate = qint64(1) << 30;

void verify(QTemporaryFile &file, const AppcastItem &item, const QByteArray &publicKey)
{
    if (!file.flush() || ::fsync(file.handle()) != 0 || !file.seek(0))
        throw UpdateFailure::notWritable();
    // The check reads back what is on disk: the very bytes the rename will install.
    const QByteArray written = file.readAll();
    if (written.size() != item.length)
        throw UpdateFailure::wrongLength();
    const std::optional<QByteArray> signature = decodeKeyText(item.edSignature, signatureSize);
    if (!signature || !verifyEd25519(written, *signature, publicKey))
        throw UpdateFailure::badSignature();
}

} // namespace

QCoro::Task<std::unique_ptr<QTemporaryFile>> downloadEnclosure(QNetworkAccessManager *manager, AppcastItem item,
                                                                 QByteArray publicKey, QString installedPath,
                                                                 TransferSettings settings, Progress progress)
{
    if (item.length <= 0 || item.length > largestUpdate)
        throw UpdateFailure::wrongLength();
    const QFileInfo installed(installedPath);
    auto file = std::make_unique<QTemporaryFile>(installed.absolutePath() + QStringLiteral("/.") +
                                                 installed.fileName() + QStringLiteral(".update-XXXXXX"));
    if (!file->open())
        throw UpdateFailure::notWritable();

    const QPointer<QNetworkReply> reply = startTransfer(manager, item.url, settings);
    const auto release = qScopeGuard([reply] {
        if (reply)
            reply->deleteLater();
    });
    qint64 received = 0;
    bool overflow = false;
    bool writeFailed = false;
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&, raw = reply.data()] {
        const QByteArray chunk = raw->readAll();
        received += chunk.size();
        if (received > item.length) {
            overflow = true;
            raw->abort();
        } else if (file->write(chunk) != chunk.size()) {
            writeFailed = true;
            raw->abort();
        } else if (progress) {
            progress(received, item.length);
        }
    });
    co_await reply.data();
    if (!reply)
        throw UpdateFailure::downloadFailed();
    if (overflow)
        throw UpdateFailure::wrongLength();
    if (writeFailed)
        throw UpdateFailure::notWritable();
    checkTransfer(reply, UpdateFailure::downloadFailed());
    verify(*file, item, publicKey);
    co_return file;
}

bool replaceInstalled(QTemporaryFile &download, const QString &installedPath)
{
    const QFileInfo installed(installedPath);
    if (!installed.isFile() || !download.setPermissions(QFile::permissions(installedPath)))
        return false;
    download.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(download.fileName()).constData(),
                           QFile::encodeName(installedPath).constData(), error);
    if (error)
        return false;
    download.setAutoRemove(false);
    return true;
}

} // namespace quorvale::updates

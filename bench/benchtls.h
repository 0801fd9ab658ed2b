#pragma once

#include "core/base/errors.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>

// The test certificate authority's files, and the demo platform's TLS set-up with its certificate.
namespace quorvale::benchtls {

inline QByteArray readTlsFile(const QString &name)
{
    QFile file(QStringLiteral(QUORVALE_TEST_TLS_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw DemoError::message(QStringLiteral("cannot read %1").arg(file.fileName()));
    return file.readAll();
}

inline QSslConfiguration serverTls()
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(readTlsFile(QStringLiteral("server.pem"))));
    tls.setPrivateKey(QSslKey(readTlsFile(QStringLiteral("server.key")), QSsl::Ec));
    return tls;
}

} // namespace quorvale::benchtls

#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testenv {

// A private key and a self-signed certificate for 127.0.0.1 and localhost, made with the openssl
// program when first asked for and kept for the rest of the test run. The certificate is its own
// authority: a client that trusts certificateFile() accepts a server that shows it.
class TestCertificate {
public:
    // The process's one certificate (made on first use).
    static const TestCertificate& Get();

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QString keyFile() const { return m_dir.filePath(QStringLiteral("key.pem")); }

private:
    TestCertificate();

    QTemporaryDir m_dir;
    QString m_error;
};

} // namespace testenv

#include "support/TestCertificate.h"

#include <QProcess>
#include <QStandardPaths>

namespace testenv {

const TestCertificate& TestCertificate::Get() {
    static const TestCertificate certificate;
    return certificate;
}

TestCertificate::TestCertificate() {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        m_error = QStringLiteral("the openssl program is not installed");
        return;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(openssl, {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                            "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                            "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout", keyFile(), "-out",
                            certificateFile()});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        m_error = QStringLiteral("openssl failed: %1").arg(QString::fromLocal8Bit(process.readAll()));
}

} // namespace testenv

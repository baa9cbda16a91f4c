#include "support/Unprivileged.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

#include <cstdlib>

namespace pictavo::test {

int runSelfAsNobody(const QStringList& arguments, const QString& marker, const QString& value,
                    QString* output) {
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (::geteuid() != 0 || setpriv.isEmpty()) {
        return -1;
    }
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(marker, value);
    // The test's own folders belong to root; nobody gets a scratch place of its own.
    env.insert(QStringLiteral("TMPDIR"), QStringLiteral("/tmp"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/tmp"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(setpriv,
                  QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                              QStringLiteral("--clear-groups"), self} +
                      arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
    }
    if (output) {
        *output = QString::fromLocal8Bit(process.readAll());
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 255;
}

SharedReadOnlyDir::SharedReadOnlyDir() {
    QByteArray name("/tmp/pictavo-shared-XXXXXX");
    if (char* made = ::mkdtemp(name.data())) {
        m_path = QString::fromLocal8Bit(made);
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::ExeOther);
    }
}

SharedReadOnlyDir::~SharedReadOnlyDir() {
    if (!m_path.isEmpty()) {
        QDir(m_path).removeRecursively();
    }
}

}  // namespace pictavo::test

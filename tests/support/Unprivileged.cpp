#include "support/Unprivileged.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    const SharedReadOnlyDir world;
    const QString self = world.copyIn(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(marker, value);
    // "offscreen:configfile=<checkout>/tests/offscreen.json" for window tests.
    const QString platform = env.value(QStringLiteral("QT_QPA_PLATFORM"));
    const QString configKey = QStringLiteral("configfile=");
    const qsizetype config = platform.indexOf(configKey);
    if (config >= 0) {
        const qsizetype start = config + configKey.size();
        const qsizetype end = platform.indexOf(QLatin1Char(':'), start);
        const QString copy = world.copyIn(platform.mid(start, end < 0 ? -1 : end - start));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QString(platform).replace(start, end < 0 ? platform.size() - start : end - start,
                                             copy));
    }
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

QString SharedReadOnlyDir::copyIn(const QString& file) const {
    const QString copy = m_path + QLatin1Char('/') + QFileInfo(file).fileName();
    if (m_path.isEmpty() || !QFile::copy(file, copy)) {
        return {};
    }
    QFile::Permissions permissions =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    if (QFileInfo(file).isExecutable()) {
        permissions |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    }
    QFile::setPermissions(copy, permissions);
    return copy;
}

SharedReadOnlyDir::~SharedReadOnlyDir() {
    if (!m_path.isEmpty()) {
        QDir(m_path).removeRecursively();
    }
}

}  // namespace pictavo::test

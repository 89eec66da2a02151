#pragma once
// varnok-cli run as a process of its own by the command-line tests: it sees only the serial
// ports the test names (VARNOK_PORTS, none by default) and, when given, a fake display tree
// (VARNOK_DRM_DIR) instead of /sys/class/drm; its standard input gets `input` and is closed.
// A run that has not ended within 30 s is killed and reads as status -1.

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <memory>

namespace varnok::test {

struct CliResult {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

struct CliSetup {
    QString ports;
    QString drmDir;
    QByteArray input;
};

// Started and left running; FinishCli() waits for it and deletes it.
inline QProcess* StartCli(const QString& program, const QStringList& args,
                          const CliSetup& setup = {}) {
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VARNOK_PORTS"), setup.ports);
    if (!setup.drmDir.isEmpty()) env.insert(QStringLiteral("VARNOK_DRM_DIR"), setup.drmDir);
    p->setProcessEnvironment(env);
    p->start(program, args);
    p->write(setup.input);
    p->closeWriteChannel();
    return p;
}

inline CliResult FinishCli(QProcess* p) {
    const std::unique_ptr<QProcess> owned(p);
    if (!p->waitForFinished(30000)) p->kill();
    return {p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1,
            p->readAllStandardOutput(), p->readAllStandardError()};
}

inline CliResult RunCli(const QString& program, const QStringList& args,
                        const CliSetup& setup = {}) {
    return FinishCli(StartCli(program, args, setup));
}

}  // namespace varnok::test

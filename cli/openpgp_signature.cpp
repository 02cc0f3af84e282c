#include "cli/openpgp_signature.h"

#include "text/whole_file.h"

#include <QProcess>
#include <QStringList>

namespace {

// gpg must answer within this; a pinentry waiting for a passphrase nobody types would hang the tool.
constexpr int gpgTimeoutMs = 120000;

struct GpgRun {
    bool started = false;
    int exitCode = -1;
    QByteArray out, err, status;
};

// "--" ends gpg's options, so that a file named "-x" is a file and not an option.
GpgRun runGpg(const QStringList& arguments) {
    QProcess gpg;
    gpg.setProgram(QStringLiteral("gpg"));
    gpg.setArguments(QStringList{QStringLiteral("--batch"), QStringLiteral("--no-tty")} + arguments);
    gpg.start(QIODevice::ReadWrite);
    GpgRun run;
    run.started = gpg.waitForStarted();
    if (!run.started)
        return run;
    gpg.closeWriteChannel();
    if (!gpg.waitForFinished(gpgTimeoutMs)) {
        gpg.kill();
        gpg.waitForFinished();
        run.err = "gpg did not finish within two minutes";
        return run;
    }
    run.exitCode = gpg.exitStatus() == QProcess::NormalExit ? gpg.exitCode() : -1;
    run.out = gpg.readAllStandardOutput();
    run.err = gpg.readAllStandardError();
    return run;
}

QString local(const std::string& path) {
    return QString::fromLocal8Bit(path.c_str());
}

} // namespace

bool signDetached(const std::string& path, const std::string& key, const std::string& signaturePath,
                  std::string& error) {
    const GpgRun run =
        runGpg({QStringLiteral("--local-user"), QString::fromStdString(key), QStringLiteral("--detach-sign"),
                QStringLiteral("--output"), QStringLiteral("-"), QStringLiteral("--"), local(path)});
    if (!run.started) {
        error = "gpg cannot be run (is GnuPG installed?); no signature was written";
        return false;
    }
    if (run.exitCode != 0 || run.out.isEmpty()) {
        error = "gpg could not sign with the key '" + key + "': " + run.err.trimmed().toStdString();
        return false;
    }
    return writeWholeFile(signaturePath,
                          std::string_view(run.out.constData(), static_cast<std::size_t>(run.out.size())), error);
}

bool verifyDetached(const std::string& path, const std::string& signaturePath, std::string& report) {
    const GpgRun run = runGpg({QStringLiteral("--status-fd"), QStringLiteral("1"), QStringLiteral("--verify"),
                               QStringLiteral("--"), local(signaturePath), local(path)});
    if (!run.started) {
        report = "gpg cannot be run (is GnuPG installed?)";
        return false;
    }
    report = run.err.trimmed().toStdString();
    // Only gpg's machine-readable status says a signature is good; its exit code alone is also 0 for
    // some warnings.
    return run.exitCode == 0 && run.out.contains("[GNUPG:] GOODSIG ") && run.out.contains("[GNUPG:] VALIDSIG ");
}

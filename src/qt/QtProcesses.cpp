#include "qt/QtProcesses.h"

#include <QProcess>
#include <QStringList>

#include <unistd.h>

namespace morvelan {
namespace {

// A process set up without a terminal: standard input from /dev/null and a session of its own,
// so nothing (unzip asking for a password on /dev/tty) ever waits for an answer.
void prepare(QProcess& process, const std::filesystem::path& program,
             const std::vector<std::string>& args) {
    process.setChildProcessModifier([] { ::setsid(); });
    QStringList list;
    for (const auto& a : args)
        list << QString::fromStdString(a);
    process.setProgram(QString::fromStdString(program.string()));
    process.setArguments(list);
    process.setStandardInputFile(QProcess::nullDevice());
}

} // namespace

bool QtProcesses::finishedNormally(QProcess& process) const {
    if (!process.waitForStarted(timeLimit_)) return false;
    if (!process.waitForFinished(timeLimit_)) {
        process.kill();
        process.waitForFinished(timeLimit_);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit;
}

int QtProcesses::run(const std::filesystem::path& program, const std::vector<std::string>& args) {
    QProcess process;
    prepare(process, program, args);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    return finishedNormally(process) ? process.exitCode() : -1;
}

std::string QtProcesses::capture(const std::filesystem::path& program,
                                 const std::vector<std::string>& args) {
    QProcess process;
    prepare(process, program, args);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    // A listing cut short by the time limit would be checked as if it were whole.
    if (!finishedNormally(process)) return {};
    return process.readAll().toStdString();
}

Result<void> QtProcesses::startDetached(const std::filesystem::path& program,
                                        const std::vector<std::string>& args) {
    QProcess process;
    prepare(process, program, args);
    if (!process.startDetached())
        return failure("Couldn't start " + program.string() + ": " +
                       process.errorString().toStdString());
    return success();
}

} // namespace morvelan

#include "qt/QtProcesses.h"

#include <QProcess>
#include <QStringList>

namespace morvelan {
namespace {

// A process set up with standard input closed, so nothing ever waits for an answer.
void prepare(QProcess& process, const std::filesystem::path& program,
             const std::vector<std::string>& args) {
    QStringList list;
    for (const auto& a : args)
        list << QString::fromStdString(a);
    process.setProgram(QString::fromStdString(program.string()));
    process.setArguments(list);
    process.setStandardInputFile(QProcess::nullDevice());
}

bool finishedNormally(QProcess& process) {
    if (!process.waitForStarted(-1)) return false;
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit;
}

} // namespace

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
    if (!process.waitForStarted(-1)) return {};
    process.waitForFinished(-1);
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

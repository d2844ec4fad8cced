// QtDialogs: save and open choosers starting in the home folder.
#include "qt/QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace morvelan {

namespace {

// "JSON (*.json)" for {"json"}; every file when no extension is given.
QString filterFor(const std::vector<std::string>& extensions) {
    if (extensions.empty()) return {};
    QStringList patterns;
    QStringList names;
    for (const std::string& e : extensions) {
        patterns << "*." + QString::fromStdString(e);
        names << QString::fromStdString(e).toUpper();
    }
    return names.join(", ") + " (" + patterns.join(' ') + ")";
}

std::optional<std::filesystem::path> chosen(const QString& file) {
    if (file.isEmpty()) return std::nullopt;
    return std::filesystem::path(file.toStdString());
}

} // namespace

std::optional<std::filesystem::path> QtDialogs::saveFile(const FileDialog& dialog) {
    QFileDialog chooser(parent_, "Export Configuration", QDir::homePath(),
                        filterFor(dialog.extensions));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    // The chooser adds the extension before it asks about replacing a file: "backup" over an
    // existing "backup.json" asks too.
    if (!dialog.extensions.empty())
        chooser.setDefaultSuffix(QString::fromStdString(dialog.extensions.front()));
    chooser.selectFile(QString::fromStdString(dialog.suggestedName));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return std::nullopt;
    return chosen(chooser.selectedFiles().front());
}

std::optional<std::filesystem::path> QtDialogs::openFile(const FileDialog& dialog) {
    return chosen(QFileDialog::getOpenFileName(parent_, "Import Configuration", QDir::homePath(),
                                               filterFor(dialog.extensions)));
}

} // namespace morvelan

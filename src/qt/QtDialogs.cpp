// QtDialogs: save and open choosers starting in the home folder.
#include "qt/QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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
    QString suggested = QDir::home().filePath(QString::fromStdString(dialog.suggestedName));
    QString file = QFileDialog::getSaveFileName(parent_, "Export Configuration", suggested,
                                                filterFor(dialog.extensions));
    // Desktop choosers do not always add the extension the filter names.
    if (!file.isEmpty() && !dialog.extensions.empty() && QFileInfo(file).suffix().isEmpty())
        file += "." + QString::fromStdString(dialog.extensions.front());
    return chosen(file);
}

std::optional<std::filesystem::path> QtDialogs::openFile(const FileDialog& dialog) {
    return chosen(QFileDialog::getOpenFileName(parent_, "Import Configuration", QDir::homePath(),
                                               filterFor(dialog.extensions)));
}

} // namespace morvelan

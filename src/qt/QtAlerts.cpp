#include "qt/QtAlerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <vector>

namespace morvelan {
namespace {

QMessageBox::Icon icon(AlertStyle style) {
    switch (style) {
    case AlertStyle::warning:
        return QMessageBox::Warning;
    case AlertStyle::critical:
        return QMessageBox::Critical;
    case AlertStyle::informational:
        break;
    }
    return QMessageBox::Information;
}

} // namespace

int QtAlerts::show(const Alert& alert) {
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(alert.title));
    box.setText(QString::fromStdString(alert.title));
    box.setInformativeText(QString::fromStdString(alert.text));
    box.setIcon(icon(alert.style));
    // A tray program has no window of its own in front: keep the alert above the others.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);

    const std::vector<std::string> names =
        alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
    std::vector<QPushButton*> buttons; // owned by the box
    for (std::size_t i = 0; i < names.size(); ++i)
        buttons.push_back(
            box.addButton(QString::fromStdString(names[i]),
                          i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    box.setDefaultButton(buttons.front());
    if (buttons.size() > 1) box.setEscapeButton(buttons.back());

    // Activate once the box is on screen, so it takes the keyboard from whatever had it.
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    box.exec();

    auto* clicked = box.clickedButton();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i] == clicked) return static_cast<int>(i);
    return -1;
}

} // namespace morvelan

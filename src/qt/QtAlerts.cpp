#include "qt/QtAlerts.h"

#include <QGridLayout>
#include <QLabel>
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
    // The texts can be selected and copied (an error message is worth pasting into a report);
    // by keyboard too: Tab reaches them, then Ctrl+A and Ctrl+C.
    for (auto* label : box.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue; // the icon
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        // QLabel leaves keyboard-selectable text reachable by click only.
        label->setFocusPolicy(Qt::StrongFocus);
    }
    // QMessageBox is as narrow as its heading, which wraps a sentence every few words: give
    // it the width of a readable alert.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(QtAlerts::minimumWidth, 0, QSizePolicy::Minimum,
                                      QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
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

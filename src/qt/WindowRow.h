// WindowRow: one live window in a list — its title, an optional chip, how many other contexts
// hold it, and an optional button that removes its pin.
#pragma once

#include "core/model/Win.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QToolButton;

namespace morvelan {

class WindowRow : public QWidget {
    Q_OBJECT
public:
    struct Chip {
        QString text;
        QColor tint;
    };

    WindowRow(const Win& window, std::optional<Chip> chip, int alsoIn,
              std::function<void()> onDelete = {}, QWidget* parent = nullptr);

    QLabel* titleLabel() const { return title_; }
    QLabel* chipLabel() const { return chip_; }
    QLabel* alsoInLabel() const { return alsoIn_; }
    QToolButton* deleteButton() const { return delete_; }

private:
    QLabel* title_ = nullptr;
    QLabel* chip_ = nullptr;
    QLabel* alsoIn_ = nullptr;
    QToolButton* delete_ = nullptr;
};

} // namespace morvelan

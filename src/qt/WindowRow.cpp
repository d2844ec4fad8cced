// WindowRow: a window's line in the pinned-window and rule-preview lists.
#include "qt/WindowRow.h"

#include "qt/SettingsStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace morvelan {

WindowRow::WindowRow(const Win& window, std::optional<Chip> chip, int alsoIn,
                     std::function<void()> onDelete, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(6);

    const QString title =
        window.title.empty() ? QStringLiteral("(untitled)") : QString::fromStdString(window.title);
    title_ = new QLabel(title, this);
    title_->setToolTip(QString::fromStdString(window.appName));
    title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    title_->setMinimumWidth(60);
    if (window.title.empty()) settingsStyle::makeSecondary(title_);
    layout->addWidget(title_, 1);

    if (chip) {
        chip_ = new QLabel(chip->text, this);
        chip_->setFont(settingsStyle::captionFont(chip_->font()));
        QColor fill = chip->tint;
        fill.setAlphaF(0.16);
        chip_->setStyleSheet(QString("QLabel { color: %1; background: rgba(%2,%3,%4,%5);"
                                     " border-radius: 4px; padding: 0px 5px; }")
                                 .arg(chip->tint.name())
                                 .arg(fill.red())
                                 .arg(fill.green())
                                 .arg(fill.blue())
                                 .arg(fill.alpha()));
        layout->addWidget(chip_);
    }

    if (alsoIn >= 1) {
        alsoIn_ = new QLabel("also in " + QString::number(alsoIn), this);
        settingsStyle::makeSecondary(alsoIn_, true);
        alsoIn_->setToolTip("This window also belongs to " + QString::number(alsoIn) +
                            " other context" + (alsoIn == 1 ? "" : "s"));
        layout->addWidget(alsoIn_);
    }

    if (onDelete) {
        delete_ = new QToolButton(this);
        delete_->setAutoRaise(true);
        delete_->setIcon(
            settingsStyle::symbol("xmark.circle.fill", settingsStyle::secondary(this)));
        delete_->setIconSize(QSize(14, 14));
        delete_->setToolTip("Remove pin");
        delete_->setAccessibleName("Remove pin");
        connect(delete_, &QToolButton::clicked, this,
                [onDelete = std::move(onDelete)] { onDelete(); });
        layout->addWidget(delete_);
    }
}

} // namespace morvelan

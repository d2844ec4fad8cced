// ListToolbar: two borderless 26 × 22 buttons separated by a short divider.
#include "qt/ListToolbar.h"

#include "qt/SettingsStyle.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace morvelan {

namespace {

QToolButton* makeButton(QWidget* parent, const QString& symbolName, const QString& help) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setFixedSize(26, 22);
    button->setIconSize(QSize(14, 14));
    button->setIcon(
        settingsStyle::symbol(symbolName, parent->palette().color(QPalette::WindowText)));
    button->setFocusPolicy(Qt::StrongFocus); // takes focus, so a name being typed commits first
    button->setToolTip(help);
    button->setAccessibleName(help);
    return button;
}

} // namespace

ListToolbar::ListToolbar(const QString& item, std::function<void()> onAdd,
                         std::function<void()> onRemove, QWidget* extra, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(0);
    add_ = makeButton(this, "plus", "Add " + item);
    remove_ = makeButton(this, "minus", "Remove " + item);
    connect(add_, &QToolButton::clicked, this, [onAdd] {
        if (onAdd) onAdd();
    });
    connect(remove_, &QToolButton::clicked, this, [onRemove] {
        if (onRemove) onRemove();
    });
    layout->addWidget(add_);
    layout->addWidget(settingsStyle::divider(this, Qt::Vertical, 14));
    layout->addWidget(remove_);
    if (extra) {
        layout->addSpacing(8);
        layout->addWidget(extra);
    }
    layout->addStretch(1);
}

void ListToolbar::setRemoveDisabled(bool disabled) {
    remove_->setEnabled(!disabled);
}

} // namespace morvelan

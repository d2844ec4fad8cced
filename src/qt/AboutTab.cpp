// AboutTab: a centred column about the program.
#include "qt/AboutTab.h"

#include "qt/SettingsStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvelan {

namespace {

QPushButton* symbolButton(QWidget* parent, const QString& text, const QString& symbolName,
                          const QColor& tint, std::function<void()> action) {
    auto* button = new QPushButton(settingsStyle::symbol(symbolName, tint), text, parent);
    button->setIconSize(QSize(15, 15));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [action = std::move(action)] {
        if (action) action();
    });
    return button;
}

QLabel* centred(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

} // namespace

AboutTab::AboutTab(const QString& version, Actions actions, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 24, 40, 24);
    layout->setSpacing(10);
    layout->addStretch(1);

    auto* icon = new QLabel(this);
    icon->setPixmap(settingsStyle::appIcon(84));
    icon->setFixedSize(84, 84);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addSpacing(4);

    auto* name = centred(this, "Morvelan");
    name->setFont(settingsStyle::titleFont(name->font()));
    layout->addWidget(name);

    version_ = centred(this, "Version " + version);
    settingsStyle::makeSecondary(version_);
    layout->addWidget(version_);

    auto* blurb = centred(this, "Group your open windows into contexts and switch scoped to the "
                                "one you're in. Your windows are never hidden or moved.");
    blurb->setWordWrap(true);
    // Wraps at about 55 characters; centred between stretches, so its height follows the wrap.
    blurb->setFixedWidth(std::max(380, blurb->fontMetrics().averageCharWidth() * 55));
    auto* blurbRow = new QHBoxLayout;
    blurbRow->addStretch(1);
    blurbRow->addWidget(blurb);
    blurbRow->addStretch(1);
    layout->addLayout(blurbRow);

    layout->addSpacing(6);
    auto* line = settingsStyle::divider(this);
    line->setFixedWidth(280);
    layout->addWidget(line, 0, Qt::AlignHCenter);
    layout->addSpacing(6);

    const QColor ink = palette().color(QPalette::ButtonText);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch(1);
    if (actions.checkForUpdates) {
        updates_ = symbolButton(this, "Check for Updates…", "arrow.down.circle", ink,
                                std::move(actions.checkForUpdates));
        buttons->addWidget(updates_);
    }
    intro_ = symbolButton(this, "Show Intro…", "sparkles", ink, std::move(actions.showIntro));
    buttons->addWidget(intro_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    if (!updates_) {
        noUpdates_ =
            centred(this, actions.updatesFromPackage ? packagedUpdatesText : noUpdateAddressText);
        settingsStyle::makeSecondary(noUpdates_);
        noUpdates_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(noUpdates_);
    }
    if (actions.donate) {
        layout->addSpacing(10);
        auto* plea = centred(this, "Morvelan is free and made by one person.\nIf it saves you "
                                   "time, a small donation keeps it going.");
        settingsStyle::makeSecondary(plea);
        layout->addWidget(plea);
        donate_ = symbolButton(this, "Donate via PayPal", "heart.fill", QColor(0xE8, 0x43, 0x93),
                               std::move(actions.donate));
        layout->addWidget(donate_, 0, Qt::AlignHCenter);
    }
    layout->addStretch(1);
}

} // namespace morvelan

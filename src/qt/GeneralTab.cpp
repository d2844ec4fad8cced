// GeneralTab: the preferences screen, every control bound to the settings model.
#include "qt/GeneralTab.h"

#include "qt/FormSection.h"
#include "qt/RecorderButton.h"
#include "qt/SettingsStyle.h"
#include "qt/ToggleSwitch.h"

#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace morvelan {

namespace {

constexpr int delayStep = 5;
constexpr int delayMax = 300;

QString actionLabel(HotkeyAction action) {
    switch (action) {
    case HotkeyAction::switcher:
        return "Switcher (all windows)";
    case HotkeyAction::switcherConfined:
        return "Switcher (active context only)";
    }
    return {};
}

ToggleSwitch* addToggle(FormSection* section, const QString& label,
                        std::function<void(bool)> write) {
    auto* toggle = new ToggleSwitch;
    toggle->setAccessibleName(label);
    QObject::connect(toggle, &ToggleSwitch::toggled, toggle,
                     [write = std::move(write)](bool on) { write(on); });
    section->addLabeledRow(label, toggle);
    return toggle;
}

QPushButton* pushButton(const QString& text) {
    auto* button = new QPushButton(text);
    button->setAutoDefault(false);
    return button;
}

} // namespace

GeneralTab::GeneralTab(SettingsModel& model,
                       std::function<void(const std::filesystem::path&)> showInFileManager,
                       bool offersUpdates, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    QVBoxLayout* layout = addScrollingForm(outer, {28, 20, 28, 24}, 18);
    QWidget* form = layout->parentWidget();

    // 1. Startup
    auto* startup = new FormSection("Startup", form);
    launchAtLogin_ = addToggle(startup, "Launch Morvelan at login",
                               [this](bool on) { model_.setLaunchAtLogin(on); });
    if (offersUpdates)
        autoUpdate_ = addToggle(startup, "Automatically check for updates",
                                [this](bool on) { model_.setAutoUpdate(on); });
    layout->addWidget(startup);

    // 2. Behavior
    auto* behavior = new FormSection("Behavior", form);
    autoSwitch_ = addToggle(behavior, "Auto-switch context based on the focused window",
                            [this](bool on) { model_.setAutoSwitch(on); });
    raise_ = addToggle(behavior, "Raise all windows of the context when switching",
                       [this](bool on) { model_.setRaiseContext(on); });
    layout->addWidget(behavior);

    // 3. Switcher: the slider moves in steps of 5 ms, so its positions are multiples of 5.
    auto* switcher = new FormSection("Switcher", form);
    auto* delayRow = new QWidget;
    auto* delayLayout = new QHBoxLayout(delayRow);
    delayLayout->setContentsMargins(0, 4, 0, 4);
    delayLayout->addWidget(new QLabel("Open delay", delayRow));
    delayLayout->addSpacing(12);
    delay_ = new QSlider(Qt::Horizontal, delayRow);
    delay_->setRange(0, delayMax / delayStep);
    delay_->setSingleStep(1);
    delay_->setPageStep(2);
    delay_->setAccessibleName("Open delay");
    connect(delay_, &QSlider::valueChanged, this,
            [this](int position) { model_.setSwitcherDelay(position * delayStep); });
    delayLayout->addWidget(delay_, 1);
    delayValue_ = new QLabel(delayRow);
    delayValue_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPointSizeF(delayValue_->font().pointSizeF());
    delayValue_->setFont(digits);
    // As wide as the widest value, so the slider does not move as the value changes.
    delayValue_->setMinimumWidth(QFontMetrics(digits).horizontalAdvance("300 ms") + 2);
    settingsStyle::makeSecondary(delayValue_);
    delayLayout->addWidget(delayValue_);
    switcher->addRow(delayRow);
    layout->addWidget(switcher);

    // 4. Hotkeys
    auto* hotkeys = new FormSection("Hotkeys", form);
    for (HotkeyAction action : allHotkeyActions) {
        auto* row = new QWidget;
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* note = new QLabel(row);
        note->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        rowLayout->addWidget(note, 1);
        auto* recorder = new RecorderButton(model_, action, row);
        recorder->setAccessibleName(actionLabel(action));
        rowLayout->addWidget(recorder);
        recorders_.push_back(recorder);
        notes_.push_back(note);
        hotkeys->addLabeledRow(actionLabel(action), row);
    }
    layout->addWidget(hotkeys);

    // 5. Backup
    auto* backup = new FormSection("Backup", form);
    auto* backupRow = new QWidget;
    auto* backupLayout = new QHBoxLayout(backupRow);
    backupLayout->setContentsMargins(0, 4, 0, 4);
    export_ = pushButton("Export…");
    import_ = pushButton("Import…");
    connect(export_, &QPushButton::clicked, this, [this] { model_.exportConfig(); });
    connect(import_, &QPushButton::clicked, this, [this] { model_.importConfig(); });
    backupLayout->addWidget(export_);
    backupLayout->addWidget(import_);
    backupLayout->addStretch(1);
    backup->addRow(backupRow);
    backup->setFooter("Save or restore all workspaces, contexts, and rules as a JSON file.");
    layout->addWidget(backup);

    // 6. Config file
    auto* config = new FormSection("Config file", form);
    auto* fileRow = new QWidget;
    auto* fileLayout = new QHBoxLayout(fileRow);
    fileLayout->setContentsMargins(0, 4, 0, 4);
    path_ = new QLabel(fileRow);
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    const std::filesystem::path file = model_.store().url;
    const QString shown = QString::fromStdString(tildePath(file, QDir::homePath().toStdString()));
    path_->setText(shown);
    path_->setToolTip(QString::fromStdString(file.string()));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(path_->font().pointSizeF() * 0.92);
    path_->setFont(mono);
    fileLayout->addWidget(path_, 1);
    showFile_ = pushButton("Show in File Manager");
    reload_ = pushButton("Reload");
    connect(showFile_, &QPushButton::clicked, this, [file, show = std::move(showInFileManager)] {
        if (show) show(file);
    });
    connect(reload_, &QPushButton::clicked, this, [this] { model_.reloadConfig(); });
    fileLayout->addWidget(showFile_);
    fileLayout->addWidget(reload_);
    config->addRow(fileRow);
    config->setFooter("Edit this JSON directly to tweak workspaces, contexts, and rules by hand, "
                      "then Reload to apply it without restarting.");
    layout->addWidget(config);
    layout->addStretch(1);

    refresh();
}

void GeneralTab::refresh() {
    const auto set = [](ToggleSwitch* toggle, bool on) {
        QSignalBlocker block(toggle);
        toggle->setChecked(on);
    };
    set(launchAtLogin_, model_.launchAtLogin());
    if (autoUpdate_) set(autoUpdate_, model_.autoUpdate());
    set(autoSwitch_, model_.autoSwitch());
    set(raise_, model_.raiseContext());

    const double ms = model_.switcherDelay();
    {
        QSignalBlocker block(delay_);
        delay_->setValue(static_cast<int>(std::lround(ms / delayStep)));
    }
    delayValue_->setText(QString::number(static_cast<long long>(std::llround(ms))) + " ms");

    for (std::size_t i = 0; i < recorders_.size(); ++i) {
        recorders_[i]->refresh();
        const std::string note = model_.recorderNote(recorders_[i]->action());
        notes_[i]->setText(QString::fromStdString(note));
        // A binding that does not fire stands out; "Active" is quiet.
        if (note.empty() || note == "Active") {
            settingsStyle::makeSecondary(notes_[i]);
        } else {
            QPalette palette = notes_[i]->palette();
            palette.setColor(QPalette::WindowText, QColor(0xC0, 0x39, 0x2B));
            notes_[i]->setPalette(palette);
        }
    }
}

QLabel* GeneralTab::recorderNote(HotkeyAction action) const {
    for (std::size_t i = 0; i < recorders_.size(); ++i)
        if (recorders_[i]->action() == action) return notes_[i];
    return nullptr;
}

RecorderButton* GeneralTab::recorder(HotkeyAction action) const {
    for (RecorderButton* recorder : recorders_)
        if (recorder->action() == action) return recorder;
    return nullptr;
}

} // namespace morvelan

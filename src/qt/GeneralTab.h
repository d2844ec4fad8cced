// GeneralTab: the preferences form — startup, behaviour, switcher delay, hotkeys, backup and
// the contexts file.
#pragma once

#include "core/settings/SettingsModel.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QSlider;

namespace morvelan {

class RecorderButton;
class ToggleSwitch;

class GeneralTab : public QWidget {
    Q_OBJECT
public:
    // `showInFileManager` selects the contexts file in the file manager. Without
    // `offersUpdates` (a build with no release address) there is no automatic-check switch.
    GeneralTab(SettingsModel& model,
               std::function<void(const std::filesystem::path&)> showInFileManager,
               bool offersUpdates, QWidget* parent = nullptr);
    void refresh();

    ToggleSwitch* launchAtLogin() const { return launchAtLogin_; }
    // Null without `offersUpdates`.
    ToggleSwitch* autoUpdate() const { return autoUpdate_; }
    ToggleSwitch* autoSwitch() const { return autoSwitch_; }
    ToggleSwitch* raise() const { return raise_; }
    QSlider* delaySlider() const { return delay_; }
    QLabel* delayLabel() const { return delayValue_; }
    RecorderButton* recorder(HotkeyAction action) const;
    // Beside the recorder: whether its binding works ("Taken by xfwm4").
    QLabel* recorderNote(HotkeyAction action) const;
    QPushButton* exportButton() const { return export_; }
    QPushButton* importButton() const { return import_; }
    QPushButton* showFileButton() const { return showFile_; }
    QPushButton* reloadButton() const { return reload_; }
    QLabel* pathLabel() const { return path_; }

private:
    SettingsModel& model_;
    ToggleSwitch* launchAtLogin_ = nullptr;
    ToggleSwitch* autoUpdate_ = nullptr;
    ToggleSwitch* autoSwitch_ = nullptr;
    ToggleSwitch* raise_ = nullptr;
    QSlider* delay_ = nullptr;
    QLabel* delayValue_ = nullptr;
    std::vector<RecorderButton*> recorders_;
    std::vector<QLabel*> notes_; // one per recorder, in the same order
    QPushButton* export_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* showFile_ = nullptr;
    QPushButton* reload_ = nullptr;
    QLabel* path_ = nullptr;
};

} // namespace morvelan

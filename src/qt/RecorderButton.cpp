// RecorderButton: "Press keys…" while recording, otherwise the binding's text.
#include "qt/RecorderButton.h"

#include "qt/SettingsStyle.h"

namespace morvelan {

RecorderButton::RecorderButton(SettingsModel& model, HotkeyAction action, QWidget* parent)
    : QPushButton(parent), model_(model), action_(action) {
    setMinimumWidth(minWidth);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] {
        if (model_.recording() == action_)
            model_.stopRecording();
        else
            model_.startRecording(action_);
    });
    refresh();
}

void RecorderButton::refresh() {
    setText(QString::fromStdString(model_.recorderLabel(action_)));
    const bool recording = model_.recording() == action_;
    if (recording) {
        const QString accent = settingsStyle::accent().name();
        setStyleSheet("QPushButton { border: 2px solid " + accent +
                      "; border-radius: 5px; padding: 3px 10px; color: " + accent +
                      "; background: palette(base); }");
    } else {
        setStyleSheet({});
    }
}

} // namespace morvelan

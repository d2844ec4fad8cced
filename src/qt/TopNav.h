// TopNav: the settings window's top bar — the program's icon and name, then one button per
// screen (Workspaces, Preferences, About).
#pragma once

#include "core/settings/SettingsModel.h"

#include <QAbstractButton>
#include <QWidget>

#include <vector>

namespace morvelan {

// A screen's button: its symbol and title, on a rounded highlight when selected.
class NavButton : public QAbstractButton {
    Q_OBJECT
public:
    NavButton(const QString& title, const QString& symbolName, QWidget* parent = nullptr);
    void setSelected(bool selected);
    bool selected() const { return selected_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString symbolName_;
    bool selected_ = false;
    bool hovered_ = false;
};

class TopNav : public QWidget {
    Q_OBJECT
public:
    static constexpr int barHeight = 52;

    explicit TopNav(SettingsModel& model, QWidget* parent = nullptr);
    void refresh();
    // The button of a screen: workspaces (also for contexts), general or about.
    NavButton* button(SettingsModel::Tab tab) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Entry {
        SettingsModel::Tab tab;
        NavButton* button;
    };

    SettingsModel& model_;
    std::vector<Entry> entries_;
};

} // namespace morvelan

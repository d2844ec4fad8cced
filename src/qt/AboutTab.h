// AboutTab: the program's icon, name, version and purpose, the update and intro buttons, and
// the donation link.
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace morvelan {

class AboutTab : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> checkForUpdates;
        std::function<void()> showIntro;
        std::function<void()> donate;
    };

    AboutTab(const QString& version, Actions actions, QWidget* parent = nullptr);

    QLabel* versionLabel() const { return version_; }
    QPushButton* updatesButton() const { return updates_; }
    QPushButton* introButton() const { return intro_; }
    QPushButton* donateButton() const { return donate_; }

private:
    QLabel* version_ = nullptr;
    QPushButton* updates_ = nullptr;
    QPushButton* intro_ = nullptr;
    QPushButton* donate_ = nullptr;
};

} // namespace morvelan

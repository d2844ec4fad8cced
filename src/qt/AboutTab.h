// AboutTab: the program's icon, name, version and purpose, the update and intro buttons, and
// the donation link. A build without a release address or donation page shows neither.
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace morvelan {

class AboutTab : public QWidget {
    Q_OBJECT
public:
    // An empty `checkForUpdates` or `donate` leaves its button out.
    struct Actions {
        std::function<void()> checkForUpdates;
        std::function<void()> showIntro;
        std::function<void()> donate;
        // Without `checkForUpdates`: say the package manager brings updates.
        bool updatesFromPackage = false;
    };

    static constexpr const char* noUpdateAddressText =
        "This build has no update address: updates come with your package or source.";
    static constexpr const char* packagedUpdatesText = "Updates come from your package manager.";

    AboutTab(const QString& version, Actions actions, QWidget* parent = nullptr);

    QLabel* versionLabel() const { return version_; }
    // Null when the build checks for updates.
    QLabel* noUpdatesLabel() const { return noUpdates_; }
    QPushButton* updatesButton() const { return updates_; }
    QPushButton* introButton() const { return intro_; }
    QPushButton* donateButton() const { return donate_; }

private:
    QLabel* version_ = nullptr;
    QPushButton* updates_ = nullptr;
    QLabel* noUpdates_ = nullptr;
    QPushButton* intro_ = nullptr;
    QPushButton* donate_ = nullptr;
};

} // namespace morvelan

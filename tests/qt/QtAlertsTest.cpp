// QtAlerts and QtDialogs on the offscreen platform: the update offer answered from the keyboard,
// the export chooser's question before replacing a file.
#include "qt/QtAlerts.h"
#include "QtTestApp.h"
#include "qt/QtDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace morvelan {
namespace {

// Shows the offer and, once its box is up, presses `key` in it. Returns the chosen index.
int answerOfferWith(Qt::Key key) {
    ensureApplication();
    QTimer poll;
    poll.setInterval(10);
    QElapsedTimer pressed;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (!pressed.isValid()) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(box->focusWidget() ? box->focusWidget() : box, &press);
            pressed.start();
        } else if (pressed.hasExpired(5000)) {
            ADD_FAILURE() << "the key left the box open";
            box->reject();
        }
    });
    poll.start();
    return QtAlerts().show({"Update available — Morvelan 2.0",
                            "You have 1.0. Download and install now? Morvelan will relaunch.",
                            {"Install", "Later"},
                            AlertStyle::informational});
}

// Through the key the user presses, not reject(), which skips the box's own key handling.
TEST(QtAlertsTest, ReturnInstallsAndEscapeAnswersLaterNeverInstall) {
    EXPECT_EQ(answerOfferWith(Qt::Key_Return), 0);
    EXPECT_EQ(answerOfferWith(Qt::Key_Escape), 1);
}

// ".json" used to be added after the chooser had returned, past its overwrite question.
TEST(QtDialogsTest, TypingANameWithoutJsonOverAnExistingFileAsksBeforeReplacingIt) {
    ensureApplication();
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    QFile(home.filePath("backup.json")).open(QIODevice::WriteOnly);
    bool asked = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            asked = true;
            box->reject(); // "No": the chooser stays
        } else if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
            if (asked) return chooser->reject();
            chooser->selectFile("backup");
            // Queued: the replace question's loop must see this timer again.
            QMetaObject::invokeMethod(chooser, "accept", Qt::QueuedConnection);
        }
    });
    poll.start();
    EXPECT_EQ(QtDialogs().saveFile({"morvelan-config.json", {"json"}}), std::nullopt);
    EXPECT_TRUE(asked);
    qputenv("HOME", oldHome);
}

} // namespace
} // namespace morvelan

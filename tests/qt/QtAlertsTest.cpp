// QtAlerts on the offscreen platform: the update offer answered from the keyboard.
#include "qt/QtAlerts.h"
#include "QtTestApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
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

} // namespace
} // namespace morvelan

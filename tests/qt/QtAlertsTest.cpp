// Tests of QtAlerts on Qt's offscreen platform: buttons, texts and the chosen index.
#include "qt/QtAlerts.h"
#include "QtTestApp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace morvelan {
namespace {

class QtAlertsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    // Shows the alert and, once it is up, hands the box to `act`.
    int showAndAct(const Alert& alert, std::function<void(QMessageBox*)> act) {
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll.stop();
                act(box);
            }
        });
        poll.start();
        return QtAlerts().show(alert);
    }
    static QPushButton* button(QMessageBox* box, const QString& text) {
        for (auto* b : box->buttons())
            if (b->text() == text) return qobject_cast<QPushButton*>(b);
        return nullptr;
    }
};

TEST_F(QtAlertsTest, ShowsTitleTextAndButtonsAndReturnsTheChosenIndex) {
    const Alert offer{"Update available — Morvelan 2.0",
                      "You have 1.0. Download and install now? Morvelan will relaunch.",
                      {"Install", "Later"},
                      AlertStyle::informational};
    QString title, text, defaultName;
    EXPECT_EQ(showAndAct(offer,
                         [&](QMessageBox* box) {
                             title = box->text();
                             text = box->informativeText();
                             if (auto* d = box->defaultButton()) defaultName = d->text();
                             button(box, "Later")->click();
                         }),
              1);
    EXPECT_EQ(title.toStdString(), offer.title);
    EXPECT_EQ(text.toStdString(), offer.text);
    EXPECT_EQ(defaultName, "Install");
    EXPECT_EQ(showAndAct(offer, [&](QMessageBox* box) { button(box, "Install")->click(); }), 0);
    // Escape takes the last button, never Install.
    EXPECT_EQ(showAndAct(offer,
                         [&](QMessageBox* box) {
                             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                             QApplication::sendEvent(box, &escape);
                         }),
              1);
}

TEST_F(QtAlertsTest, NoButtonsMeansASingleOkAndShortAlertsAreStillWideEnoughToRead) {
    QStringList names;
    int width = 0;
    EXPECT_EQ(showAndAct({"Update check failed", "Couldn't reach the update server.", {}, {}},
                         [&](QMessageBox* box) {
                             for (auto* b : box->buttons())
                                 names << b->text();
                             width = box->width();
                             box->buttons().front()->click();
                         }),
              0);
    EXPECT_EQ(names, QStringList{"OK"});
    EXPECT_GE(width, QtAlerts::minimumWidth);
}

TEST_F(QtAlertsTest, TextsCanBeReachedSelectedAndCopiedFromTheKeyboard) {
    const Alert failed{"Config not applied",
                       "Missing required field “colorHex”.\n\nThe previous configuration is "
                       "still active.",
                       {},
                       AlertStyle::warning};
    QStringList reachable;
    bool okHadFocus = false;
    int chosen = showAndAct(failed, [&](QMessageBox* box) {
        okHadFocus = box->focusWidget() == box->buttons().front();
        for (auto* label : box->findChildren<QLabel*>()) {
            if (label->text().isEmpty()) continue;
            if (label->focusPolicy() & Qt::TabFocus &&
                label->textInteractionFlags() & Qt::TextSelectableByKeyboard)
                reachable << label->text();
        }
        box->buttons().front()->click();
    });
    EXPECT_EQ(chosen, 0);
    EXPECT_TRUE(okHadFocus) << "the default button must keep the first focus";
    EXPECT_EQ(reachable.size(), 2);
    EXPECT_TRUE(reachable.contains(QString::fromStdString(failed.title)));
    EXPECT_TRUE(reachable.contains(QString::fromStdString(failed.text)));
}

} // namespace
} // namespace morvelan

// The introduction tour on the offscreen platform: paging, closing counting as seen, the last
// page's Settings button, and wording for the Linux desktop. The first launch, Escape and the
// window manager's close button are exercised end to end (tests/e2e/scripts/tour.sh).
#include "qt/IntroWindow.h"
#include "QtTestApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace morvelan {
namespace {

void press(QWidget* widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

TEST(IntroWindowTest, PagingAndClosingCountsAsSeenAndShowingAgainReusesTheWindow) {
    ensureApplication();
    IntroWindow intro;
    int closes = 0;
    intro.onClose = [&] { ++closes; };
    intro.show();
    IntroView& view = *intro.view();
    view.back();
    EXPECT_EQ(view.page(), 0);
    // Return presses Next even with Back focused.
    view.next();
    view.backButton()->setFocus();
    press(view.backButton(), Qt::Key_Return);
    EXPECT_EQ(view.page(), 2);

    view.close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(intro.isVisible());
    // Shown again in the same window, on the page it was left at.
    intro.show();
    EXPECT_EQ(intro.view(), &view);
    EXPECT_EQ(view.page(), 2);
    // "Get started" on the last page, which is as far as paging goes.
    view.setPage(IntroView::pageCount - 1);
    view.nextButton()->click();
    EXPECT_EQ(closes, 2);
    EXPECT_FALSE(intro.isVisible());
    EXPECT_EQ(view.page(), IntroView::pageCount - 1);
}

TEST(IntroWindowTest, TheLastPageOpensSettingsAndNoPageSpeaksOfTheMac) {
    ensureApplication();
    IntroWindow intro;
    int settingsOpened = 0;
    intro.onOpenSettings = [&] { ++settingsOpened; };
    intro.show();
    for (const QLabel* label : intro.view()->findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains("macOS") || label->text().contains(u'⌘') ||
                     label->text().contains(u'⌥'))
            << label->text().toStdString();
    for (QPushButton* button : intro.view()->findChildren<QPushButton*>())
        if (button->text() == "Open Morvelan Settings") button->click();
    EXPECT_EQ(settingsOpened, 1);
}

} // namespace
} // namespace morvelan

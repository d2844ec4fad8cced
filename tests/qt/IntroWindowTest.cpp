// Tests of the introduction tour on the offscreen platform: paging, the ways of closing it,
// reuse of its window, its texts and actions. With MORVELAN_SHOTS_DIR set, each page is also
// saved there as a PNG.
#include "qt/IntroWindow.h"
#include "QtTestApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>

#include <memory>
#include <optional>
#include <string>

namespace morvelan {
namespace {

// Every text of the page being shown, labels and buttons, in widget order.
QStringList visibleTexts(const IntroView& view) {
    const auto* pages = view.findChild<QStackedWidget*>();
    QStringList texts;
    for (const QLabel* label : pages->currentWidget()->findChildren<QLabel*>())
        texts << label->text();
    for (const QPushButton* button : pages->currentWidget()->findChildren<QPushButton*>())
        texts << button->text();
    return texts;
}

QPushButton* buttonTitled(const IntroView& view, const QString& text) {
    for (QPushButton* button : view.findChildren<QPushButton*>())
        if (button->text() == text) return button;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

void pressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

class IntroWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    IntroWindowTest() {
        intro.onClose = [this] { ++closes; };
        intro.onOpenSettings = [this] { ++settingsOpened; };
    }

    IntroView& shown() {
        intro.show();
        EXPECT_NE(intro.view(), nullptr);
        return *intro.view();
    }

    IntroWindow intro;
    int closes = 0;
    int settingsOpened = 0;
};

TEST_F(IntroWindowTest, NothingExistsBeforeTheFirstShowThenTheWindowHasItsTitleAndSize) {
    EXPECT_EQ(intro.view(), nullptr);
    EXPECT_FALSE(intro.isVisible());
    IntroView& view = shown();
    EXPECT_TRUE(intro.isVisible());
    EXPECT_EQ(view.windowTitle(), "Welcome to Morvelan");
    EXPECT_EQ(view.size(), QSize(560, 470));
}

TEST_F(IntroWindowTest, BackAndNextPageThroughAndGetStartedCloses) {
    IntroView& view = shown();
    // Back is invisible on the first page but keeps its place.
    EXPECT_EQ(view.page(), 0);
    EXPECT_FALSE(view.backButton()->isVisible());
    EXPECT_TRUE(view.backButton()->sizePolicy().retainSizeWhenHidden());
    view.back();
    EXPECT_EQ(view.page(), 0);
    view.nextButton()->click();
    EXPECT_EQ(view.page(), 1);
    EXPECT_TRUE(view.backButton()->isVisible());
    view.backButton()->click();
    EXPECT_EQ(view.page(), 0);

    // Return presses Next even with Back focused.
    EXPECT_TRUE(view.nextButton()->isDefault());
    view.next();
    view.backButton()->setFocus();
    pressKey(view.backButton(), Qt::Key_Return);
    EXPECT_EQ(view.page(), 2);

    for (int page = 3; page < IntroView::pageCount; ++page) {
        EXPECT_EQ(view.nextButton()->text(), "Next");
        view.nextButton()->click();
        EXPECT_EQ(view.page(), page);
    }
    EXPECT_EQ(view.nextButton()->text(), "Get started");
    EXPECT_EQ(closes, 0);
    view.nextButton()->click();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(intro.isVisible());
    EXPECT_EQ(view.page(), IntroView::pageCount - 1); // no page past the last
}

TEST_F(IntroWindowTest, ClosingByAnyMeansCountsAsSeenAndShowingAgainReusesTheWindow) {
    IntroView& view = shown();
    view.close(); // what the window's close button does, on the first page
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(intro.isVisible());

    intro.show();
    EXPECT_EQ(intro.view(), &view);
    view.next();
    view.next();
    pressKey(&view, Qt::Key_Escape);
    EXPECT_EQ(closes, 2);
    EXPECT_FALSE(intro.isVisible());

    // Shown again on the page it was left at; showing while open only brings it forward.
    intro.show();
    intro.show();
    EXPECT_EQ(intro.view(), &view);
    EXPECT_TRUE(intro.isVisible());
    EXPECT_EQ(view.page(), 2);
    EXPECT_EQ(closes, 2);
}

TEST_F(IntroWindowTest, PagesSpeakOfTheLinuxDesktop) {
    IntroView& view = shown();
    const QStringList first = visibleTexts(view);
    EXPECT_TRUE(first.contains("One pile of windows, tamed"));
    EXPECT_TRUE(first.contains("Your desktop gives you one flat pile of windows — Alt-Tab shows "
                               "<i>everything</i> at once."));
    EXPECT_TRUE(first.contains("Morvelan groups your windows into <b>contexts</b> "
                               "(&quot;Work&quot;, &quot;Writing&quot;, &quot;Comms&quot;) and "
                               "lets you switch scoped to just the one you're in."));

    view.setPage(1);
    const QStringList keys = visibleTexts(view);
    EXPECT_TRUE(keys.contains("Hold <b>Super-Tab</b> to open the switcher, then:"));
    EXPECT_TRUE(keys.contains("Or hold <b>Alt-Tab</b> to jump straight into the active context."));
    EXPECT_TRUE(keys.contains("hold to confine to one context"));

    view.setPage(3);
    const QStringList last = visibleTexts(view);
    EXPECT_TRUE(last.contains("Find this tour again anytime under the tray icon."));
    EXPECT_TRUE(last.contains("Test Hotkeys"));
    EXPECT_TRUE(last.contains("Open Morvelan Settings"));
    EXPECT_FALSE(last.contains("Open Accessibility Settings"));
    for (const QStringList* page : {&first, &keys, &last})
        for (const QString& text : *page)
            EXPECT_FALSE(text.contains("macOS") || text.contains(u'⌘') || text.contains(u'⌥'))
                << text.toStdString();
}

TEST_F(IntroWindowTest, TheLastPagesButtonsOpenSettingsAndTestTheHotkeys) {
    std::optional<std::string> status = "Hotkeys blocked — another program holds the keyboard";
    intro.hotkeyStatus = [&] { return status; };
    IntroView& view = shown();
    view.setPage(3);
    QPushButton* settings = buttonTitled(view, "Open Morvelan Settings");
    QPushButton* test = buttonTitled(view, "Test Hotkeys");
    ASSERT_TRUE(settings && test);
    settings->click();
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(closes, 0);

    // The warning, or that they work.
    for (const auto& [text, informative] : {
             std::pair{"The global hotkeys are not active.", *status},
             std::pair{"The global hotkeys are active.",
                       std::string("Hold Super-Tab to open the switcher.")},
         }) {
        test->click();
        std::unique_ptr<QMessageBox> box(view.findChild<QMessageBox*>());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), text);
        EXPECT_EQ(box->informativeText().toStdString(), informative);
        status.reset();
    }
}

TEST(IntroMarkupTest, BoldItalicAndEscaping) {
    EXPECT_EQ(introMarkup("a **b** c *d* e"), "a <b>b</b> c <i>d</i> e");
    EXPECT_EQ(introMarkup("\"x\" <y> & z"), "&quot;x&quot; &lt;y&gt; &amp; z");
    EXPECT_EQ(introMarkup("no marks"), "no marks");
    EXPECT_EQ(introMarkup("a lone * star"), "a lone * star");
}

TEST_F(IntroWindowTest, PagesRender) {
    IntroView& view = shown();
    for (int page = 0; page < IntroView::pageCount; ++page) {
        view.setPage(page);
        const QImage image = view.grab().toImage();
        EXPECT_EQ(image.size() / image.devicePixelRatio(), QSize(560, 470));
        // The symbol sits in the brand colour at the top centre of the page.
        bool brandSeen = false;
        for (int y = 0; y < 150 && !brandSeen; ++y)
            for (int x = 240; x < 320 && !brandSeen; ++x)
                brandSeen = image.pixelColor(x, y) == QColor(IntroView::brandColor);
        EXPECT_TRUE(brandSeen) << "page " << page;
        saveShot(image, QStringLiteral("intro-%1").arg(page));
    }
}

} // namespace
} // namespace morvelan

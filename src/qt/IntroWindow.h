// IntroWindow: the four-page introduction tour, shown on first launch and on demand.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace morvelan {

class PageDots;

// The tour's content: the pages, their dots and the Back / Next buttons. Any way of closing it
// (its close button, Esc, "Get started") hides it and calls `closed`; it is never destroyed
// by closing.
class IntroView : public QDialog {
    Q_OBJECT
public:
    static constexpr int pageCount = 4;
    static constexpr const char* brandColor = "#138A80";

    explicit IntroView(QWidget* parent = nullptr);

    // "Open Morvelan Settings" chosen.
    std::function<void()> openSettings = [] {};
    // The tour was closed, by whatever means.
    std::function<void()> closed = [] {};
    // nullopt while the global hotkeys work, else why they do not (for "Test Hotkeys").
    std::function<std::optional<std::string>()> hotkeyStatus = [] {
        return std::optional<std::string>{};
    };

    int page() const { return page_; }
    // Shows page `index`, clamped to the pages there are.
    void setPage(int index);
    void next();
    void back();

    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }

    // Hides the tour (QDialog routes close events and Esc here too) and reports it.
    void done(int result) override;

private:
    void testHotkeys();

    int page_ = 0;
    QStackedWidget* pages_ = nullptr;
    PageDots* dots_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
};

// Owns the tour's window: created on the first show(), then hidden and reused, keeping its page.
class IntroWindow {
public:
    IntroWindow();
    ~IntroWindow();
    IntroWindow(const IntroWindow&) = delete;
    IntroWindow& operator=(const IntroWindow&) = delete;

    // "Open Morvelan Settings" on the last page.
    std::function<void()> onOpenSettings = [] {};
    // The tour was closed by any means; the owner records that it has been seen.
    std::function<void()> onClose = [] {};
    // nullopt while the global hotkeys work, else the warning to show ("Test Hotkeys").
    std::function<std::optional<std::string>()> hotkeyStatus = [] {
        return std::optional<std::string>{};
    };

    // Creates the window if needed, then centres it on the screen under the pointer and brings
    // it to the front with the keyboard focus.
    void show();
    bool isVisible() const;
    // Null until the first show().
    IntroView* view() const { return view_.get(); }

private:
    std::unique_ptr<IntroView> view_;
};

// The tour's texts as rich text: HTML-escaped, **bold** and *italic* marked up.
QString introMarkup(const QString& text);

} // namespace morvelan

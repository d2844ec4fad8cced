// IntroWindow: builds the tour's pages, steps through them and reports its closing.
#include "qt/IntroWindow.h"

#include "qt/IntroGlyphs.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace morvelan {

namespace {

// The tour is designed in logical pixels for a 10-point desktop font, and grows with a larger
// one.
qreal scaleOf(const QFont& base) {
    return std::max(1.0, base.pointSizeF() / 10.0);
}

// Qt's points are 1/72 inch at the screen's logical dpi (96 at scale 1), so a size of n pixels
// is n × 0.75 points.
QFont fontOf(const QFont& base, qreal pixels, QFont::Weight weight = QFont::Normal) {
    QFont font = base;
    font.setPointSizeF(pixels * 0.75 * scaleOf(base));
    font.setWeight(weight);
    return font;
}

QColor brand() {
    return QColor(IntroView::brandColor);
}

// Secondary text, the colour of hints and inactive marks.
QColor secondary(const QWidget& widget) {
    return widget.palette().color(QPalette::PlaceholderText);
}

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

constexpr int contentWidth = 420;
constexpr int symbolSize = 52;

// A page's symbol, centred in a frame 60 high.
class SymbolView : public QWidget {
public:
    SymbolView(int page, QWidget* parent) : QWidget(parent), page_(page) { setFixedHeight(60); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QPixmap symbol = introSymbol(page_, brand(), symbolSize, devicePixelRatioF());
        const QPoint origin((width() - symbolSize) / 2, (height() - symbolSize) / 2);
        p.drawPixmap(origin, symbol);
    }

private:
    int page_;
};

// A key as printed on a key cap: its name on a faint rounded plate.
class KeyCap : public QWidget {
public:
    KeyCap(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
        setFont(fontOf(font(), 12, QFont::Medium));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text_) + 2 * 7, metrics.height() + 2 * 2};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(withOpacity(secondary(*this), 0.15));
        p.drawRoundedRect(QRectF(rect()), 5, 5);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect(), Qt::AlignCenter, text_);
    }

private:
    QString text_;
};

QLabel* paragraph(const QString& text, QWidget* parent) {
    auto* label = new QLabel(introMarkup(text), parent);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    label->setFont(fontOf(parent->font(), 13.5));
    return label;
}

QWidget* keyRow(const QStringList& caps, const QString& description, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    for (const QString& cap : caps)
        layout->addWidget(new KeyCap(cap, row));
    layout->addSpacing(4);
    auto* text = new QLabel(description, row);
    text->setFont(fontOf(parent->font(), 13.5));
    layout->addWidget(text);
    layout->addStretch();
    return row;
}

} // namespace

// One circle per page: the current one in the brand colour.
class PageDots : public QWidget {
public:
    explicit PageDots(QWidget* parent) : QWidget(parent) {
        setFixedSize(IntroView::pageCount * dot + (IntroView::pageCount - 1) * gap, dot);
    }

    void setCurrent(int page) {
        current_ = page;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < IntroView::pageCount; ++i) {
            p.setBrush(i == current_ ? brand() : withOpacity(secondary(*this), 0.3));
            p.drawEllipse(QRectF(i * (dot + gap), 0, dot, dot));
        }
    }

private:
    static constexpr int dot = 7;
    static constexpr int gap = 8;
    int current_ = 0;
};

QString introMarkup(const QString& text) {
    QString html = text.toHtmlEscaped();
    static const QRegularExpression bold(QStringLiteral("\\*\\*(.+?)\\*\\*"));
    static const QRegularExpression italic(QStringLiteral("\\*(.+?)\\*"));
    html.replace(bold, QStringLiteral("<b>\\1</b>"));
    html.replace(italic, QStringLiteral("<i>\\1</i>"));
    return html;
}

IntroView::IntroView(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Welcome to Morvelan"));
    // An ordinary window, not a dialog: window managers keep dialogs above the program's other
    // windows, and the tour must never stand in front of Settings.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    resize(560, 470);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 20);
    layout->setSpacing(0);

    pages_ = new QStackedWidget(this);
    const std::array<QString, pageCount> titles{
        QStringLiteral("One pile of windows, tamed"),
        QStringLiteral("A switcher that knows the difference"),
        QStringLiteral("Sort once, stay sorted"),
        QStringLiteral("One thing before you start"),
    };
    for (int index = 0; index < pageCount; ++index) {
        auto* page = new QWidget(pages_);
        auto* centre = new QHBoxLayout(page);
        centre->setContentsMargins(32, 0, 32, 0);
        auto* content = new QWidget(page);
        // Wider with a larger font, so the pages keep their shape.
        content->setFixedWidth(qRound(contentWidth * scaleOf(font())));
        centre->addStretch();
        centre->addWidget(content);
        centre->addStretch();

        auto* column = new QVBoxLayout(content);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        // Top-aligned, so the symbol and the title stay in place while paging.
        column->addSpacing(34);
        column->addWidget(new SymbolView(index, content));
        column->addSpacing(12);
        auto* title = new QLabel(titles[index], content);
        title->setFont(fontOf(font(), 22, QFont::DemiBold));
        title->setAlignment(Qt::AlignHCenter);
        title->setWordWrap(true);
        column->addWidget(title);
        column->addSpacing(18);

        auto* body = new QVBoxLayout();
        body->setSpacing(index == 3 ? 14 : 10);
        column->addLayout(body);
        column->addStretch();

        switch (index) {
        case 0:
            body->addWidget(paragraph(
                QStringLiteral("Your desktop gives you one flat pile of windows — Alt-Tab shows "
                               "*everything* at once."),
                content));
            body->addWidget(paragraph(
                QStringLiteral("Morvelan groups your windows into **contexts** (\"Work\", "
                               "\"Writing\", \"Comms\") and lets you switch scoped to just the "
                               "one you're in."),
                content));
            body->addWidget(
                paragraph(QStringLiteral("Your windows are never hidden or moved — "
                                         "it's a soft filter over what's already open."),
                          content));
            break;
        case 1: {
            body->addWidget(paragraph(
                QStringLiteral("Hold **Super-Tab** to open the switcher, then:"), content));
            auto* keys = new QVBoxLayout();
            keys->setSpacing(6);
            keys->setContentsMargins(0, 0, 0, 0);
            keys->addWidget(keyRow({QStringLiteral("Tab"), QStringLiteral("Shift-Tab")},
                                   QStringLiteral("step through windows"), content));
            keys->addWidget(keyRow({QStringLiteral("←"), QStringLiteral("→")},
                                   QStringLiteral("move between contexts"), content));
            keys->addWidget(keyRow({QStringLiteral("Alt")},
                                   QStringLiteral("hold to confine to one context"), content));
            keys->addWidget(
                keyRow({QStringLiteral("release")}, QStringLiteral("commit and focus"), content));
            body->addLayout(keys);
            body->addWidget(paragraph(
                QStringLiteral("Or hold **Alt-Tab** to jump straight into the active context."),
                content));
            break;
        }
        case 2:
            body->addWidget(paragraph(
                QStringLiteral("Pin a window to a context, or write a **rule** — \"every Slack "
                               "window\", \"titles containing PD-\" — and matching windows join "
                               "automatically, even after you quit and relaunch."),
                content));
            body->addWidget(paragraph(
                QStringLiteral("Follow-focus can auto-switch to whichever context you click into, "
                               "and the tray icon always shows the active one."),
                content));
            break;
        case 3: {
            body->addWidget(paragraph(
                QStringLiteral("Morvelan works with any EWMH window manager on X11 — the window "
                               "list and the global hotkeys come straight from the X server, so "
                               "there is no permission to grant."),
                content));
            auto* buttons = new QHBoxLayout();
            buttons->setSpacing(8);
            auto* test = new QPushButton(QStringLiteral("Test Hotkeys"), content);
            auto* settings = new QPushButton(QStringLiteral("Open Morvelan Settings"), content);
            for (QPushButton* button : {test, settings}) {
                button->setAutoDefault(false);
                buttons->addWidget(button);
            }
            buttons->addStretch();
            connect(test, &QPushButton::clicked, this, &IntroView::testHotkeys);
            connect(settings, &QPushButton::clicked, this, [this] { openSettings(); });
            body->addLayout(buttons);
            body->addWidget(paragraph(
                QStringLiteral("Find this tour again anytime in Settings › About."), content));
            break;
        }
        default:
            break;
        }
        pages_->addWidget(page);
    }
    layout->addWidget(pages_, 1);

    dots_ = new PageDots(this);
    layout->addWidget(dots_, 0, Qt::AlignHCenter);
    layout->addSpacing(16);

    auto* buttonRow = new QHBoxLayout();
    buttonRow->setContentsMargins(24, 0, 24, 0);
    back_ = new QPushButton(QStringLiteral("Back"), this);
    back_->setAutoDefault(false);
    // Invisible on the first page, but it keeps its place so Next does not move.
    QSizePolicy keepPlace = back_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    back_->setSizePolicy(keepPlace);
    next_ = new QPushButton(QStringLiteral("Next"), this);
    next_->setDefault(true);
    buttonRow->addWidget(back_);
    buttonRow->addStretch();
    buttonRow->addWidget(next_);
    layout->addLayout(buttonRow);

    connect(back_, &QPushButton::clicked, this, &IntroView::back);
    connect(next_, &QPushButton::clicked, this, [this] {
        if (page_ >= pageCount - 1)
            accept();
        else
            next();
    });
    setPage(0);
}

void IntroView::setPage(int index) {
    page_ = std::clamp(index, 0, pageCount - 1);
    pages_->setCurrentIndex(page_);
    dots_->setCurrent(page_);
    back_->setVisible(page_ > 0);
    next_->setText(page_ >= pageCount - 1 ? QStringLiteral("Get started") : QStringLiteral("Next"));
}

void IntroView::next() {
    setPage(page_ + 1);
}

void IntroView::back() {
    setPage(page_ - 1);
}

void IntroView::done(int result) {
    const bool wasOpen = isVisible();
    QDialog::done(result);
    if (wasOpen) closed();
}

void IntroView::testHotkeys() {
    const std::optional<std::string> problem = hotkeyStatus ? hotkeyStatus() : std::nullopt;
    auto* box = new QMessageBox(problem ? QMessageBox::Warning : QMessageBox::Information,
                                QStringLiteral("Test Hotkeys"),
                                problem ? QStringLiteral("The global hotkeys are not active.")
                                        : QStringLiteral("The global hotkeys are active."),
                                QMessageBox::Ok, this);
    box->setInformativeText(problem ? QString::fromStdString(*problem)
                                    : QStringLiteral("Hold Super-Tab to open the switcher."));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

IntroWindow::IntroWindow() = default;

IntroWindow::~IntroWindow() {
    // Closing with the program reports nothing: the tour was not dismissed by the user.
    if (view_) view_->closed = [] {};
}

void IntroWindow::show() {
    if (!view_) {
        view_ = std::make_unique<IntroView>();
        // The view lives inside this object, so the callbacks cannot outlive it.
        view_->openSettings = [this] { onOpenSettings(); };
        view_->closed = [this] { onClose(); };
        view_->hotkeyStatus = [this] { return hotkeyStatus(); };
    }
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!view_->isVisible()) view_->resize(view_->size().expandedTo(view_->sizeHint()));
    if (screen) {
        const QRect area = screen->availableGeometry();
        view_->move(area.center() - QPoint(view_->width() / 2, view_->height() / 2));
    }
    view_->show();
    view_->raise();
    view_->activateWindow();
}

bool IntroWindow::isVisible() const {
    return view_ && view_->isVisible();
}

} // namespace morvelan

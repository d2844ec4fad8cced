// FormSection: the grouped-form section of the settings screens.
#include "qt/FormSection.h"

#include "qt/SettingsStyle.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace morvelan {

namespace {

// The rounded card behind a section's rows. Painted rather than styled, so the controls on
// it keep the window's palette (style sheets cut palette propagation).
class Card : public QWidget {
public:
    explicit Card(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor border = palette().color(QPalette::WindowText);
        border.setAlphaF(0.11);
        p.setPen(QPen(border, 1));
        p.setBrush(palette().color(QPalette::Base));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

// Scroll areas size their page by its minimum, which knows nothing of wrapped text: the page's
// minimum height follows what its layout needs at the viewport's width.
class FormScrollArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

protected:
    void resizeEvent(QResizeEvent* event) override {
        fit();
        QScrollArea::resizeEvent(event);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget() && event->type() == QEvent::LayoutRequest) fit();
        return QScrollArea::eventFilter(watched, event);
    }

private:
    void fit() {
        QWidget* page = widget();
        if (!page || !page->layout() || !page->layout()->hasHeightForWidth()) return;
        page->setMinimumHeight(page->layout()->heightForWidth(viewport()->width()));
    }
};

} // namespace

QVBoxLayout* addScrollingForm(QBoxLayout* into, QMargins margins, int spacing) {
    auto* scroll = new FormScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    into->addWidget(scroll, 1);
    auto* page = new QWidget;
    page->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(margins);
    layout->setSpacing(spacing);
    scroll->setWidget(page);
    page->installEventFilter(scroll);
    return layout;
}

FormSection::FormSection(const QString& title, QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(6);

    headerRow_ = new QHBoxLayout;
    headerRow_->setContentsMargins(10, 0, 4, 0);
    header_ = new QLabel(title, this);
    header_->setFont(settingsStyle::headlineFont(header_->font()));
    settingsStyle::makeSecondary(header_);
    header_->setVisible(!title.isEmpty());
    headerRow_->addWidget(header_);
    headerRow_->addStretch(1);
    outer->addLayout(headerRow_);

    card_ = new Card(this);
    cardLayout_ = new QVBoxLayout(card_);
    cardLayout_->setContentsMargins(12, 4, 12, 4);
    cardLayout_->setSpacing(0);
    outer->addWidget(card_);

    footer_ = new QLabel(this);
    footer_->setWordWrap(true);
    footer_->setContentsMargins(10, 0, 10, 0);
    settingsStyle::makeSecondary(footer_, true);
    footer_->hide();
    outer->addWidget(footer_);
}

void FormSection::addRow(QWidget* row) {
    if (rows_ > 0) cardLayout_->addWidget(settingsStyle::divider(card_));
    row->setParent(card_);
    row->setMinimumHeight(std::max(row->minimumHeight(), 34));
    cardLayout_->addWidget(row);
    ++rows_;
}

QWidget* FormSection::addLabeledRow(const QString& label, QWidget* content) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 4, 0, 4);
    auto* name = new QLabel(label, row);
    layout->addWidget(name);
    layout->addStretch(1);
    layout->addWidget(content);
    addRow(row);
    return row;
}

void FormSection::clearRows() {
    while (QLayoutItem* item = cardLayout_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    rows_ = 0;
}

void FormSection::setHeaderAccessory(QWidget* accessory) {
    accessory->setParent(this);
    headerRow_->addWidget(accessory);
}

void FormSection::setFooter(const QString& text) {
    footer_->setText(text);
    footer_->setVisible(!text.isEmpty());
}

} // namespace morvelan

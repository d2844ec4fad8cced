// RuleEditor: the conditions of one rule and the windows it matches right now.
#include "qt/RuleEditor.h"

#include "qt/SettingsStyle.h"
#include "qt/WindowRow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace morvelan {

namespace {

constexpr RuleField fields[] = {RuleField::bundleID, RuleField::appName, RuleField::title};
constexpr RuleOp ops[] = {RuleOp::equals, RuleOp::contains, RuleOp::regex};

int indexOf(RuleField field) {
    for (int i = 0; i < 3; ++i)
        if (fields[i] == field) return i;
    return 0;
}

int indexOf(RuleOp op) {
    for (int i = 0; i < 3; ++i)
        if (ops[i] == op) return i;
    return 0;
}

QToolButton* flatButton(QWidget* parent, const QIcon& icon, const QString& text = {}) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(icon);
    button->setIconSize(QSize(15, 15));
    if (!text.isEmpty()) {
        button->setText(text);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    return button;
}

QString matchesText(std::size_t n) {
    if (n == 0) return "No matched windows";
    return QString::number(n) + " matched window" + (n == 1 ? "" : "s");
}

} // namespace

RuleEditor::RuleEditor(SettingsModel& model, const Uuid& contextID, std::size_t ruleIndex,
                       QWidget* parent)
    : QWidget(parent), model_(model), contextID_(contextID), ruleIndex_(ruleIndex) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);

    rowsLayout_ = new QVBoxLayout;
    rowsLayout_->setSpacing(4);
    layout->addLayout(rowsLayout_);

    const QColor ink = palette().color(QPalette::ButtonText);
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(4);
    addCondition_ = flatButton(this, settingsStyle::symbol("plus.circle", ink), "Add condition");
    connect(addCondition_, &QToolButton::clicked, this,
            [this] { model_.addCondition(contextID_, ruleIndex_); });
    bottom->addWidget(addCondition_);
    bottom->addStretch(1);
    summary_ = flatButton(this, settingsStyle::symbol("chevron.right", ink));
    summary_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    summary_->setLayoutDirection(Qt::RightToLeft); // the chevron after the text
    summary_->setIconSize(QSize(10, 10));
    connect(summary_, &QToolButton::clicked, this, [this] {
        showMatches_ = !showMatches_;
        refresh();
    });
    bottom->addWidget(summary_);
    removeRule_ = flatButton(this, settingsStyle::symbol("trash", ink));
    removeRule_->setToolTip("Remove rule");
    removeRule_->setAccessibleName("Remove rule");
    connect(removeRule_, &QToolButton::clicked, this,
            [this] { model_.askRemoveRule(contextID_, ruleIndex_); });
    bottom->addWidget(removeRule_);
    layout->addLayout(bottom);

    matches_ = new QWidget(this);
    matchesLayout_ = new QVBoxLayout(matches_);
    matchesLayout_->setContentsMargins(6, 0, 2, 2);
    matchesLayout_->setSpacing(0);
    matches_->hide();
    layout->addWidget(matches_);

    refresh();
}

void RuleEditor::paintEvent(QPaintEvent*) {
    // A faint card of its own inside the section, painted to keep the palette (see FormSection).
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(0.035);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.09);
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
}

const Rule* RuleEditor::rule() const {
    ContextPtr c = model_.context(contextID_);
    if (!c || ruleIndex_ >= c->rules.size()) return nullptr;
    return &c->rules[ruleIndex_];
}

void RuleEditor::rebuildRows(const Rule& rule) {
    for (ConditionRow& r : rows_) {
        r.row->hide();
        r.row->deleteLater();
    }
    rows_.clear();
    const QColor removeTint = settingsStyle::destructive();
    for (std::size_t i = 0; i < rule.clauses.size(); ++i) {
        ConditionRow r;
        r.row = new QWidget(this);
        auto* h = new QHBoxLayout(r.row);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(6);
        r.field = new QComboBox(r.row);
        r.field->addItems({"App ID", "App name", "Window title"});
        r.op = new QComboBox(r.row);
        r.op->addItems({"is", "contains", "matches /…/"});
        r.value = new QLineEdit(r.row);
        r.value->setClearButtonEnabled(false);
        r.remove = flatButton(r.row, settingsStyle::symbol("minus.circle.fill", removeTint));
        r.remove->setToolTip("Remove condition");
        r.remove->setAccessibleName("Remove condition");
        h->addWidget(r.field);
        h->addWidget(r.op);
        h->addWidget(r.value, 1);
        h->addWidget(r.remove);

        connect(r.field, &QComboBox::currentIndexChanged, this, [this, i] { writeCondition(i); });
        connect(r.op, &QComboBox::currentIndexChanged, this, [this, i] { writeCondition(i); });
        connect(r.value, &QLineEdit::textEdited, this, [this, i] { writeCondition(i); });
        connect(r.remove, &QToolButton::clicked, this,
                [this, i] { model_.removeCondition(contextID_, ruleIndex_, i); });
        rowsLayout_->addWidget(r.row);
        rows_.push_back(r);
    }
}

void RuleEditor::writeCondition(std::size_t clause) {
    if (clause >= rows_.size()) return;
    const ConditionRow& r = rows_[clause];
    Condition condition;
    condition.field = fields[std::max(0, r.field->currentIndex())];
    condition.op = ops[std::max(0, r.op->currentIndex())];
    condition.value = r.value->text().toStdString();
    model_.setCondition(contextID_, ruleIndex_, clause, std::move(condition));
}

void RuleEditor::refresh() {
    const Rule* current = rule();
    if (!current) return; // the editor replaces this widget
    const Rule rule = *current;
    if (rows_.size() != rule.clauses.size()) rebuildRows(rule);

    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Condition& c = rule.clauses[i];
        ConditionRow& r = rows_[i];
        {
            QSignalBlocker blockField(r.field);
            QSignalBlocker blockOp(r.op);
            r.field->setCurrentIndex(indexOf(c.field));
            r.op->setCurrentIndex(indexOf(c.op));
        }
        const QString value = QString::fromStdString(c.value);
        if (r.value->text() != value) r.value->setText(value);
        r.value->setPlaceholderText(c.op == RuleOp::regex ? "pattern" : "value");
        // An invalid pattern is kept, only marked.
        const bool valid = SettingsModel::patternValid(c);
        r.value->setStyleSheet(valid ? QString()
                                     : "QLineEdit { border: 1.5px solid " +
                                           settingsStyle::destructive().name() +
                                           "; border-radius: 3px; }");
        r.value->setToolTip(valid ? QString() : "This pattern does not compile.");
    }

    const std::vector<Win> matched = model_.ruleMatches(rule);
    summary_->setText(matchesText(matched.size()));
    summary_->setIcon(settingsStyle::symbol(showMatches_ ? "chevron.down" : "chevron.right",
                                            palette().color(QPalette::ButtonText)));
    refreshMatches(rule, matched);
}

void RuleEditor::refreshMatches(const Rule& rule, const std::vector<Win>& matched) {
    while (QLayoutItem* item = matchesLayout_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    matches_->setVisible(showMatches_);
    if (!showMatches_) return;

    auto* heading = new QLabel(rule.exclude ? "Windows this rule blocks right now"
                                            : "Windows this rule matches right now",
                               matches_);
    settingsStyle::makeSecondary(heading, true);
    matchesLayout_->addWidget(heading);
    if (matched.empty()) {
        auto* none = new QLabel("No windows match right now.", matches_);
        settingsStyle::makeSecondary(none);
        matchesLayout_->addWidget(none);
        return;
    }
    const WindowRow::Chip chip = rule.exclude
                                     ? WindowRow::Chip{"blocked", settingsStyle::destructive()}
                                     : WindowRow::Chip{"match", settingsStyle::accent()};
    for (const Win& w : matched)
        matchesLayout_->addWidget(
            new WindowRow(w, chip, model_.alsoIn(w, contextID_), {}, matches_));
}

} // namespace morvelan

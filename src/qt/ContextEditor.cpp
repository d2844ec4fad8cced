// ContextEditor: a window-modal sheet over the settings window; every change is saved at once.
#include "qt/ContextEditor.h"

#include "qt/FormSection.h"
#include "qt/RuleEditor.h"
#include "qt/SettingsStyle.h"
#include "qt/WindowRow.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace morvelan {

namespace {

const char* const includeExplanation = "A window joins this context if it matches any include rule "
                                       "(OR); within a rule, every condition must match (AND).";
const char* const excludeExplanation =
    "Windows matching an exclude rule are kept out — even if an include rule matches. A "
    "manually added (pinned) window still wins.";

QIcon swatch(const QColor& color) {
    QPixmap pixmap(56, 32);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 0, 60), 0.5));
    p.setBrush(color);
    p.drawRoundedRect(QRectF(0.5, 0.5, 27, 15), 4, 4);
    return QIcon(pixmap);
}

QPushButton* plainButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

ContextEditor::ContextEditor(SettingsModel& model, const Uuid& contextID, QWidget* parent)
    : QDialog(parent), model_(model), contextID_(contextID) {
    setWindowTitle("Edit Context");
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_WindowPropagation); // the settings window's accent palette
    // The designed size, wider with a larger font; it scrolls when taller than that.
    resize(std::max(sheetWidth, fontMetrics().averageCharWidth() * 70), sheetHeight);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    QVBoxLayout* layout = addScrollingForm(outer, {20, 18, 20, 18}, 16);
    QWidget* form = layout->parentWidget();

    // 1. Name, colour, workspace.
    auto* basics = new FormSection(QString(), form);
    name_ = new QLineEdit;
    name_->setMinimumWidth(260);
    name_->setAccessibleName("Name");
    connect(name_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setName(contextID_, text.toStdString()); });
    basics->addLabeledRow("Name", name_);
    color_ = new QPushButton;
    color_->setAutoDefault(false);
    color_->setIconSize(QSize(28, 16));
    color_->setAccessibleName("Color");
    connect(color_, &QPushButton::clicked, this, &ContextEditor::pickColor);
    basics->addLabeledRow("Color", color_);
    workspace_ = new QComboBox;
    workspace_->setMinimumWidth(200);
    workspace_->setAccessibleName("Workspace");
    connect(workspace_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(shownWorkspaces_.size()))
            model_.setWorkspace(contextID_,
                                shownWorkspaces_[static_cast<std::size_t>(index)].first);
    });
    basics->addLabeledRow("Workspace", workspace_);
    layout->addWidget(basics);

    // 2. Rules.
    auto* rules = new FormSection("Auto-match rules", form);
    auto* rulesBox = new QWidget;
    auto* rulesBoxLayout = new QVBoxLayout(rulesBox);
    rulesBoxLayout->setContentsMargins(0, 8, 0, 8);
    rulesBoxLayout->setSpacing(8);
    auto* segments = new QHBoxLayout;
    segments->setSpacing(0);
    include_ = plainButton("Include", rulesBox);
    exclude_ = plainButton("Exclude", rulesBox);
    const QString accent = settingsStyle::accent().name();
    // White on the accent, darkened as far as reading it needs.
    const QString checkedFill = settingsStyle::readable(settingsStyle::accent(), Qt::white).name();
    const QString segmentStyle =
        "QPushButton { border: 1px solid rgba(0,0,0,45); padding: 3px 18px;"
        " background: palette(button); %1 }"
        "QPushButton:checked { background: " +
        checkedFill + "; color: white; border-color: " + checkedFill +
        "; }"
        // Keyboard focus: a ring in the accent, or in the text colour on the filled half.
        "QPushButton:focus { border: 2px solid " +
        settingsStyle::readableAccent(palette().color(QPalette::Button)).name() +
        "; }"
        "QPushButton:checked:focus { border: 2px solid palette(window-text); }";
    include_->setStyleSheet(segmentStyle.arg(
        "border-top-left-radius: 6px; border-bottom-left-radius: 6px; border-right: none;"));
    exclude_->setStyleSheet(
        segmentStyle.arg("border-top-right-radius: 6px; border-bottom-right-radius: 6px;"));
    auto* group = new QButtonGroup(this);
    for (QPushButton* b : {include_, exclude_}) {
        b->setCheckable(true);
        group->addButton(b);
    }
    include_->setChecked(true);
    connect(include_, &QPushButton::clicked, this, [this] { setRuleTab(false); });
    connect(exclude_, &QPushButton::clicked, this, [this] { setRuleTab(true); });
    segments->addStretch(1);
    segments->addWidget(include_);
    segments->addWidget(exclude_);
    segments->addStretch(1);
    rulesBoxLayout->addLayout(segments);
    explanation_ = new QLabel(rulesBox);
    explanation_->setWordWrap(true);
    settingsStyle::makeSecondary(explanation_, true);
    rulesBoxLayout->addWidget(explanation_);
    rulesLayout_ = new QVBoxLayout;
    rulesLayout_->setSpacing(8);
    rulesBoxLayout->addLayout(rulesLayout_);
    addRule_ = plainButton(QString(), rulesBox);
    addRule_->setFlat(true);
    addRule_->setIcon(settingsStyle::symbol("plus.circle.fill", settingsStyle::accent()));
    addRule_->setIconSize(QSize(15, 15));
    addRule_->setStyleSheet("QPushButton { text-align: left; padding: 2px 4px; }");
    connect(addRule_, &QPushButton::clicked, this,
            [this] { model_.addRule(contextID_, ruleTab_); });
    rulesBoxLayout->addWidget(addRule_, 0, Qt::AlignLeft);
    rules->addRow(rulesBox);
    layout->addWidget(rules);

    // 3. Pinned windows.
    pins_ = new FormSection("Pinned windows", form);
    clearPins_ = plainButton("Clear", pins_);
    clearPins_->setFlat(true);
    clearPins_->setStyleSheet("QPushButton { color: " + accent + "; padding: 0px 6px; }");
    connect(clearPins_, &QPushButton::clicked, this, [this] { model_.askClearPins(contextID_); });
    pins_->setHeaderAccessory(clearPins_);
    pins_->setFooter("Added by hand (Alt-click in the switcher). Kept regardless of rules.");
    layout->addWidget(pins_);
    layout->addStretch(1);

    // 4. Delete and Done.
    outer->addWidget(settingsStyle::divider(this));
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(20, 10, 20, 12);
    delete_ = plainButton("Delete Context", this);
    delete_->setStyleSheet("QPushButton { color: " + settingsStyle::destructive().name() + "; }");
    connect(delete_, &QPushButton::clicked, this, [this] { model_.deleteContext(contextID_); });
    done_ = new QPushButton("Done", this);
    done_->setDefault(true);
    done_->setMinimumWidth(80);
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    bottom->addWidget(delete_);
    bottom->addStretch(1);
    bottom->addWidget(done_);
    outer->addLayout(bottom);

    refresh();
}

void ContextEditor::setRuleTab(bool exclude) {
    ruleTab_ = exclude;
    refresh();
}

void ContextEditor::pickColor() {
    ContextPtr c = model_.context(contextID_);
    if (!c) return;
    const QColor picked =
        QColorDialog::getColor(settingsStyle::toQColor(SettingsModel::colorOf(*c)), this, "Color");
    if (picked.isValid()) model_.setColor(contextID_, settingsStyle::fromQColor(picked));
}

void ContextEditor::refresh() {
    ContextPtr c = model_.context(contextID_);
    if (!c) return; // deleted: the settings window closes the sheet

    const QString name = QString::fromStdString(c->name);
    if (name_->text() != name) name_->setText(name);

    const QColor color = settingsStyle::toQColor(SettingsModel::colorOf(*c));
    color_->setIcon(swatch(color));
    color_->setText(color.name(QColor::HexRgb).toUpper());

    std::vector<std::pair<Uuid, std::string>> workspaces;
    for (const Workspace& w : model_.store().workspaces())
        workspaces.emplace_back(w.id, w.name);
    {
        QSignalBlocker block(workspace_);
        if (workspaces != shownWorkspaces_) {
            workspace_->clear();
            for (const auto& [id, label] : workspaces)
                workspace_->addItem(QString::fromStdString(label));
            shownWorkspaces_ = workspaces;
        }
        const auto current = model_.store().workspaceID(*c);
        int index = -1;
        for (std::size_t i = 0; i < workspaces.size(); ++i)
            if (workspaces[i].first == current) index = static_cast<int>(i);
        workspace_->setCurrentIndex(index);
    }

    refreshRules(*c);
    refreshPins(*c);
}

void ContextEditor::refreshRules(const Context& context) {
    include_->setChecked(!ruleTab_);
    exclude_->setChecked(ruleTab_);
    explanation_->setText(ruleTab_ ? excludeExplanation : includeExplanation);
    addRule_->setText(ruleTab_ ? "Add exclude rule" : "Add include rule");

    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < context.rules.size(); ++i)
        if (context.rules[i].exclude == ruleTab_) indexes.push_back(i);
    if (indexes != shownRules_ || shownTab_ != ruleTab_) {
        for (RuleEditor* editor : rules_) {
            editor->hide();
            editor->deleteLater();
        }
        rules_.clear();
        for (std::size_t index : indexes) {
            auto* editor = new RuleEditor(model_, contextID_, index, this);
            rulesLayout_->addWidget(editor);
            rules_.push_back(editor);
        }
        shownRules_ = indexes;
        shownTab_ = ruleTab_;
        return;
    }
    for (RuleEditor* editor : rules_)
        editor->refresh();
}

void ContextEditor::refreshPins(const Context& context) {
    pins_->clearRows();
    pinRows_.clear();
    noPins_ = nullptr;
    const std::vector<Win> pinned = model_.pinnedWindows(context);
    if (pinned.empty()) {
        noPins_ = new QLabel("No windows added manually.");
        settingsStyle::makeSecondary(noPins_);
        pins_->addRow(noPins_);
        return;
    }
    for (const Win& w : pinned) {
        auto* row = new WindowRow(w, std::nullopt, model_.alsoIn(w, context.id),
                                  [this, w] { model_.unpin(contextID_, w); });
        pins_->addRow(row);
        pinRows_.push_back(row);
    }
}

} // namespace morvelan

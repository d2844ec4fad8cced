// WorkspacesContextsTab: two panes; the left one lists and renames workspaces.
#include "qt/WorkspacesContextsTab.h"

#include "qt/ContextsPane.h"
#include "qt/ListToolbar.h"
#include "qt/SettingsStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <functional>

namespace morvelan {

namespace {

// A borderless name field that selects its row when the user clicks into it.
class NameField : public QLineEdit {
public:
    NameField(const QString& text, std::function<void()> onFocus, QWidget* parent)
        : QLineEdit(text, parent), onFocus_(std::move(onFocus)) {
        setFrame(false);
        setAttribute(Qt::WA_MacShowFocusRect, false);
        setStyleSheet("QLineEdit { background: transparent; }"
                      "QLineEdit:focus { background: palette(base); border-radius: 3px; }");
    }

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        if (onFocus_) onFocus_();
    }

private:
    std::function<void()> onFocus_;
};

// Child object names of a row, for lookups.
const char* const nameFieldName = "workspaceName";
const char* const countLabelName = "workspaceCount";

} // namespace

WorkspacesContextsTab::WorkspacesContextsTab(SettingsModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* left = new QWidget(this);
    left->setMinimumWidth(160);
    left->setMaximumWidth(280);
    left->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    left->setFixedWidth(200);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);

    list_ = new QListWidget(left);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSpacing(0);
    list_->setPalette(settingsStyle::selectionTint(list_->palette()));
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < static_cast<int>(shown_.size()))
            model_.setSelectedWorkspaceID(shown_[static_cast<std::size_t>(row)]);
    });
    leftLayout->addWidget(list_, 1);
    leftLayout->addWidget(settingsStyle::divider(left));
    toolbar_ = new ListToolbar([this] { model_.addWorkspace(); },
                               [this] { model_.removeSelectedWorkspace(); }, nullptr, left);
    leftLayout->addWidget(toolbar_);
    layout->addWidget(left);

    layout->addWidget(settingsStyle::divider(this, Qt::Vertical));
    contexts_ = new ContextsPane(model_, this);
    layout->addWidget(contexts_, 1);
    refresh();
}

QLineEdit* WorkspacesContextsTab::nameField(int row) const {
    QWidget* widget = list_->itemWidget(list_->item(row));
    return widget ? widget->findChild<QLineEdit*>(nameFieldName) : nullptr;
}

QLabel* WorkspacesContextsTab::countLabel(int row) const {
    QWidget* widget = list_->itemWidget(list_->item(row));
    return widget ? widget->findChild<QLabel*>(countLabelName) : nullptr;
}

void WorkspacesContextsTab::rebuildWorkspaces() {
    list_->clear();
    shown_.clear();
    for (const Workspace& w : model_.store().workspaces()) {
        const Uuid id = w.id;
        auto* item = new QListWidgetItem(list_);
        auto* row = new QWidget;
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(8, 3, 12, 3);
        auto* name = new NameField(
            QString::fromStdString(w.name), [this, id] { model_.setSelectedWorkspaceID(id); }, row);
        name->setObjectName(nameFieldName);
        connect(name, &QLineEdit::editingFinished, this,
                [this, id, name] { model_.renameWorkspace(id, name->text().toStdString()); });
        rowLayout->addWidget(name, 1);
        auto* count = new QLabel(row);
        count->setObjectName(countLabelName);
        settingsStyle::makeSecondary(count, true);
        rowLayout->addWidget(count);
        item->setSizeHint(QSize(0, 30));
        list_->setItemWidget(item, row);
        shown_.push_back(id);
    }
}

void WorkspacesContextsTab::refresh() {
    std::vector<Uuid> ids;
    for (const Workspace& w : model_.store().workspaces())
        ids.push_back(w.id);
    QSignalBlocker block(list_);
    if (ids != shown_) rebuildWorkspaces();

    int selectedRow = -1;
    for (std::size_t i = 0; i < model_.store().workspaces().size(); ++i) {
        const Workspace& w = model_.store().workspaces()[i];
        const int row = static_cast<int>(i);
        if (QLineEdit* field = nameField(row)) {
            const QString name = QString::fromStdString(w.name);
            // Never overwrite what the user is typing.
            if (!field->hasFocus() && field->text() != name) field->setText(name);
        }
        if (QLabel* count = countLabel(row))
            count->setText(QString::number(model_.contextCount(w.id)));
        if (model_.selectedWorkspaceID() == w.id) selectedRow = row;
    }
    list_->setCurrentRow(selectedRow);
    toolbar_->setRemoveDisabled(!model_.canRemoveSelectedWorkspace());
    contexts_->refresh();
}

} // namespace morvelan

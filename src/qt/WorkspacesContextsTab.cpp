// WorkspacesContextsTab: two panes; the left one lists and renames workspaces.
#include "qt/WorkspacesContextsTab.h"

#include "qt/ContextsPane.h"
#include "qt/ListToolbar.h"
#include "qt/SettingsStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <functional>
#include <utility>

namespace morvelan {

namespace {

// A borderless name that reads as a label until renaming starts (F2, Enter or a double-click),
// so moving through the list with the keyboard never edits it. A click selects its row.
class NameField : public QLineEdit {
public:
    NameField(const QString& text, std::function<void()> onSelect, QWidget* parent)
        : QLineEdit(text, parent), onSelect_(std::move(onSelect)) {
        setFrame(false);
        setStyleSheet("QLineEdit { background: transparent; }"
                      "QLineEdit:focus { background: palette(base); border-radius: 3px; }");
        finish();
        connect(this, &QLineEdit::editingFinished, this, &NameField::finish);
    }

    void startRenaming() {
        before_ = text();
        setReadOnly(false);
        setFocusPolicy(Qt::StrongFocus);
        setFocus(Qt::OtherFocusReason);
        selectAll();
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (isReadOnly()) {
            if (onSelect_) onSelect_();
            return;
        }
        QLineEdit::mousePressEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (isReadOnly())
            startRenaming();
        else
            QLineEdit::mouseDoubleClickEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        // Escape gives up the new name rather than closing the window.
        if (!isReadOnly() && event->key() == Qt::Key_Escape) {
            setText(before_);
            finish();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    void finish() {
        const bool focused = hasFocus();
        setReadOnly(true);
        setFocusPolicy(Qt::NoFocus);
        deselect();
        // The keyboard goes back to the list the name belongs to.
        for (QWidget* w = parentWidget(); w && focused; w = w->parentWidget())
            if (auto* list = qobject_cast<QAbstractItemView*>(w)) {
                list->setFocus(Qt::OtherFocusReason);
                break;
            }
    }

    std::function<void()> onSelect_;
    QString before_;
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
    list_->setAccessibleName("Workspaces");
    list_->installEventFilter(this);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < static_cast<int>(shown_.size()))
            model_.setSelectedWorkspaceID(shown_[static_cast<std::size_t>(row)]);
    });
    leftLayout->addWidget(list_, 1);
    leftLayout->addWidget(settingsStyle::divider(left));
    toolbar_ = new ListToolbar(
        "workspace",
        [this] {
            renameNew_ = true;
            model_.addWorkspace();
        },
        [this] { model_.removeSelectedWorkspace(); }, nullptr, left);
    leftLayout->addWidget(toolbar_);
    layout->addWidget(left);

    layout->addWidget(settingsStyle::divider(this, Qt::Vertical));
    contexts_ = new ContextsPane(model_, this);
    layout->addWidget(contexts_, 1);
    refresh();
}

bool WorkspacesContextsTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F2 || key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (auto* field = static_cast<NameField*>(nameField(list_->currentRow()))) {
                field->startRenaming();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
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
        name->setAccessibleName("Workspace name");
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
        const int contexts = model_.contextCount(w.id);
        if (QLabel* count = countLabel(row)) count->setText(QString::number(contexts));
        list_->item(row)->setData(Qt::AccessibleTextRole,
                                  QString("%1, %2 %3")
                                      .arg(QString::fromStdString(w.name))
                                      .arg(contexts)
                                      .arg(contexts == 1 ? "context" : "contexts"));
        if (model_.selectedWorkspaceID() == w.id) selectedRow = row;
    }
    list_->setCurrentRow(selectedRow);
    // A workspace just added is named in place.
    if (std::exchange(renameNew_, false))
        if (auto* field = static_cast<NameField*>(nameField(selectedRow))) field->startRenaming();
    toolbar_->setRemoveDisabled(!model_.canRemoveSelectedWorkspace());
    contexts_->refresh();
}

} // namespace morvelan

// WorkspacesContextsTab: the workspaces list (inline rename, context counts, + / −) beside the
// contexts of the selected workspace.
#pragma once

#include "core/settings/SettingsModel.h"

#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;

namespace morvelan {

class ContextsPane;
class ListToolbar;

class WorkspacesContextsTab : public QWidget {
    Q_OBJECT
public:
    explicit WorkspacesContextsTab(SettingsModel& model, QWidget* parent = nullptr);
    void refresh();

    QListWidget* workspaceList() const { return list_; }
    QLineEdit* nameField(int row) const;
    QLabel* countLabel(int row) const;
    ListToolbar* toolbar() const { return toolbar_; }
    ContextsPane* contextsPane() const { return contexts_; }

protected:
    // F2, Enter or Return on the list renames the selected workspace.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildWorkspaces();

    SettingsModel& model_;
    QListWidget* list_ = nullptr;
    ListToolbar* toolbar_ = nullptr;
    ContextsPane* contexts_ = nullptr;
    std::vector<Uuid> shown_;
    bool renameNew_ = false;
};

} // namespace morvelan

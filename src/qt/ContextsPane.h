// ContextsPane: the right half of the workspaces screen — the table of the selected
// workspace's contexts with their colour, name, rule count and live window count.
#pragma once

#include "core/settings/SettingsModel.h"

#include <QWidget>

#include <vector>

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace morvelan {

class ListToolbar;

class ContextsPane : public QWidget {
    Q_OBJECT
public:
    explicit ContextsPane(SettingsModel& model, QWidget* parent = nullptr);
    void refresh();

    QTreeWidget* table() const { return table_; }
    ListToolbar* toolbar() const { return toolbar_; }
    // The row menu of a context ("Edit…", "Delete"), owned by the caller.
    QMenu* menuFor(const Uuid& id);
    // The context id shown in a row.
    static std::optional<Uuid> idOf(const QTreeWidgetItem* item);

private:
    void showMenu(const QPoint& at);

    SettingsModel& model_;
    QTreeWidget* table_ = nullptr;
    ListToolbar* toolbar_ = nullptr;
    std::vector<Uuid> shown_;
};

} // namespace morvelan

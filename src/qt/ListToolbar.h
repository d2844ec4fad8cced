// ListToolbar: the + and − buttons under a list, with optional trailing content.
#pragma once

#include <QWidget>

#include <functional>

class QToolButton;

namespace morvelan {

class ListToolbar : public QWidget {
    Q_OBJECT
public:
    // `item` names what the list holds, for the buttons' tooltips and names ("Add workspace").
    ListToolbar(const QString& item, std::function<void()> onAdd, std::function<void()> onRemove,
                QWidget* extra = nullptr, QWidget* parent = nullptr);
    void setRemoveDisabled(bool disabled);

    QToolButton* addButton() const { return add_; }
    QToolButton* removeButton() const { return remove_; }

private:
    QToolButton* add_;
    QToolButton* remove_;
};

} // namespace morvelan

// ContextsPane: the contexts table, its row menu and its + / − toolbar.
#include "qt/ContextsPane.h"

#include "qt/ListToolbar.h"
#include "qt/SettingsStyle.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace morvelan {

namespace {

enum Column { colorColumn, nameColumn, rulesColumn, windowsColumn };
constexpr int idRole = Qt::UserRole + 1;

QIcon dot(const QColor& color) {
    QPixmap pixmap(22, 22);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(0.5, 0.5, 10, 10));
    QIcon icon(pixmap);
    icon.addPixmap(pixmap, QIcon::Selected); // the colour stays true on the selected row
    return icon;
}

} // namespace

ContextsPane::ContextsPane(SettingsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QLabel("Contexts", this);
    header->setFont(settingsStyle::headlineFont(header->font()));
    header->setContentsMargins(14, 10, 14, 10);
    layout->addWidget(header);
    layout->addWidget(settingsStyle::divider(this));

    table_ = new QTreeWidget(this);
    table_->setAccessibleName("Contexts");
    table_->setColumnCount(4);
    table_->setHeaderLabels({"", "Name", "Rules", "Windows"});
    table_->setRootIsDecorated(false);
    table_->setUniformRowHeights(true);
    table_->setFrameShape(QFrame::NoFrame);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setIconSize(QSize(11, 11));
    table_->setAlternatingRowColors(true);
    table_->setPalette(settingsStyle::selectionTint(table_->palette()));
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView* columns = table_->header();
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(colorColumn, QHeaderView::Fixed);
    columns->setSectionResizeMode(nameColumn, QHeaderView::Stretch);
    // The counts' columns as wide as their titles in the font of the day.
    columns->setSectionResizeMode(rulesColumn, QHeaderView::ResizeToContents);
    columns->setSectionResizeMode(windowsColumn, QHeaderView::ResizeToContents);
    columns->setMinimumSectionSize(20);
    table_->headerItem()->setTextAlignment(rulesColumn, Qt::AlignRight | Qt::AlignVCenter);
    table_->headerItem()->setTextAlignment(windowsColumn, Qt::AlignRight | Qt::AlignVCenter);
    columns->resizeSection(colorColumn, 24);
    layout->addWidget(table_, 1);

    connect(table_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const auto selected = table_->selectedItems();
        model_.setSelectedContextID(selected.isEmpty() ? std::nullopt : idOf(selected.front()));
    });
    connect(table_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { model_.edit(idOf(item)); });
    connect(table_, &QTreeWidget::customContextMenuRequested, this, &ContextsPane::showMenu);

    layout->addWidget(settingsStyle::divider(this));
    toolbar_ = new ListToolbar(
        "context", [this] { model_.createContext(); },
        [this] { model_.deleteContext(model_.selectedContextID()); }, nullptr, this);
    layout->addWidget(toolbar_);
    refresh();
}

std::optional<Uuid> ContextsPane::idOf(const QTreeWidgetItem* item) {
    if (!item) return std::nullopt;
    return Uuid::parse(item->data(nameColumn, idRole).toString().toStdString());
}

void ContextsPane::refresh() {
    const std::vector<ContextPtr> contexts = model_.contextsInSelectedWorkspace();
    std::vector<Uuid> ids;
    for (const ContextPtr& c : contexts)
        ids.push_back(c->id);

    QSignalBlocker block(table_);
    if (ids != shown_) {
        table_->clear();
        for (const Uuid& id : ids) {
            auto* item = new QTreeWidgetItem(table_);
            item->setData(nameColumn, idRole, QString::fromStdString(id.str()));
            item->setTextAlignment(rulesColumn, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(windowsColumn, Qt::AlignRight | Qt::AlignVCenter);
            item->setSizeHint(nameColumn, QSize(0, 26));
        }
        shown_ = ids;
    }

    const std::vector<Win>& windows = model_.windows();
    QTreeWidgetItem* selected = nullptr;
    for (std::size_t i = 0; i < contexts.size(); ++i) {
        const Context& c = *contexts[i];
        QTreeWidgetItem* item = table_->topLevelItem(static_cast<int>(i));
        item->setIcon(colorColumn, dot(settingsStyle::toQColor(SettingsModel::colorOf(c))));
        item->setText(nameColumn, QString::fromStdString(c.name));
        item->setText(rulesColumn, QString::number(c.rules.size()));
        item->setText(windowsColumn, QString::number(model_.matchingWindows(c, windows).size()));
        if (model_.selectedContextID() == c.id) selected = item;
    }
    table_->clearSelection();
    if (selected) {
        selected->setSelected(true);
        table_->setCurrentItem(selected);
    }
    // "−" deletes only a context this table shows.
    toolbar_->setRemoveDisabled(selected == nullptr);
    table_->viewport()->update();
}

QMenu* ContextsPane::menuFor(const Uuid& id) {
    auto* menu = new QMenu(this);
    menu->addAction("Edit…", this, [this, id] { model_.edit(id); });
    QAction* remove = menu->addAction("Delete", this, [this, id] { model_.deleteContext(id); });
    remove->setIcon(settingsStyle::symbol("trash", settingsStyle::destructive()));
    return menu;
}

void ContextsPane::showMenu(const QPoint& at) {
    const auto id = idOf(table_->itemAt(at));
    if (!id) return;
    model_.setSelectedContextID(id);
    std::unique_ptr<QMenu> menu(menuFor(*id));
    menu->exec(table_->viewport()->mapToGlobal(at));
}

} // namespace morvelan

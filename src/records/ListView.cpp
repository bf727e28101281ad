#include "records/ListView.h"

#include "core/Error.h"
#include "records/ListItems.h"
#include "shell/Twips.h"

#include <QHeaderView>
#include <QKeyEvent>

ListView::ListView(ListItems* items, QWidget* parent) : QTreeView(parent), m_items(items)
{
    setModel(items);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    connect(items, &ListItems::columnWidthChanged, this, &ListView::applyColumnWidth);
    connect(items, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int first, int last) { applyAddedColumnWidths(first, last); });
}

int ListView::selectedPosition() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.constFirst().row() + 1;
}

int ListView::SelectedItem() const
{
    const int position = selectedPosition();
    if (position == 0)
        throw quorvale::Error(QStringLiteral("No item of the list is selected."));
    return position;
}

void ListView::selectNone()
{
    selectionModel()->clear();
}

// The right button opens the list's menu and leaves the selection alone:
// the selected item is always the one in the text boxes.
void ListView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        return event->accept();
    QTreeView::mousePressEvent(event);
}

void ListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        return event->accept();
    QTreeView::mouseReleaseEvent(event);
    emit Click();
}

void ListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        emit deletePressed();
        return;
    }
    const int before = selectedPosition();
    QTreeView::keyPressEvent(event);
    if (selectedPosition() != before)
        emit Click();
}

void ListView::applyColumnWidth(int column, int widthTwips)
{
    header()->resizeSection(column - 1, twips::toPixels(widthTwips, twips::dpiX(this)));
}

void ListView::applyAddedColumnWidths(int first, int last)
{
    for (int section = first; section <= last; ++section)
        applyColumnWidth(section + 1, m_items->columns()[std::size_t(section)].widthTwips);
}

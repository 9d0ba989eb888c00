#include "ui/ListBox.h"

namespace ui {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

int ListBox::ListIndex() const {
    const auto rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

QString ListBox::selectedText() const {
    const int row = ListIndex();
    return row < 0 ? QString() : item(row)->text();
}

void ListBox::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    // Undo the unseen "current" row the focus brought along.
    if (ListIndex() < 0 && currentIndex().isValid())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

}  // namespace ui

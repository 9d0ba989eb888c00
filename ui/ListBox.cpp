#include "ui/ListBox.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace ui {
namespace {

// Rows as wide as the view, whatever their text: the view then elides the
// text as it is told to, instead of offering to scroll sideways.
class EndsVisibleDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(1);
        return size;
    }
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view, option.rect);
        return true;
    }
};

}  // namespace

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

bool ListBox::highlightRow(const QString& text) {
    for (int row = 0; row < count(); ++row) {
        if (item(row)->text() != text) continue;
        setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        scrollToItem(item(row));
        return true;
    }
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    return false;
}

void ListBox::showEndsOfLongRows() {
    setTextElideMode(Qt::ElideLeft);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new EndsVisibleDelegate(this));
}

void ListBox::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    // Undo the unseen "current" row the focus brought along.
    if (ListIndex() < 0 && currentIndex().isValid())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void ListBox::keyPressEvent(QKeyEvent* event) {
    // With no current row Qt answers every move with the first row: End
    // would highlight the top of the list, and a command then act on it.
    // These two start from the top instead, and so go where they say.
    const int key = event->key();
    if ((key == Qt::Key_End || key == Qt::Key_PageDown) && !currentIndex().isValid() && count() > 0)
        selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
    QListWidget::keyPressEvent(event);
}

}  // namespace ui

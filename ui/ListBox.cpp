#include "ui/ListBox.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace ui {
namespace {

class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(ListBox* list) : QStyledItemDelegate(list), list_(list) {}

    // Rows as wide as the view, whatever their text: the view then elides the
    // text as it is told to, instead of offering to scroll sideways.
    bool fitsTheView = false;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (fitsTheView) size.setWidth(1);
        return size;
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (list_->hasFocus() || !(option.state & QStyle::State_Selected)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        // The highlight of a list that does not take the keys: the style's
        // inactive one when it differs, else a grey.
        QStyleOptionViewItem away(option);
        away.state &= ~QStyle::State_Active;
        const QPalette& p = option.palette;
        QColor back = p.color(QPalette::Inactive, QPalette::Highlight);
        QColor fore = p.color(QPalette::Inactive, QPalette::HighlightedText);
        if (back == p.color(QPalette::Active, QPalette::Highlight)) {
            back = p.color(QPalette::Active, QPalette::Base).lightness() > 128 ? QColor(0xd4, 0xd4, 0xd4)
                                                                               : QColor(0x55, 0x55, 0x55);
            fore = p.color(QPalette::Active, QPalette::Text);
        }
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            away.palette.setColor(group, QPalette::Highlight, back);
            away.palette.setColor(group, QPalette::HighlightedText, fore);
        }
        QStyledItemDelegate::paint(painter, away, index);
    }
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QToolTip::showText(event->globalPos(), list_->toolTipFor(index.row()), view, option.rect);
        return true;
    }

private:
    ListBox* list_;
};

}  // namespace

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new RowDelegate(this));
}

QCollator ListBox::order() {
    // Qt's "C" locale orders by code points alone ("10" before "2"): the
    // program speaks Japanese, and then orders as a Japanese desktop does.
    QLocale locale;
    if (locale.language() == QLocale::C) locale = QLocale(QLocale::Japanese, QLocale::Japan);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
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

void ListBox::elideLongRows(Qt::TextElideMode mode) {
    setTextElideMode(mode);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    static_cast<RowDelegate*>(itemDelegate())->fitsTheView = true;
}

void ListBox::setToolTipSource(std::function<QString(int row)> source) {
    toolTipSource_ = std::move(source);
}

QString ListBox::toolTipFor(int row) const {
    if (row < 0 || row >= count()) return {};
    return toolTipSource_ ? toolTipSource_(row) : item(row)->text();
}

void ListBox::keyboardSearch(const QString& search) {
    if (search.isEmpty() || count() == 0) return;
    // As Qt's own: keys typed in quick succession make one word; the same
    // letter again goes on to the next row that starts with it.
    const bool goesOn = lastTyped_.isValid() && lastTyped_.elapsed() < QApplication::keyboardInputInterval();
    lastTyped_.start();
    typed_ = goesOn ? typed_ + search : search;
    const bool sameLetter = typed_.size() > 1 && typed_.count(typed_.front()) == typed_.size();
    const bool oneWord = goesOn && !sameLetter;
    const QString word = oneWord ? typed_ : search;
    // A word being typed may still fit the row it found; a new one looks on.
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const int start = oneWord ? std::max(current, 0) : current + 1;
    for (int i = 0; i < count(); ++i) {
        const int row = (start + i) % count();
        const QVariant key = item(row)->data(kKeyRole);
        if (!(key.isValid() ? key.toString() : item(row)->text()).startsWith(word, Qt::CaseInsensitive)) continue;
        setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        scrollToItem(item(row));
        return;
    }
}

void ListBox::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    // Undo the unseen "current" row the focus brought along.
    if (ListIndex() < 0 && currentIndex().isValid())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    viewport()->update();  // the highlight changes colour
}

void ListBox::focusOutEvent(QFocusEvent* event) {
    QListWidget::focusOutEvent(event);
    viewport()->update();
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

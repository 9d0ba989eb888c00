#pragma once
// A list box whose selection is what the user highlighted, and nothing else.
// Qt makes the first row "current" when the list gets the focus, unseen; here
// the current row follows the selection, so a command never acts on a row the
// user did not pick and the first Down selects the first row; End and Page
// Down, from nothing highlighted, go down as they say.
// Without the focus its highlight is drawn in another colour, so the list
// that takes the keys is plain at a glance.
#include <QCollator>
#include <QElapsedTimer>
#include <QListWidget>
#include <functional>

namespace ui {

class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

    // What a row is ordered and found by when typed (the part of a path the
    // user knows it by); the row's text when it has none.
    static constexpr int kKeyRole = Qt::UserRole + 1;
    // The one order of both lists: the desktop's language, numbers by value.
    static QCollator order();

    // The highlighted row; -1 when nothing is highlighted.
    int ListIndex() const;
    // The highlighted row's text; "" when nothing is highlighted.
    QString selectedText() const;
    // Highlights the row that shows `text`; false, and nothing highlighted,
    // when no row does.
    bool highlightRow(const QString& text);

    // Long rows are cut where `mode` says ("…/FZARC_まな板/Festival/番外編"),
    // never need a horizontal scroll bar, and show whole as their tooltip.
    // Only the painting changes: each row's text stays whole.
    void elideLongRows(Qt::TextElideMode mode);
    // A row's tooltip, asked for only when it is about to show.
    void setToolTipSource(std::function<QString(int row)> source);
    QString toolTipFor(int row) const;

    // Type-ahead by each row's key (kKeyRole).
    void keyboardSearch(const QString& search) override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<QString(int)> toolTipSource_;
    QString typed_;
    QElapsedTimer lastTyped_;
};

}  // namespace ui

#pragma once
// A list box whose selection is what the user highlighted, and nothing else.
// Qt makes the first row "current" when the list gets the focus, unseen; here
// the current row follows the selection, so a command never acts on a row the
// user did not pick and the first Down selects the first row; End and Page
// Down, from nothing highlighted, go down as they say.
#include <QListWidget>

namespace ui {

class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

    // The highlighted row; -1 when nothing is highlighted.
    int ListIndex() const;
    // The highlighted row's text; "" when nothing is highlighted.
    QString selectedText() const;
    // Highlights the row that shows `text`; false, and nothing highlighted,
    // when no row does.
    bool highlightRow(const QString& text);

    // Long rows lose their beginning, not their end ("…/FZARC_まな板/Festival/番外編"),
    // never need a horizontal scroll bar, and show whole as their tooltip.
    // Only the painting changes: each row's text stays whole.
    void showEndsOfLongRows();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace ui

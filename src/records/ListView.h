#pragma once

#include <QTreeView>

class ListItems;

// The list control of the main window in report view: a header of columns
// and one row per item of its ListItems. One item at a time is selected, by
// whole rows; the items keep their order (no sorting) and cannot be edited
// in place. Column widths follow the model's widths in twips.
class ListView : public QTreeView {
    Q_OBJECT

public:
    explicit ListView(ListItems* items, QWidget* parent = nullptr);

    ListItems& items() const { return *m_items; }

    // The position of the selected item, or 0 when none is selected.
    int selectedPosition() const;
    // SelectedItem: the selected item's position; throws quorvale::Error
    // when none is selected.
    int SelectedItem() const;
    // No item selected, and none current either, so that no row looks
    // selected (nor takes the focus frame) until one is chosen.
    void selectNone();

signals:
    // A click on the list, or the selection moved with the keyboard.
    void Click();
    // The Delete key.
    void deletePressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyColumnWidth(int column, int widthTwips);
    void applyAddedColumnWidths(int first, int last);

    ListItems* m_items;
};

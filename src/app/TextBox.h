#pragma once

#include <QLineEdit>

// A single-line text box that selects its whole text whenever it receives
// the keyboard focus, whatever brought the focus: the Tab key, a click or
// the program. A click that gives the focus keeps the whole text selected
// instead of placing the cursor. Line breaks and tabs that the user pastes
// or drops into it become spaces: a field is one line. It holds a text of
// any length, cutting nothing.
class TextBox : public QLineEdit {
    Q_OBJECT

public:
    explicit TextBox(QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void flattenLines();

    // Set while the mouse press that gave the focus is held.
    bool m_focusedByClick = false;
};

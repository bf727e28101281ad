#include "app/TextBox.h"

#include <QFocusEvent>
#include <QMouseEvent>

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {}

void TextBox::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    selectAll();
    // The press that brought the focus arrives after it and would put the
    // cursor at the click.
    m_focusedByClick = event->reason() == Qt::MouseFocusReason;
}

void TextBox::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    if (m_focusedByClick)
        selectAll();
}

void TextBox::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_focusedByClick)
        QLineEdit::mouseMoveEvent(event);
}

void TextBox::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (m_focusedByClick)
        selectAll();
    m_focusedByClick = false;
}

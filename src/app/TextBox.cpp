#include "app/TextBox.h"

#include <QFocusEvent>
#include <QMouseEvent>

#include <limits>

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    // A text box cuts nothing: a longer text than a field can hold arrives
    // whole, and the save says so.
    setMaxLength(std::numeric_limits<int>::max());
    connect(this, &QLineEdit::textEdited, this, &TextBox::flattenLines);
}

// Each line break ("\r\n", "\r" or "\n") and each tab becomes one space;
// the cursor stays after the same character.
void TextBox::flattenLines()
{
    const QString typed = text();
    QString flat;
    flat.reserve(typed.size());
    int cursor = cursorPosition();
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        if (c == QLatin1Char('\r') && i + 1 < typed.size() && typed[i + 1] == QLatin1Char('\n')) {
            if (i < cursorPosition())
                --cursor;
            continue; // the "\n" after it stands for both
        }
        const bool breaks = c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t');
        flat += breaks ? QChar(QLatin1Char(' ')) : c;
    }
    if (flat == typed)
        return;
    setText(flat);
    setCursorPosition(cursor);
}

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

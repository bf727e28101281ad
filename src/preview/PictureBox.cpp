#include "preview/PictureBox.h"

#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {}

void PictureBox::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_drawingSource = QImage();
    update();
    emit pictureChanged();
}

void PictureBox::paintStretched(const QImage& source, const QRectF& sourceRect)
{
    m_drawingSource = source;
    m_drawingSourceRect = sourceRect;
    update();
}

void setBackgroundColour(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    if (hasDrawing())
        painter.drawImage(QRectF(contentsRect()), m_drawingSource, m_drawingSourceRect);
    else if (!m_picture.isNull())
        painter.drawImage(contentsRect().topLeft(), m_picture);
}

Viewport::Viewport(QWidget* parent) : QFrame(parent), m_inner(new QWidget(this)) {}

void Viewport::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    m_inner->setGeometry(contentsRect());
}

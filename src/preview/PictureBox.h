#pragma once

#include <QFrame>
#include <QImage>
#include <QRectF>

// A picture box: shows its picture at its top-left corner, or, once
// something has been drawn onto it, that drawing. Drawing a picture
// stretched keeps only the source and the rectangle to take from it; the
// box scales it at paint time, so no copy at the drawn size is ever made.
class PictureBox : public QFrame {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }
    // Assigning a picture replaces whatever the box showed.
    void setPicture(const QImage& picture);

    // Draws the part sourceRect (in source's pixels) of source stretched
    // over the whole inner area, pixel for pixel without smoothing.
    void paintStretched(const QImage& source, const QRectF& sourceRect);
    bool hasDrawing() const { return !m_drawingSource.isNull(); }
    const QRectF& drawingSourceRect() const { return m_drawingSourceRect; }

signals:
    void pictureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    QImage m_drawingSource;
    QRectF m_drawingSourceRect;
};

// Fills w's background with colour.
void setBackgroundColour(QWidget* w, const QColor& colour);

// The viewport of the preview: a box with a border whose inner area is a
// window onto a larger child, which it clips.
class Viewport : public QFrame {
    Q_OBJECT

public:
    explicit Viewport(QWidget* parent = nullptr);

    // The inner area: the parent of the boxes the viewport clips.
    QWidget* inner() const { return m_inner; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_inner;
};

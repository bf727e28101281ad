#pragma once

#include "shell/PictureBands.h"

#include <QFrame>
#include <QImage>
#include <QRectF>

#include <list>
#include <memory>

// A picture box: shows its picture at its top-left corner, or, once
// something has been drawn onto it, that drawing. Drawing a picture
// stretched keeps only the source and the rectangle to take from it; the
// box scales at paint time the part that shows, so no copy at the drawn
// size is ever made. A source may go on past its picture in bands (the
// rest of a sheet past its snapshot): the box fetches the bands that come
// into view whenever the part it shows changes (it is moved, resized or
// drawn at another scale), keeps the last few, and its paint only draws.
class PictureBox : public QFrame {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    const QImage& picture() const { return m_picture; }
    // Assigning a picture replaces whatever the box showed, bands included.
    void setPicture(const QImage& picture);
    // The bands that go on from the picture, laid out as given; nullptr for
    // none.
    void setBands(std::shared_ptr<shell::PictureBands> bands, const shell::PictureBands::Layout& layout);
    // The size of the picture with its bands, in pixels.
    QSize wholeSize() const;
    // Lets go of the bands and what they are drawn from.
    void releaseBands();
    // Lets go of the picture as well, its bands and its drawing, for a box
    // that shows nothing until it is given a picture again.
    void releasePicture();

    // Draws the part sourceRect (in pixels of the picture with its bands) of
    // source stretched over the whole inner area, pixel for pixel without
    // smoothing.
    void paintStretched(const QImage& source, const QRectF& sourceRect);
    bool hasDrawing() const { return !m_drawingSource.isNull(); }
    const QRectF& drawingSourceRect() const { return m_drawingSourceRect; }

    // The bands kept for drawing again: at most MaxKeptBands, or the bands
    // in view when more are.
    static constexpr std::size_t MaxKeptBands = 6;
    std::size_t keptBands() const { return m_kept.size(); }
    // Lets the kept bands go and fetches those in view anew.
    void forgetKeptBands();

signals:
    void pictureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The rows of the stretched source that box rows first to end (box
    // coordinates) show.
    std::pair<int, int> sourceRows(int first, int end) const;
    double drawnScale() const;
    int firstBandRow(double scale) const;
    void fetchBandsInView();
    void paintStretchedPart(QPainter& painter, const QRect& exposed);
    const shell::PictureBands::Band* keptBand(int y);
    void paintMissingBand(QPainter& painter, const QRect& target, const QString& why) const;

    QImage m_picture;
    QImage m_drawingSource;
    QRectF m_drawingSourceRect;
    std::shared_ptr<shell::PictureBands> m_bands;
    shell::PictureBands::Layout m_layout;
    std::list<shell::PictureBands::Band> m_kept; // the latest drawn first
    double m_keptScale = 1.0;                   // the scale the kept bands are drawn at
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

#include "preview/PictureBox.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Where pixel position at of the source lands in the box: scaled from the
// source's start and rounded, so that two parts that meet in the source
// meet in the box without a gap or an overlap.
int mapped(double at, double sourceStart, double scale, int targetStart)
{
    return targetStart + int(std::lround((at - sourceStart) * scale));
}

} // namespace

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {}

PictureBox::~PictureBox() = default;

void PictureBox::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_drawingSource = QImage();
    m_bands.reset();
    m_kept.clear();
    m_layout = {};
    update();
    emit pictureChanged();
}

void PictureBox::setBands(std::shared_ptr<preview::PictureBands> bands, const preview::PictureBands::Layout& layout)
{
    m_bands = std::move(bands);
    m_layout = layout;
    m_kept.clear();
    update();
}

QSize PictureBox::wholeSize() const { return m_bands ? m_layout.whole : m_picture.size(); }

void PictureBox::releaseBands()
{
    if (!m_bands)
        return;
    m_bands->release();
    m_bands.reset();
    m_kept.clear();
    m_layout = {};
}

void PictureBox::releasePicture()
{
    releaseBands();
    m_picture = QImage();
    m_drawingSource = QImage();
    m_drawingSourceRect = QRectF();
    update();
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
    const QRect exposed = event->rect() & contentsRect();
    painter.setClipRect(exposed);
    if (hasDrawing())
        paintStretchedPart(painter, exposed);
    else if (!m_picture.isNull())
        painter.drawImage(contentsRect().topLeft(), m_picture);
}

// Draws what shows of the stretched drawing: the part of the source above
// the bands, then each band that the exposed rows reach.
void PictureBox::paintStretchedPart(QPainter& painter, const QRect& exposed)
{
    const QRect box = contentsRect();
    const QRectF& source = m_drawingSourceRect;
    if (source.isEmpty() || exposed.isEmpty())
        return;
    const double scaleX = box.width() / source.width();
    const double scaleY = box.height() / source.height();
    const auto x = [&](double at) { return mapped(at, source.left(), scaleX, box.left()); };
    const auto y = [&](double at) { return mapped(at, source.top(), scaleY, box.top()); };
    const double firstRow = std::floor(source.top() + (exposed.top() - box.top()) / scaleY);
    const double endRow = std::ceil(source.top() + (exposed.bottom() + 1 - box.top()) / scaleY);

    const int sourceEnd = m_bands ? std::min(m_layout.bandsFrom, m_drawingSource.height()) : m_drawingSource.height();
    if (firstRow < sourceEnd) {
        const QRect part(0, 0, m_drawingSource.width(), sourceEnd);
        painter.drawImage(QRect(x(0), y(0), x(part.width()) - x(0), y(sourceEnd) - y(0)), m_drawingSource, part);
    }
    if (!m_bands)
        return;
    const int last = int(std::min(endRow, double(m_layout.whole.height())));
    for (int row = std::max(int(firstRow), m_layout.bandsFrom); row < last;) {
        const preview::PictureBands::Band& shown = band(row);
        if (shown.height <= 0 || shown.top + shown.height <= row)
            break; // a band that does not hold the row it was asked for
        const int from = std::max(row, shown.top);
        const int to = std::min(last, shown.top + shown.height);
        const QRect target(x(0), y(from), x(m_layout.whole.width()) - x(0), y(to) - y(from));
        if (shown.picture.isNull())
            paintMissingBand(painter, target & exposed, shown.failure);
        else
            painter.drawImage(QRect(target.left(), target.top(), x(shown.picture.width()) - x(0), target.height()),
                              shown.picture, QRect(0, from - shown.top, shown.picture.width(), to - from));
        row = to;
    }
}

const preview::PictureBands::Band& PictureBox::band(int y)
{
    const auto holds = [y](const preview::PictureBands::Band& b) { return y >= b.top && y < b.top + b.height; };
    auto found = std::find_if(m_kept.begin(), m_kept.end(), holds);
    if (found != m_kept.end()) {
        m_kept.splice(m_kept.begin(), m_kept, found);
        return m_kept.front();
    }
    m_kept.push_front(m_bands->bandAt(y));
    while (m_kept.size() > MaxKeptBands)
        m_kept.pop_back();
    return m_kept.front();
}

// A band that cannot be had: a plain area, and a note where it shows.
void PictureBox::paintMissingBand(QPainter& painter, const QRect& target, const QString& why) const
{
    if (target.isEmpty())
        return;
    painter.fillRect(target, QColor(238, 238, 238));
    painter.setPen(Qt::darkGray);
    painter.drawText(target.adjusted(8, 8, -8, -8), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("This part of the sheet cannot be shown: %1").arg(why));
}

Viewport::Viewport(QWidget* parent) : QFrame(parent), m_inner(new QWidget(this)) {}

void Viewport::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    m_inner->setGeometry(contentsRect());
}

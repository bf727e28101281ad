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

void PictureBox::setBands(std::shared_ptr<shell::PictureBands> bands, const shell::PictureBands::Layout& layout)
{
    m_bands = std::move(bands);
    m_layout = layout;
    m_kept.clear();
    fetchBandsInView();
    update();
}

void PictureBox::forgetKeptBands()
{
    m_kept.clear();
    fetchBandsInView();
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
    fetchBandsInView();
    update();
}

void PictureBox::moveEvent(QMoveEvent* event)
{
    QFrame::moveEvent(event);
    fetchBandsInView();
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    fetchBandsInView();
}

void PictureBox::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    fetchBandsInView();
}

std::pair<int, int> PictureBox::sourceRows(int first, int end) const
{
    const QRect box = contentsRect();
    const QRectF& source = m_drawingSourceRect;
    const double scaleY = box.height() / source.height();
    return {int(std::floor(source.top() + (first - box.top()) / scaleY)),
            int(std::ceil(source.top() + (end - box.top()) / scaleY))};
}

// The scale the drawing is shown at, when it is the same both ways; 0 while
// the box is laid out anew for a zoom and the drawing at the new scale has
// not come yet.
double PictureBox::drawnScale() const
{
    const double scaleX = contentsRect().width() / m_drawingSourceRect.width();
    const double scaleY = contentsRect().height() / m_drawingSourceRect.height();
    if (std::abs(scaleX - scaleY) > 0.02 * std::max(scaleX, scaleY))
        return 0;
    // In whole percent, as the zooms are: the box's size is rounded to
    // pixels, and a scale a hair off the zoom is that zoom.
    return std::max(0.01, std::round(scaleY * 100) / 100);
}

// At 100 % the snapshot shows its own rows and bands show the rest; at any
// other scale every row is drawn anew by the bands at that scale.
int PictureBox::firstBandRow(double scale) const { return std::abs(scale - 1) < 1e-3 ? m_layout.bandsFrom : 0; }

// The bands that the part of the box in view shows are fetched now, at the
// scale the box shows them at, so that painting them only draws. What is in
// view is what the box's parent (the viewport) does not clip.
void PictureBox::fetchBandsInView()
{
    if (!m_bands || !hasDrawing() || m_drawingSourceRect.isEmpty() || contentsRect().isEmpty())
        return;
    const double scale = drawnScale();
    if (scale <= 0)
        return;
    if (scale != m_keptScale) {
        m_kept.clear();
        m_keptScale = scale;
    }
    QRect inView = contentsRect();
    if (const QWidget* parent = parentWidget())
        inView &= parent->rect().translated(-pos());
    if (inView.isEmpty())
        return;
    const auto [firstRow, endRow] = sourceRows(inView.top(), inView.bottom() + 1);
    const int last = std::min(endRow, m_layout.whole.height());
    std::size_t inViewCount = 0;
    for (int row = std::max(firstRow, firstBandRow(scale)); row < last; ++inViewCount) {
        const shell::PictureBands::Band* kept = keptBand(row);
        if (!kept) {
            m_kept.push_front(m_bands->bandAt(row, scale));
            kept = &m_kept.front();
        }
        if (kept->height <= 0 || kept->top + kept->height <= row)
            break; // a band that does not hold the row it was asked for
        row = kept->top + kept->height;
    }
    while (m_kept.size() > std::max(MaxKeptBands, inViewCount))
        m_kept.pop_back();
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
    const auto [firstRow, endRow] = sourceRows(exposed.top(), exposed.bottom() + 1);

    const double scale = drawnScale();
    // Zoomed, the bands draw every row and the snapshot is not shown.
    const bool bandsOnly = m_bands && scale > 0 && firstBandRow(scale) == 0;
    const int sourceEnd = m_bands ? std::min(m_layout.bandsFrom, m_drawingSource.height()) : m_drawingSource.height();
    if (firstRow < sourceEnd && !bandsOnly) {
        const QRect part(0, 0, m_drawingSource.width(), sourceEnd);
        painter.drawImage(QRect(x(0), y(0), x(part.width()) - x(0), y(sourceEnd) - y(0)), m_drawingSource, part);
    }
    if (!m_bands || scale <= 0)
        return;
    const int last = std::min(endRow, m_layout.whole.height());
    for (int row = std::max(firstRow, firstBandRow(scale)); row < last;) {
        const shell::PictureBands::Band* shown = keptBand(row);
        if (!shown || shown->height <= 0 || shown->top + shown->height <= row || shown->zoom != scale)
            break; // not in view when the bands were fetched (a picture of the box taken off screen)
        const int from = std::max(row, shown->top);
        const int to = std::min(last, shown->top + shown->height);
        const QRect target(x(0), y(from), x(m_layout.whole.width()) - x(0), y(to) - y(from));
        if (shown->picture.isNull()) {
            paintMissingBand(painter, target & exposed, shown->failure);
        } else {
            // The band is drawn at the box's scale: its pixels go on the box's
            // one for one.
            const auto pictureRow = [&](int at) {
                return std::clamp(int(std::lround((at - shown->top) * shown->zoom)), 0, shown->picture.height());
            };
            const QRect part(0, pictureRow(from), shown->picture.width(), pictureRow(to) - pictureRow(from));
            painter.drawImage(QRect(target.left(), target.top(), part.width(), target.height()), shown->picture, part);
        }
        row = to;
    }
}

// The kept band that holds pixel row y, made the latest; nullptr when none
// does.
const shell::PictureBands::Band* PictureBox::keptBand(int y)
{
    const auto holds = [y](const shell::PictureBands::Band& b) { return y >= b.top && y < b.top + b.height; };
    const auto found = std::find_if(m_kept.begin(), m_kept.end(), holds);
    if (found == m_kept.end())
        return nullptr;
    m_kept.splice(m_kept.begin(), m_kept, found);
    return &m_kept.front();
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

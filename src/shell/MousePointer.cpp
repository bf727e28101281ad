#include "shell/MousePointer.h"

#include "core/Error.h"
#include "core/LittleEndian.h"
#include "shell/Main.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QWidget>

void PointerState::set(QWidget* window, MousePointer kind)
{
    m_kind = kind;
    if (window)
        window->setCursor(cursor(kind));
}

namespace {

// The hot spot of the first image of a cursor file: the point of the picture
// that the pointer's position stands for (the fingertip of a hand). The
// directory entry of a cursor (type 2) holds it where an icon holds its
// colour planes and bit count. The top left corner when the file says none.
QPoint hotSpotOf(const QString& path, const QSize& imageSize)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(14);
    if (head.size() < 14)
        return {};
    const auto u16 = [&](int at) { return int(quorvale::le::u16(reinterpret_cast<const uchar*>(head.constData()) + at)); };
    if (u16(0) != 0 || u16(2) != 2 || u16(4) < 1)
        return {};
    const QPoint spot(u16(10), u16(12));
    return QRect(QPoint(0, 0), imageSize).contains(spot) ? spot : QPoint();
}

} // namespace

void PointerState::movedOver(QWidget* window, MousePointer kind)
{
    if (m_kind != MousePointer::Hourglass && m_kind != kind)
        set(window, kind);
}

void PointerState::loadHand()
{
    const QString path = Main::applicationFile(QStringLiteral("HAND-M.CUR"));
    if (!loadCustom(path))
        throw quorvale::Error(QStringLiteral("The cursor file %1 cannot be read.").arg(QDir::toNativeSeparators(path)));
}

bool PointerState::loadCustom(const QString& path)
{
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    const QPoint hotSpot = hotSpotOf(path, image.size());
    m_custom = QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
    m_hasCustom = true;
    return true;
}

QCursor PointerState::cursor(MousePointer kind) const
{
    switch (kind) {
    case MousePointer::Hourglass: return QCursor(Qt::WaitCursor);
    case MousePointer::Custom: return m_hasCustom ? m_custom : QCursor(Qt::ArrowCursor);
    case MousePointer::Default: break;
    }
    return QCursor(Qt::ArrowCursor);
}

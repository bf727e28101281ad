#include "shell/MousePointer.h"

#include <QImageReader>
#include <QPixmap>
#include <QWidget>

void PointerState::set(QWidget* window, MousePointer kind)
{
    m_kind = kind;
    if (window)
        window->setCursor(cursor(kind));
}

bool PointerState::loadCustom(const QString& path)
{
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    m_custom = QCursor(QPixmap::fromImage(image), 0, 0);
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

#include "shell/ClipboardKept.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace shell {

ClipboardKept::ClipboardKept()
{
    const QMimeData* held = QGuiApplication::clipboard()->mimeData();
    if (!held || held->formats().isEmpty())
        return;
    m_kept = std::make_unique<QMimeData>();
    // A picture held as a picture (one this program put there) is kept as
    // it is: asked for as bytes, it would be encoded as PNG first, which
    // takes longer than drawing it did.
    const bool picture = held->hasImage();
    for (const QString& format : held->formats())
        if (!(picture && format == QLatin1String("application/x-qt-image")))
            m_kept->setData(format, held->data(format));
    if (picture)
        m_kept->setImageData(held->imageData());
}

ClipboardKept::~ClipboardKept()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (m_kept)
        clipboard->setMimeData(m_kept.release());
    else
        clipboard->clear();
}

} // namespace shell

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
    for (const QString& format : held->formats())
        m_kept->setData(format, held->data(format));
    // A picture this program put there is held as a picture, not as bytes
    // of a format: it is kept as it is.
    if (held->hasImage())
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

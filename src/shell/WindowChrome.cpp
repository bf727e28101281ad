#include "shell/WindowChrome.h"

#include "shell/Twips.h"

#include <QScreen>
#include <QWidget>

namespace chrome {

QFont arialBold(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void frameWindow(QWidget* window, int clientWidthTwips, int clientHeightTwips)
{
    window->setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                           | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                           | Qt::WindowCloseButtonHint);
    window->setFixedSize(twips::toPixels(clientWidthTwips, twips::dpiX(window)),
                         twips::toPixels(clientHeightTwips, twips::dpiY(window)));
    window->setFont(arialBold(WindowPoints));
}

void centreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace chrome

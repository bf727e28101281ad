// What the preview window does with the mouse, the wheel and the keys over
// its picture, and when it shows and closes.
#include "preview/Form2.h"

#include "shell/Twips.h"
#include "shell/WindowChrome.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QContextMenuEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace {

// Scrolls an enabled bar by a wheel's turn: the lines of the desktop's
// setting for each notch, in the bar's small changes.
void scrollByWheel(QScrollBar* bar, int angle)
{
    if (!bar->isEnabled() || angle == 0)
        return;
    const long units = -long(angle) * QApplication::wheelScrollLines() * bar->singleStep() / 120;
    bar->setValue(int(std::clamp(long(bar->value()) + units, 0L, long(bar->maximum()))));
}

// Moves an enabled bar as its arrows, its trough or its ends would.
void moveBar(QScrollBar* bar, QAbstractSlider::SliderAction action)
{
    if (bar->isEnabled())
        bar->triggerAction(action);
}

} // namespace

bool Form2::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}

bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    const bool overPicture = watched == Picture1 || watched == Picture2 || watched == Picture2->inner();
    if (overPicture && event->type() == QEvent::Wheel)
        return wheelOverPicture(static_cast<QWheelEvent*>(event));
    if (watched == Picture2 && event->type() == QEvent::KeyPress)
        return keyOverPicture(static_cast<QKeyEvent*>(event));
    if (watched == Picture1)
        return pictureMouseEvent(event);
    if (event->type() == QEvent::MouseMove)
        m_pointer.movedOver(this, watched == Frame1 ? MousePointer::Default : MousePointer::Custom);
    return QWidget::eventFilter(watched, event);
}

// The wheel scrolls down and up, with Shift across; with Ctrl it zooms as
// the buttons do, a step for each notch.
bool Form2::wheelOverPicture(QWheelEvent* wheel)
{
    QPoint angle = wheel->angleDelta();
    if (wheel->modifiers() & Qt::ControlModifier) {
        m_zoomWheel += angle.y() != 0 ? angle.y() : angle.x();
        for (; m_zoomWheel >= 120; m_zoomWheel -= 120)
            PushButton1_Click();
        for (; m_zoomWheel <= -120; m_zoomWheel += 120)
            PushButton2_Click();
        return true;
    }
    if ((wheel->modifiers() & Qt::ShiftModifier) && angle.x() == 0)
        angle = QPoint(angle.y(), 0);
    scrollByWheel(HScroll1, angle.x());
    scrollByWheel(VScroll1, angle.y());
    return true;
}

// With the viewport focused, the arrow keys move the picture as the bars'
// arrows do, Page Up and Page Down as their troughs, Home and End to the
// top and the bottom.
bool Form2::keyOverPicture(QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Left: moveBar(HScroll1, QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: moveBar(HScroll1, QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Up: moveBar(VScroll1, QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: moveBar(VScroll1, QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_PageUp: moveBar(VScroll1, QAbstractSlider::SliderPageStepSub); break;
    case Qt::Key_PageDown: moveBar(VScroll1, QAbstractSlider::SliderPageStepAdd); break;
    case Qt::Key_Home: moveBar(VScroll1, QAbstractSlider::SliderToMinimum); break;
    case Qt::Key_End: moveBar(VScroll1, QAbstractSlider::SliderToMaximum); break;
    default: return false;
    }
    return true;
}

bool Form2::pictureMouseEvent(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove
        && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // The right button opens the picture's menu; it does not drag.
    if (mouse->button() == Qt::RightButton || (type == QEvent::MouseMove && mouse->buttons() == Qt::RightButton))
        return false;
    const float x = float(mouse->position().x() * twips::PerInch / twips::dpiX(this));
    const float y = float(mouse->position().y() * twips::PerInch / twips::dpiY(this));
    if (type == QEvent::MouseMove) {
        picture1_MouseMove(mouse->buttons(), x, y);
    } else if (type == QEvent::MouseButtonRelease) {
        Picture1_MouseUp();
    } else {
        Picture2->setFocus(Qt::MouseFocusReason); // for the keys
        picture1_MouseDown(x, y);
    }
    return true;
}

// The picture's menu: a right click anywhere on the picture.
void Form2::contextMenuEvent(QContextMenuEvent* event)
{
    if (!Picture2->geometry().contains(event->pos()))
        return QWidget::contextMenuEvent(event);
    m_print->showMenu(event->globalPos());
}

void Form2::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    Form_Unload();
    event->accept();
}

void Form2::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_centred && screen()) {
        m_centred = true;
        chrome::centreOnScreen(this);
    }
    // Showing the window makes it the active one. A window manager may
    // refuse the activation (or there may be none), and the picture must
    // not wait for it: the first activation's set-up runs now.
    activateWindow();
    if (mFirstActivate)
        Form_Activate();
}

void Form2::mouseMoveEvent(QMouseEvent* event)
{
    m_pointer.movedOver(this, MousePointer::Default);
    QWidget::mouseMoveEvent(event);
}


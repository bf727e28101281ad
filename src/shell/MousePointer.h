#pragma once

#include <QCursor>
#include <QString>

class QWidget;

// The three pointer kinds of the program's windows.
enum class MousePointer { Default, Hourglass, Custom };

// A window's pointer, with the custom hand image loaded from a cursor file.
class PointerState {
public:
    MousePointer kind() const { return m_kind; }
    // Shows kind on window (and everything in it).
    void set(QWidget* window, MousePointer kind);
    // The mouse moved over a part of window that shows kind (the hand over a
    // push button, the default elsewhere): shown unless the hourglass of a
    // generation run is, which stays until the run clears it.
    void movedOver(QWidget* window, MousePointer kind);
    // Loads the cursor file as the custom pointer image; false when it cannot
    // be read, and the custom pointer then shows as the default one.
    bool loadCustom(const QString& path);
    // Loads the hand of both windows, "HAND-M.CUR" in the application's
    // folder. Throws quorvale::Error when the file is there and cannot be
    // read.
    void loadHand();
    QCursor cursor(MousePointer kind) const;

private:
    MousePointer m_kind = MousePointer::Default;
    QCursor m_custom;
    bool m_hasCustom = false;
};

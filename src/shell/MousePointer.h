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
    // Loads the cursor file as the custom pointer image; false when it cannot
    // be read, and the custom pointer then shows as the default one.
    bool loadCustom(const QString& path);
    bool hasCustom() const { return m_hasCustom; }
    QCursor cursor(MousePointer kind) const;

private:
    MousePointer m_kind = MousePointer::Default;
    QCursor m_custom;
    bool m_hasCustom = false;
};

#pragma once

#include "preview/Form2.h"
#include "preview/PictureBox.h"

#include <QGroupBox>
#include <QPushButton>
#include <QScrollBar>

#include <cstdlib>

// The preview window's controls, found by their object names (the names of
// the controls), as a test or a user's tool finds them.
struct PreviewControls {
    explicit PreviewControls(const Form2& window)
        : HScroll1(find<QScrollBar>(window, "HScroll1")),
          VScroll1(find<QScrollBar>(window, "VScroll1")),
          Picture2(find<Viewport>(window, "Picture2")),
          Picture1(find<PictureBox>(window, "Picture1")),
          Frame1(find<QGroupBox>(window, "Frame1")),
          Zoom_Ori(find<PictureBox>(window, "Zoom_Ori")),
          PushButton1(find<QPushButton>(window, "PushButton1")),
          PushButton2(find<QPushButton>(window, "PushButton2")),
          PushButton6(find<QPushButton>(window, "PushButton6")),
          PushButton8(find<QPushButton>(window, "PushButton8"))
    {
    }

    QScrollBar* HScroll1;
    QScrollBar* VScroll1;
    Viewport* Picture2;
    PictureBox* Picture1;
    QGroupBox* Frame1;
    PictureBox* Zoom_Ori;
    QPushButton* PushButton1;
    QPushButton* PushButton2;
    QPushButton* PushButton6;
    QPushButton* PushButton8;

private:
    template <typename Control>
    static Control* find(const Form2& window, const char* name)
    {
        Control* control = window.findChild<Control*>(QLatin1String(name));
        if (!control)
            std::abort(); // a control the window no longer has
        return control;
    }
};

inline PreviewControls controlsOf(const Form2& window) { return PreviewControls(window); }

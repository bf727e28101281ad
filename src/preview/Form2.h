#pragma once

#include "preview/CommonDialog.h"
#include "preview/PictureBox.h"
#include "preview/PreviewGeometry.h"
#include "preview/PrintActions.h"
#include "shell/MousePointer.h"

#include <QWidget>

#include <memory>


class QGroupBox;
class QKeyEvent;
class QPushButton;
class QScrollBar;
class QWheelEvent;

namespace shell {
class Trace;
}

// The preview window: the picture of the generated sheet with zoom, scroll
// bars and drag-panning, "Save Results To Excel File" and "< Back". It owns
// the temporary workbook mExcelFile from the hand-over on. It knows no other
// window: what a run made comes in through showResult, and "< Back" and
// closing are signals that its owner answers.
//
// The image state is a PreviewGeometry the window holds, in twips; the
// widgets show it, converted to pixels at the screen's logical DPI. The
// widgets are the window's own; tests find them by their object names,
// which are the controls' names.
class Form2 : public QWidget {
    Q_OBJECT

public:
    // Whoever makes the window runs its load handler next.
    Form2();
    ~Form2() override;

    void Form_Load();
    // What a run made: the snapshot of the sheet and the temporary workbook,
    // which the window owns from now on. The window shows with the picture,
    // set up afresh at its next first show.
    void showResult(const QImage& picture, const QString& workbookPath);
    // The picture goes on past the snapshot in bands: the image box takes
    // them and the window is set up afresh for the whole picture.
    void showBands(std::shared_ptr<shell::PictureBands> bands, const shell::PictureBands::Layout& layout);
    // What prints the sheet shown; nullptr for nothing (it cannot be printed).
    void setPrinting(std::shared_ptr<shell::SheetPrinting> printing) { m_print->setPrinting(std::move(printing), mExcelFile); }
    // The temporary workbook (mExcelFile) and the snapshot shown (null once
    // the window went back).
    const QString& excelFile() const { return mExcelFile; }
    const QImage& picture() const;
    // The image state, to look at.
    const preview::PreviewGeometry& geometry() const { return m_geometry; }
    // Whether the next activation sets the window up afresh.
    bool firstActivatePending() const { return mFirstActivate; }

    // Runs whenever the window becomes active; sets the window up at the
    // first show after load or after a new picture.
    void Form_Activate();
    void Form_QueryUnload();
    void Form_Unload();
    void RedrawImage();

    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton6_Click();
    void PushButton8_Click();

    void StepZoom(std::int32_t direction);
    void SetZoom(float factor);

    void HScroll1_Change();
    void VScroll1_Change();
    // Mouse coordinates in twips, in the image box's own coordinates.
    void picture1_MouseDown(float x, float y);
    void picture1_MouseMove(Qt::MouseButtons buttons, float x, float y);
    void Picture1_MouseUp();

    MousePointer mousePointer() const { return m_pointer.kind(); }
    void setMousePointer(MousePointer kind) { m_pointer.set(this, kind); }

signals:
    // "< Back" wants the main window shown again.
    void backToMainWindow();
    // The window is closing, which ends the application: the item list is
    // to be stored first.
    void closing();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void layOut();
    void nameControls();
    void placeControls();
    void styleControls();
    void connectControls();
    void firstShowSetUp(shell::Trace& t);
    bool pictureMouseEvent(QEvent* event);
    bool wheelOverPicture(QWheelEvent* wheel);
    bool keyOverPicture(QKeyEvent* key);
    // Shows the image state: the image box, Zoom_Ori and the bars.
    void showGeometry();

    preview::PreviewGeometry m_geometry;
    QScrollBar* HScroll1;
    QScrollBar* VScroll1;
    Viewport* Picture2;
    // The image box. Assigning it a new picture prepares the set-up of the
    // next first show, so every generation run starts at zoom 1.0 with
    // sizes and bars taken from its own picture.
    PictureBox* Picture1;
    QGroupBox* Frame1;
    // The snapshot exactly as delivered; every redraw copies from it.
    PictureBox* Zoom_Ori;
    QPushButton* PushButton1; // "Zoom In"
    QPushButton* PushButton2; // "Zoom Out"
    QPushButton* PushButton6; // "Save Results To Excel File"
    QPushButton* PushButton8; // "< Back"
    CommonDialog CommonDialog1;

    QString mExcelFile;
    bool mFirstActivate = false;
    PointerState m_pointer;
    bool m_centred = false;
    int m_zoomWheel = 0; // the Ctrl+wheel turn not yet a zoom step
    PrintActions* m_print;
};

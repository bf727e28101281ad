#include "preview/Form2.h"

#include "core/Error.h"
#include "preview/FileCopy.h"
#include "shell/Main.h"
#include "shell/Services.h"
#include "shell/Trace.h"
#include "shell/Twips.h"
#include "shell/WindowChrome.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace {

// The border of the viewport and of Zoom_Ori, on each side.
constexpr int BorderPixels = 2;

// The designed place of Zoom_Ori, outside the client area.
constexpr int ZoomOriLeft = 10320;
constexpr int ZoomOriTop = 480;

preview::ViewportMetrics screenMetrics()
{
    preview::ViewportMetrics m;
    m.twipsPerPixelX = twips::PerInch / twips::dpiX(nullptr);
    m.twipsPerPixelY = twips::PerInch / twips::dpiY(nullptr);
    m.viewportBorder = int(std::lround(BorderPixels * m.twipsPerPixelX));
    m.zoomOriBorder = m.viewportBorder;
    return m;
}

void giveBorder(QFrame* box)
{
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(BorderPixels);
}

void showScrollBar(QScrollBar* bar, const preview::ScrollBarModel& model)
{
    const QSignalBlocker blocker(bar);
    bar->setRange(0, model.maximum);
    bar->setValue(model.value);
    bar->setEnabled(model.enabled);
    bar->setSingleStep(model.smallChange);
    bar->setPageStep(model.largeChange);
}

// "Zoom: 100%" and so on; "Zoom:" before the first set-up.
QString zoomCaption(float zoom)
{
    if (zoom <= 0)
        return QStringLiteral("Zoom:");
    return QStringLiteral("Zoom: %1%").arg(std::lround(double(zoom) * 100));
}

QString overwriteQuestion(const QString& target)
{
    return QStringLiteral("Are you sure you wish to overwrite ") + target + QStringLiteral(" ?");
}

// The copy of the save. The temporary workbook may never have been written
// by a run that failed, or may have been taken away by another program
// since; either way only a new run gives one again.
void copyWorkbook(const QString& workbook, const QString& target)
{
    if (!QFileInfo(workbook).isFile())
        throw quorvale::Error(
            QStringLiteral("The generated workbook %1 is not there: it was not saved, or another program has moved or "
                           "deleted it. Go back and create the template again to save it.")
                .arg(QDir::toNativeSeparators(workbook)));
    preview::copyFileReplacing(workbook, target);
}

} // namespace

Form2::Form2()
    : m_geometry(screenMetrics()),
      HScroll1(new QScrollBar(Qt::Horizontal, this)),
      VScroll1(new QScrollBar(Qt::Vertical, this)),
      Picture2(new Viewport(this)),
      Picture1(new PictureBox(Picture2->inner())),
      Frame1(new QGroupBox(QStringLiteral("Zoom:"), this)),
      Zoom_Ori(new PictureBox(this)),
      PushButton1(new QPushButton(QStringLiteral("Zoom In"), Frame1)),
      PushButton2(new QPushButton(QStringLiteral("Zoom Out"), Frame1)),
      PushButton6(new QPushButton(QStringLiteral("Save Results To Excel File"), this)),
      PushButton8(new QPushButton(QStringLiteral("< Back"), this)), m_print(new PrintActions(this))
{
    setObjectName(QStringLiteral("Form2"));
    layOut();
    connectControls();
}

Form2::~Form2() = default;

void Form2::showResult(const QImage& picture, const QString& workbookPath)
{
    Picture1->setPicture(picture);
    mExcelFile = workbookPath;
    show();
}

const QImage& Form2::picture() const { return Picture1->picture(); }

void Form2::layOut()
{
    // Fixed single border: a minimize button, no maximize button.
    chrome::frameWindow(this, 9840, 9390);
    nameControls();
    placeControls();
    styleControls();

    QWidget* const tabOrder[] = {HScroll1, VScroll1, Picture2, Picture1, Frame1,
                                 Zoom_Ori, PushButton1, PushButton2, PushButton6, PushButton8};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void Form2::nameControls()
{
    const std::pair<QWidget*, const char*> names[] = {
        {HScroll1, "HScroll1"},       {VScroll1, "VScroll1"},       {Picture2, "Picture2"},
        {Picture1, "Picture1"},       {Frame1, "Frame1"},           {Zoom_Ori, "Zoom_Ori"},
        {PushButton1, "PushButton1"}, {PushButton2, "PushButton2"}, {PushButton6, "PushButton6"},
        {PushButton8, "PushButton8"}};
    for (const auto& [control, name] : names)
        control->setObjectName(QLatin1String(name));
    // What a screen reader says for the controls without a caption.
    HScroll1->setAccessibleName(QStringLiteral("Scroll the sheet across"));
    VScroll1->setAccessibleName(QStringLiteral("Scroll the sheet up and down"));
    Picture1->setAccessibleName(QStringLiteral("Picture of the sheet"));
}

// Positions in twips; those of the zoom buttons are inside Frame1.
void Form2::placeControls()
{
    twips::place(HScroll1, 120, 7545, 9330, 255);
    twips::place(VScroll1, 9450, 120, 255, 7425);
    twips::place(Picture2, 120, 120, m_geometry.metrics().viewportWidth, m_geometry.metrics().viewportHeight);
    twips::place(Frame1, 120, 7860, 9600, 855);
    m_geometry.zoomOri = QSize(735, 375);
    twips::place(Zoom_Ori, ZoomOriLeft, ZoomOriTop, m_geometry.zoomOri.width(), m_geometry.zoomOri.height());
    twips::place(PushButton1, 240, 300, 4440, 405);
    twips::place(PushButton2, 4800, 300, 4560, 405);
    twips::place(PushButton6, 4920, 8850, 4800, 405);
    twips::place(PushButton8, 120, 8850, 4680, 405);
}

void Form2::styleControls()
{
    for (QScrollBar* bar : {HScroll1, VScroll1}) {
        bar->setRange(0, 0);
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setCursor(Qt::ArrowCursor);
    }
    giveBorder(Picture2);
    setBackgroundColour(Picture2, Qt::white);
    Picture2->setCursor(Qt::SizeAllCursor);
    Picture1->setCursor(Qt::ArrowCursor);
    giveBorder(Zoom_Ori);
    Zoom_Ori->hide();
    for (QPushButton* button : {PushButton1, PushButton2, PushButton6, PushButton8})
        button->setFont(chrome::arialBold(chrome::ButtonPoints));
}

void Form2::connectControls()
{
    connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, &Form2::HScroll1_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &Form2::VScroll1_Change);
    connect(Picture1, &PictureBox::pictureChanged, this, [this] { mFirstActivate = true; });

    // The pointer rules watch the window, the frame and the buttons; the
    // picture boxes and the bars keep their own pointers, and mouse moves
    // over them do not reach the window.
    setMouseTracking(true);
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, PushButton1, PushButton2, PushButton6, PushButton8}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{HScroll1, VScroll1, Picture2, Zoom_Ori, PushButton1,
                                                      PushButton2, PushButton6, PushButton8})
        w->setAttribute(Qt::WA_NoMousePropagation);
    Picture1->installEventFilter(this);
    Picture2->installEventFilter(this);
    Picture2->inner()->installEventFilter(this);
    Picture2->setFocusPolicy(Qt::StrongFocus);
}

void Form2::Form_Load()
{
    shell::Trace t{"Form2", "Form_Load"};
    t.line(100, [&] { mFirstActivate = true; });
    t.line(102, [&] { Main::SetFormColours(this); });
    t.line(104, [&] {
        setWindowTitle(QString::fromLatin1(Main::ProductName));
        setWindowIcon(QIcon(QStringLiteral(":/quorvale.png")));
    });
    if (t.test(108, [&] { return Main::FileExists(Main::applicationFile(QStringLiteral("HAND-M.CUR"))); }))
        t.line(110, [&] { m_pointer.loadHand(); });
}

void Form2::showBands(std::shared_ptr<shell::PictureBands> bands, const shell::PictureBands::Layout& layout)
{
    Picture1->setBands(std::move(bands), layout);
    mFirstActivate = true;
    Form_Activate();
}

void Form2::Form_Activate()
{
    shell::Trace t{"Form2", "Form_Activate"};
    if (!t.test(100, [&] { return !mFirstActivate; }))
        firstShowSetUp(t);
    t.line(138, [&] { mFirstActivate = false; });
}

// The activate handler's set-up of a new picture: sizes from the picture,
// the snapshot kept in Zoom_Ori, zoom 1.0 and the bars. Qt's widgets repaint
// themselves after being covered, so the boxes need no persistent image of
// their own.
void Form2::firstShowSetUp(shell::Trace& t)
{
    t.line(106, [&] {
        const QSize pixels = Picture1->wholeSize();
        m_geometry.imageBox.setSize(
            QSize(twips::fromPixels(pixels.width(), twips::dpiX(this)), twips::fromPixels(pixels.height(), twips::dpiY(this))));
        m_geometry.wholePicture = m_geometry.imageBox.size();
    });
    t.line(110, [&] { setBackgroundColour(Picture1, Qt::white); });
    t.line(116, [&] { Zoom_Ori->hide(); });
    t.line(118, [&] { m_geometry.zoomOri.setWidth(m_geometry.imageBox.width()); });
    t.line(120, [&] { m_geometry.zoomOri.setHeight(m_geometry.imageBox.height()); });
    t.line(122, [&] { Zoom_Ori->setPicture(Picture1->picture()); });
    t.line(124, [&] { m_geometry.resetToOriginalSize(); });
    t.line(134, [&] { RedrawImage(); });
    t.line(136, [&] {
        m_geometry.SetupScrollbars();
        showGeometry();
    });
}

// Draws the snapshot at mZoom. The bars are set up again from the zoomed
// size, so each reaches the whole of the image at every zoom. A zoomed size
// past the memory bound draws nothing and returns to the snapshot at 1.0.
void Form2::RedrawImage()
{
    shell::Trace t{"Form2", "RedrawImage"};
    t.line(100, [&] { m_geometry.computeZoomedWidth(); });
    t.line(102, [&] { m_geometry.computeZoomedHeight(); });
    if (t.test(104, [&] { return m_geometry.zoomedSizeFits(); })) {
        t.line(108, [&] { m_geometry.imageBox.setWidth(m_geometry.mZoomWidth); });
        t.line(110, [&] { m_geometry.imageBox.setHeight(m_geometry.mZoomHeight); });
        t.line(112, [&] { Picture1->paintStretched(Zoom_Ori->picture(), m_geometry.drawnSourcePixels()); });
        t.line(114, [&] { setMousePointer(MousePointer::Default); });
        t.line(116, [&] { m_geometry.setHScrollValue(0); });
        t.line(118, [&] { m_geometry.setVScrollValue(0); });
        t.line(120, [&] { m_geometry.SetupScrollbars(); });
    } else {
        t.line(124, [&] { m_geometry.resetToOriginalSize(); });
    }
    showGeometry();
}

void Form2::PushButton1_Click()
{
    shell::Trace t{"Form2", "PushButton1_Click"};
    t.line(100, [&] { StepZoom(0); });
}

void Form2::PushButton2_Click()
{
    shell::Trace t{"Form2", "PushButton2_Click"};
    t.line(100, [&] { StepZoom(1); });
}

void Form2::StepZoom(std::int32_t direction)
{
    SetZoom(preview::PreviewGeometry::steppedZoom(m_geometry.mZoom, direction));
}

void Form2::SetZoom(float factor)
{
    if (!preview::PreviewGeometry::zoomInRange(factor))
        return;
    m_geometry.mZoom = factor;
    RedrawImage();
}

void Form2::HScroll1_Change()
{
    m_geometry.setHScrollValue(HScroll1->value());
    showGeometry();
}

void Form2::VScroll1_Change()
{
    m_geometry.setVScrollValue(VScroll1->value());
    showGeometry();
}

void Form2::picture1_MouseDown(float x, float y)
{
    shell::Trace t{"Form2", "picture1_MouseDown"};
    t.line(100, [&] { m_geometry.mDragX = x; });
    t.line(102, [&] { m_geometry.mDragY = y; });
}

void Form2::picture1_MouseMove(Qt::MouseButtons buttons, float x, float y)
{
    shell::Trace t{"Form2", "picture1_MouseMove"};
    if (t.test(100, [&] { return buttons == Qt::NoButton; }))
        return;
    std::int32_t left = 0;
    std::int32_t top = 0;
    t.line(104, [&] { left = m_geometry.draggedLeft(x); });
    t.line(114, [&] { top = m_geometry.draggedTop(y); });
    t.line(124, [&] {
        m_geometry.imageBox.moveTo(left, top);
        showGeometry();
    });
}

void Form2::Picture1_MouseUp()
{
    shell::Trace t{"Form2", "Picture1_MouseUp"};
    std::optional<std::int32_t> horizontal;
    std::optional<std::int32_t> vertical;
    t.line(100, [&] { horizontal = m_geometry.horizontalPercent(); });
    t.line(102, [&] { vertical = m_geometry.verticalPercent(); });
    t.line(104, [&] {
        if (horizontal)
            m_geometry.SetHScrollbarByPercent(*horizontal);
    });
    t.line(106, [&] {
        if (vertical)
            m_geometry.SetVScrollbarByPercent(*vertical);
    });
    showGeometry();
}

// Saves a copy of the temporary workbook under a name the user chooses. An
// existing file is replaced only by a complete copy, so it stays whole when
// the copy fails.
void Form2::PushButton6_Click()
{
    shell::Trace t{"Form2", "PushButton6_Click"};
    QString target;
    shell::MessageAnswer answer{}; // 0 until the user decides
    t.line(106, [&] { CommonDialog1.FileName = QString(); });
    t.line(108, [&] { CommonDialog1.DialogTitle = QStringLiteral("Save File"); });
    t.line(110, [&] { CommonDialog1.Filter = QStringLiteral("Excel Files (*.xls)|*.xls|"); });
    t.line(112, [&] { CommonDialog1.ShowSave(this); });
    t.line(114, [&] { target = CommonDialog1.FileName; });
    if (!t.test(116, [&] { return target.isEmpty(); })) {
        if (t.test(118, [&] { return Main::FileExists(target); }))
            t.line(120, [&] { answer = shell::MsgBox(overwriteQuestion(target), shell::MessageButtons::YesNo); });
        else
            t.line(126, [&] { answer = shell::MessageAnswer::Yes; });
    }
    // "Done." tells of a copy that was made, and of nothing else.
    bool copied = false;
    if (t.test(128, [&] { return answer == shell::MessageAnswer::Yes; }))
        copied = t.line(130, [&] { copyWorkbook(mExcelFile, target); });
    if (copied)
        t.line(132, [&] { shell::MsgBox(QStringLiteral("Done.")); });
}

void Form2::PushButton8_Click()
{
    shell::Trace t{"Form2", "PushButton8_Click"};
    t.line(102, [&] {
        // The bands' instance has the workbook open; the pictures are shown
        // again only by the next run, which brings its own.
        Picture1->releasePicture();
        Zoom_Ori->releasePicture();
        m_print->setPrinting(nullptr, {});
        Main::DeleteFileForced(mExcelFile);
    });
    t.line(104, [&] { emit backToMainWindow(); });
    t.line(106, [&] { hide(); });
}

// The closing request deletes the temporary workbook and stores the item
// list, as closing the main window does, before the application ends.
void Form2::Form_QueryUnload()
{
    shell::Trace t{"Form2", "Form_QueryUnload"};
    t.line(100, [&] {
        Picture1->releaseBands();
        m_print->setPrinting(nullptr, {});
        Main::DeleteFileForced(mExcelFile);
    });
    t.line(102, [&] { QCoreApplication::processEvents(); });
    t.line(104, [&] { QCoreApplication::processEvents(); });
    t.line(106, [&] { emit closing(); });
}

void Form2::Form_Unload() { shell::Services::current().endApplication(); }

void Form2::showGeometry()
{
    Frame1->setTitle(zoomCaption(m_geometry.mZoom));
    const QRect& box = m_geometry.imageBox;
    twips::place(Picture1, box.x(), box.y(), box.width(), box.height());
    twips::place(Zoom_Ori, ZoomOriLeft, ZoomOriTop, m_geometry.zoomOri.width(), m_geometry.zoomOri.height());
    showScrollBar(HScroll1, m_geometry.hBar);
    showScrollBar(VScroll1, m_geometry.vBar);
}

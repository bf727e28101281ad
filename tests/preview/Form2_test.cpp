#include "app/AppWindows.h"
#include "preview/Form2.h"
#include "records/RecordStore.h"
#include "support/PreviewControls.h"

#include <QAccessible>
#include "support/TestServices.h"

#include <QGroupBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// A picture whose colour tells where a pixel came from: red grows to the
// right, green downwards.
QImage gradientPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 90));
    return picture;
}

// A widget's rectangle in twips at 96 DPI, relative to its parent.
QRect inTwips(const QWidget* w)
{
    const QRect g = w->geometry();
    return QRect(g.x() * 15, g.y() * 15, g.width() * 15, g.height() * 15);
}

void sendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// Bands of 100 pixel rows past a snapshot: red ones, every third of them
// out of reach.
class StripedBands final : public shell::PictureBands {
public:
    std::optional<Layout> layout(const QSize&) override { return Layout{QSize(300, 1000), 200}; }
    Band bandAt(int y, double zoom) override
    {
        ++asked;
        Band band{y / 100 * 100, 100, {}, {}, zoom};
        if (band.top / 100 % 3 == 0) {
            band.failure = QStringLiteral("out of reach");
            return band;
        }
        band.picture = QImage(int(300 * zoom), int(100 * zoom), QImage::Format_RGB32);
        band.picture.fill(Qt::red);
        return band;
    }
    void release() override { released = true; }
    int asked = 0;
    bool released = false;
};

} // namespace

// The preview window under the offscreen platform (96 DPI, 15 twips a
// pixel). The viewport is 9330 x 7425 twips outside, 9270 x 7365 inside.
class Form2Test : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestServices> services;
    std::unique_ptr<AppWindows> windows;
    QTemporaryDir dir;

    // The window as a generation run leaves it: loaded, given picture,
    // shown and activated.
    // The window as a run hands it what it made, the workbook's name given
    // or none.
    Form2& shownWith(const QImage& picture, const QString& workbookName = {})
    {
        Form2& form = windows->preview();
        form.showResult(picture, workbookName.isEmpty() ? QString() : workbook(workbookName));
        form.Form_Activate();
        return form;
    }

    QString workbook(const QString& name)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("workbook bytes") < 0)
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    void clickZoom(QPushButton* button, int times)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(services->errorReports().empty());
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        isolateSettings();
        QVERIFY(dir.isValid());
        QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInchX(), 96.0);
    }
    void init()
    {
        services = std::make_unique<TestServices>();
        windows = std::make_unique<AppWindows>();
    }
    void cleanup()
    {
        windows.reset();
        services.reset();
    }

    void layoutInTwips();
    void loadStartsAtZero();
    void firstShowSetsUpFromThePicture();
    void becomingActiveRunsTheSetUp();
    void showingRunsTheSetUpWithoutWaitingForActivation();
    void secondActivationChangesNothing();
    void zoomButtonsStopAtTheEnds();
    void zoomSetsTheBarsUpFromTheZoomedSize();
    void narrowImageBarsEnableWhenAZoomMakesItWide();
    void zoomDrawsTheSnapshotScaled();
    void zoomPastTheLargestWidgetFallsBackToOne();
    void bandsGoOnPastTheSnapshot();
    void scrollBarsMoveTheImage();
    void wheelAndKeysMoveAndZoom();
    void dragMovesTheImageAndReleaseSetsTheBars();
    void backDeletesTheWorkbookAndShowsTheMainWindow();
    void laterRunIsSetUpAfresh();
    void closingStoresTheListAndDeletesTheWorkbook();
    void pointerRules();
    void centredOnFirstShow();
};

void Form2Test::layoutInTwips()
{
    Form2& form = windows->preview();
    const struct {
        const char* name;
        QRect twips;
    } places[] = {
        {"HScroll1", {120, 7545, 9330, 255}},   {"VScroll1", {9450, 120, 255, 7425}},
        {"Picture2", {120, 120, 9330, 7425}},   {"Frame1", {120, 7860, 9600, 855}},
        {"Zoom_Ori", {10320, 480, 735, 375}},   {"PushButton1", {240, 300, 4440, 405}},
        {"PushButton2", {4800, 300, 4560, 405}}, {"PushButton6", {4920, 8850, 4800, 405}},
        {"PushButton8", {120, 8850, 4680, 405}},
    };
    for (const auto& place : places) {
        const auto* w = form.findChild<QWidget*>(QLatin1String(place.name));
        QVERIFY2(w, place.name);
        // Each side is within a pixel of the designed twips.
        const QRect r = inTwips(w);
        QVERIFY2(std::abs(r.x() - place.twips.x()) < 15 && std::abs(r.y() - place.twips.y()) < 15
                     && std::abs(r.width() - place.twips.width()) < 15
                     && std::abs(r.height() - place.twips.height()) < 15,
                 place.name);
    }
    QCOMPARE(form.size(), QSize(656, 626));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.windowTitle(), QStringLiteral("Quorvale"));
    QVERIFY(!form.windowIcon().isNull());

    QCOMPARE(form.font().family(), QStringLiteral("Arial"));
    QCOMPARE(form.font().pointSizeF(), 9.0);
    QVERIFY(form.font().bold());
    for (QPushButton* button : {controlsOf(form).PushButton1, controlsOf(form).PushButton2, controlsOf(form).PushButton6, controlsOf(form).PushButton8}) {
        QCOMPARE(button->font().pointSizeF(), 11.25);
        QVERIFY(button->font().bold());
    }
    QCOMPARE(controlsOf(form).PushButton1->text(), QStringLiteral("Zoom In"));
    QCOMPARE(controlsOf(form).PushButton2->text(), QStringLiteral("Zoom Out"));
    QCOMPARE(controlsOf(form).PushButton6->text(), QStringLiteral("Save Results To Excel File"));
    QCOMPARE(controlsOf(form).PushButton8->text(), QStringLiteral("< Back"));
    QCOMPARE(controlsOf(form).Frame1->title(), QStringLiteral("Zoom:"));
    QCOMPARE(controlsOf(form).PushButton1->parentWidget(), controlsOf(form).Frame1);
    QVERIFY(controlsOf(form).Picture2->isAncestorOf(controlsOf(form).Picture1));
    QVERIFY(controlsOf(form).Zoom_Ori->isHidden());
    QCOMPARE(controlsOf(form).Picture2->cursor().shape(), Qt::SizeAllCursor);
    QCOMPARE(controlsOf(form).Picture1->cursor().shape(), Qt::ArrowCursor);

    // A screen reader names the controls without a caption of their own.
    const auto nameOf = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    QCOMPARE(nameOf(controlsOf(form).Picture1), QStringLiteral("Picture of the sheet"));
    QCOMPARE(nameOf(controlsOf(form).HScroll1), QStringLiteral("Scroll the sheet across"));
    QCOMPARE(nameOf(controlsOf(form).VScroll1), QStringLiteral("Scroll the sheet up and down"));
    QCOMPARE(nameOf(controlsOf(form).PushButton6), QStringLiteral("Save Results To Excel File"));
}

void Form2Test::loadStartsAtZero()
{
    Form2& form = windows->preview();
    QCOMPARE(windows->loadedPreview(), &form);
    QCOMPARE(&windows->preview(), &form);
    QVERIFY(form.firstActivatePending());
    QCOMPARE(form.geometry().mZoom, 0.0f);
    QCOMPARE(form.geometry().mOrigWidth, 0);
    QCOMPARE(form.geometry().mZoomHeight, 0);
    QCOMPARE(form.geometry().mHScrollStep, 0);
    QVERIFY(form.excelFile().isEmpty());
    // The button-face colour of the window-colour procedure.
    QCOMPARE(form.palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
    QVERIFY(services->messages.empty());
}

void Form2Test::firstShowSetsUpFromThePicture()
{
    const QImage picture = gradientPicture(700, 600); // 10500 x 9000 twips
    Form2& form = shownWith(picture);

    QVERIFY(!form.firstActivatePending());
    QCOMPARE(form.geometry().zoomOri, QSize(10500, 9000));
    QCOMPARE(controlsOf(form).Zoom_Ori->picture(), picture);
    QVERIFY(controlsOf(form).Zoom_Ori->isHidden());
    QCOMPARE(form.geometry().mZoom, 1.0f);
    // The whole picture, its right and bottom edges included.
    QCOMPARE(form.geometry().mOrigWidth, 10500);
    QCOMPARE(form.geometry().mOrigHeight, 9000);
    QCOMPARE(form.geometry().imageBox, QRect(0, 0, 10500, 9000));
    QCOMPARE(controlsOf(form).Picture1->size(), QSize(700, 600));
    QCOMPARE(controlsOf(form).Frame1->title(), QStringLiteral("Zoom: 100%"));

    // 1230 and 1635 twips past the viewport's inner area: steps of 10.
    QCOMPARE(form.geometry().mHScrollStep, 10);
    QCOMPARE(controlsOf(form).HScroll1->maximum(), 123);
    QVERIFY(controlsOf(form).HScroll1->isEnabled());
    QCOMPARE(form.geometry().mVScrollStep, 10);
    QCOMPARE(controlsOf(form).VScroll1->maximum(), 164);
    QVERIFY(controlsOf(form).VScroll1->isEnabled());
    QVERIFY2(services->errorReports().empty(), qPrintable(services->texts().join(QLatin1Char(10))));
}

void Form2Test::becomingActiveRunsTheSetUp()
{
    Form2& form = windows->preview();
    controlsOf(form).Picture1->setPicture(gradientPicture(300, 200));
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(!form.firstActivatePending());
    QCOMPARE(form.geometry().mZoom, 1.0f);
    QCOMPARE(form.geometry().zoomOri, QSize(4500, 3000));
}

// A window manager may refuse to activate the window (or there may be none):
// the picture is set up as soon as the window shows, and the activation that
// may follow changes nothing.
void Form2Test::showingRunsTheSetUpWithoutWaitingForActivation()
{
    Form2& form = windows->preview();
    controlsOf(form).Picture1->setPicture(gradientPicture(300, 200));
    form.show(); // no events processed: no activation has arrived yet
    QVERIFY(!form.firstActivatePending());
    QCOMPARE(form.geometry().zoomOri, QSize(4500, 3000));
    QCOMPARE(controlsOf(form).Picture1->size(), QSize(300, 200));
    controlsOf(form).Picture1->setPicture(gradientPicture(600, 400));
    form.hide();
    form.show();
    QCOMPARE(form.geometry().zoomOri, QSize(9000, 6000));
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(form.geometry().zoomOri, QSize(9000, 6000));
    QVERIFY(services->errorReports().empty());
}

void Form2Test::secondActivationChangesNothing()
{
    Form2& form = shownWith(gradientPicture(700, 600));
    form.PushButton1_Click();
    controlsOf(form).HScroll1->setValue(40);
    controlsOf(form).VScroll1->setValue(12);
    const QRect box = form.geometry().imageBox;
    QCOMPARE(box.topLeft(), QPoint(-400, -120));

    form.Form_Activate();
    QCOMPARE(form.geometry().mZoom, 1.25f);
    QCOMPARE(form.geometry().imageBox, box);
    QCOMPARE(controlsOf(form).HScroll1->value(), 40);
    QCOMPARE(controlsOf(form).VScroll1->value(), 12);
}

void Form2Test::zoomButtonsStopAtTheEnds()
{
    Form2& form = shownWith(gradientPicture(700, 600));
    clickZoom(controlsOf(form).PushButton1, 8);
    QCOMPARE(form.geometry().mZoom, 3.0f);
    QCOMPARE(form.geometry().imageBox.size(), QSize(31500, 27000));
    QCOMPARE(controlsOf(form).Frame1->title(), QStringLiteral("Zoom: 300%"));
    clickZoom(controlsOf(form).PushButton1, 2);
    QCOMPARE(form.geometry().mZoom, 3.0f);
    QCOMPARE(form.geometry().imageBox.size(), QSize(31500, 27000));

    clickZoom(controlsOf(form).PushButton2, 11);
    QCOMPARE(form.geometry().mZoom, 0.25f);
    QCOMPARE(form.geometry().imageBox.size(), QSize(2625, 2250));
    QCOMPARE(controlsOf(form).Frame1->title(), QStringLiteral("Zoom: 25%"));
    clickZoom(controlsOf(form).PushButton2, 1);
    QCOMPARE(form.geometry().mZoom, 0.25f);
}

void Form2Test::zoomSetsTheBarsUpFromTheZoomedSize()
{
    Form2& form = shownWith(gradientPicture(700, 600));
    controlsOf(form).HScroll1->setValue(30);
    form.PushButton1_Click();

    // 13125 x 11250 at 1.25: 3855 and 3885 twips past the inner area.
    QCOMPARE(form.geometry().imageBox, QRect(0, 0, 13125, 11250));
    QCOMPARE(controlsOf(form).HScroll1->value(), 0);
    QCOMPARE(controlsOf(form).HScroll1->maximum(), 386);
    QCOMPARE(controlsOf(form).VScroll1->maximum(), 389);

    // The far end of each bar shows the image's far edge against the inner
    // edge of the viewport, within one step.
    controlsOf(form).HScroll1->setValue(controlsOf(form).HScroll1->maximum());
    controlsOf(form).VScroll1->setValue(controlsOf(form).VScroll1->maximum());
    QCOMPARE(form.geometry().imageBox.topLeft(), QPoint(-3860, -3890));
    QCOMPARE(controlsOf(form).Picture1->pos(), QPoint(-257, -259));
    const int right = form.geometry().imageBox.left() + form.geometry().imageBox.width();
    const int bottom = form.geometry().imageBox.top() + form.geometry().imageBox.height();
    QVERIFY(right <= form.geometry().viewportInnerWidth() && right > form.geometry().viewportInnerWidth() - 10);
    QVERIFY(bottom <= form.geometry().viewportInnerHeight() && bottom > form.geometry().viewportInnerHeight() - 10);

    // Zoomed out, the image fits and the bars rest.
    clickZoom(controlsOf(form).PushButton2, 2);
    QCOMPARE(form.geometry().imageBox.size(), QSize(7875, 6750));
    QVERIFY(!controlsOf(form).HScroll1->isEnabled());
    QVERIFY(!controlsOf(form).VScroll1->isEnabled());
    QCOMPARE(form.geometry().mHScrollStep, 0);
    QCOMPARE(form.geometry().imageBox.topLeft(), QPoint(0, 0));
}

void Form2Test::narrowImageBarsEnableWhenAZoomMakesItWide()
{
    Form2& form = shownWith(gradientPicture(400, 300)); // 6000 x 4500
    QVERIFY(!controlsOf(form).HScroll1->isEnabled());
    QVERIFY(!controlsOf(form).VScroll1->isEnabled());
    QCOMPARE(form.geometry().mHScrollStep, 0);
    QCOMPARE(form.geometry().mVScrollStep, 0);

    clickZoom(controlsOf(form).PushButton1, 4); // 2.0: 12000 x 9000
    QVERIFY(controlsOf(form).HScroll1->isEnabled());
    QVERIFY(controlsOf(form).VScroll1->isEnabled());
    QCOMPARE(controlsOf(form).HScroll1->maximum(), 273); // 2730 past the inner area
    QCOMPARE(controlsOf(form).VScroll1->maximum(), 164); // 1635, rounded up
    controlsOf(form).HScroll1->setValue(100);
    QCOMPARE(form.geometry().imageBox.left(), -1000);
}

void Form2Test::zoomDrawsTheSnapshotScaled()
{
    const QImage picture = gradientPicture(400, 300);
    Form2& form = shownWith(picture);
    clickZoom(controlsOf(form).PushButton1, 4);
    QVERIFY(controlsOf(form).Picture1->hasDrawing());
    QCOMPARE(controlsOf(form).Picture1->drawingSourceRect(), QRectF(0, 0, 400, 300));

    const QImage shown = controlsOf(form).Picture1->grab().toImage();
    QCOMPARE(shown.size(), QSize(800, 600));
    for (const QPoint source : {QPoint(10, 10), QPoint(100, 75), QPoint(399, 299)}) {
        const QColor want = picture.pixelColor(source);
        const QColor got = shown.pixelColor(source * 2);
        QVERIFY2(std::abs(want.red() - got.red()) <= 2 && std::abs(want.green() - got.green()) <= 2,
                 qPrintable(QStringLiteral("at %1, %2").arg(source.x()).arg(source.y())));
    }
    // Zoom_Ori keeps the snapshot as delivered.
    QCOMPARE(controlsOf(form).Zoom_Ori->picture(), picture);
}

void Form2Test::zoomPastTheLargestWidgetFallsBackToOne()
{
    // One pixel wide and six million high: each zoom up to 2.75 fits, 3.0
    // would be taller than any widget.
    Form2& form = windows->preview();
    QImage tall(1, 6000000, QImage::Format_Mono);
    tall.fill(1);
    controlsOf(form).Picture1->setPicture(tall);
    form.Form_Activate();
    const int origHeight = 6000000 * 15;
    QCOMPARE(form.geometry().mOrigHeight, origHeight);

    for (int i = 0; i < 7; ++i)
        form.PushButton1_Click();
    QCOMPARE(form.geometry().mZoom, 2.75f);
    const QRect box = form.geometry().imageBox;
    QCOMPARE(box.height(), int(origHeight * 2.75));

    form.PushButton1_Click();
    QCOMPARE(form.geometry().mZoom, 1.0f);
    QCOMPARE(form.geometry().mZoomHeight, origHeight);
    QCOMPARE(form.geometry().imageBox, box); // nothing redrawn
    form.PushButton1_Click();
    QCOMPARE(form.geometry().mZoom, 1.25f);
    QVERIFY(services->errorReports().empty());
}

// Past the snapshot the picture goes on in bands, each fetched when it
// comes into view and kept; a band out of reach is a plain area, and
// "< Back" lets the bands go.
void Form2Test::bandsGoOnPastTheSnapshot()
{
    Form2& form = shownWith(gradientPicture(300, 250), QStringLiteral("kintra24681357.xls"));
    auto bands = std::make_shared<StripedBands>();
    form.showBands(bands, *bands->layout({}));
    QCOMPARE(form.geometry().imageBox.size(), QSize(4500, 15000));
    QVERIFY(controlsOf(form).VScroll1->isEnabled());

    const QImage shown = controlsOf(form).Picture1->grab().toImage();
    QCOMPARE(shown.pixelColor(150, 100), gradientPicture(300, 250).pixelColor(150, 100)); // the snapshot
    QCOMPARE(shown.pixelColor(150, 250), QColor(Qt::red));                                // over the snapshot
    QCOMPARE(shown.pixelColor(150, 450), QColor(Qt::red));
    // Scrolled to the end, the bands that come into view are fetched then;
    // painting them only draws.
    controlsOf(form).VScroll1->setValue(controlsOf(form).VScroll1->maximum());
    QVERIFY(controlsOf(form).Picture1->keptBands() <= PictureBox::MaxKeptBands);
    const int asked = bands->asked;
    const QImage end = controlsOf(form).Picture1->grab(QRect(0, 600, 300, 300)).toImage();
    QCOMPARE(end.pixelColor(299, 50), QColor(238, 238, 238)); // band 6 is out of reach
    QCOMPARE(end.pixelColor(150, 250), QColor(Qt::red));
    QCOMPARE(bands->asked, asked); // drawn from the bands kept
    QVERIFY(services->errorReports().empty());

    form.PushButton8_Click();
    QVERIFY(bands->released);
}

void Form2Test::scrollBarsMoveTheImage()
{
    Form2& form = shownWith(gradientPicture(700, 600));
    controlsOf(form).HScroll1->setValue(50);
    QCOMPARE(form.geometry().imageBox.left(), -500);
    QCOMPARE(controlsOf(form).Picture1->x(), -33);
    // An arrow moves one item row (300 twips), the trough a viewport.
    controlsOf(form).VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(controlsOf(form).VScroll1->value(), 30);
    QCOMPARE(form.geometry().imageBox.top(), -300);
    QCOMPARE(controlsOf(form).VScroll1->pageStep(), 736);
}

void Form2Test::wheelAndKeysMoveAndZoom()
{
    Form2& form = shownWith(gradientPicture(700, 3000)); // 37635 twips past the viewport
    const auto wheel = [&](QPoint angle, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(QPointF(20, 20), controlsOf(form).Picture1->mapToGlobal(QPointF(20, 20)), QPoint(), angle,
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(controlsOf(form).Picture1, &event);
    };
    const int notch = QApplication::wheelScrollLines() * 30; // lines of one item row each
    wheel({0, -120}, Qt::NoModifier);
    QCOMPARE(controlsOf(form).VScroll1->value(), notch);
    QCOMPARE(form.geometry().imageBox.top(), -10 * notch);
    wheel({0, -120}, Qt::ShiftModifier);
    QCOMPARE(controlsOf(form).HScroll1->value(), std::min(notch, controlsOf(form).HScroll1->maximum()));

    controlsOf(form).Picture2->setFocus();
    controlsOf(form).VScroll1->setValue(0);
    QTest::keyClick(controlsOf(form).Picture2, Qt::Key_Down);
    QCOMPARE(controlsOf(form).VScroll1->value(), 30);
    QTest::keyClick(controlsOf(form).Picture2, Qt::Key_PageDown);
    QCOMPARE(controlsOf(form).VScroll1->value(), 30 + 736);
    QTest::keyClick(controlsOf(form).Picture2, Qt::Key_End);
    QCOMPARE(controlsOf(form).VScroll1->value(), controlsOf(form).VScroll1->maximum());
    QCOMPARE(form.geometry().imageBox.top() + form.geometry().imageBox.height() - form.geometry().viewportInnerHeight(), -5); // 37635 in steps of 10
    QTest::keyClick(controlsOf(form).Picture2, Qt::Key_Home);
    QCOMPARE(form.geometry().imageBox.top(), 0);

    wheel({0, 120}, Qt::ControlModifier);
    QCOMPARE(form.geometry().mZoom, 1.25f);
    QCOMPARE(controlsOf(form).Frame1->title(), QStringLiteral("Zoom: 125%"));
    wheel({0, -240}, Qt::ControlModifier);
    QCOMPARE(form.geometry().mZoom, 0.75f);
    QVERIFY(services->errorReports().empty());
}

void Form2Test::dragMovesTheImageAndReleaseSetsTheBars()
{
    Form2& form = shownWith(gradientPicture(700, 600));
    PictureBox* box = controlsOf(form).Picture1;

    sendMouse(box, QEvent::MouseMove, {10, 10}, Qt::NoButton);
    QCOMPARE(form.geometry().imageBox.topLeft(), QPoint(0, 0));

    sendMouse(box, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    QCOMPARE(form.geometry().mDragX, 1500.0f);
    sendMouse(box, QEvent::MouseMove, {40, 70}, Qt::LeftButton);
    QCOMPARE(form.geometry().imageBox.topLeft(), QPoint(-900, -450));
    QCOMPARE(box->pos(), QPoint(-60, -30));
    QCOMPARE(controlsOf(form).HScroll1->value(), 0); // bars wait for the release

    // 900 of 1230 is 73 %, 73 % of 123 is 90; 450 of 1635 is 28 %, of 164
    // is 46, where the bar puts the image.
    sendMouse(box, QEvent::MouseButtonRelease, {40, 70}, Qt::NoButton);
    QCOMPARE(controlsOf(form).HScroll1->value(), 90);
    QCOMPARE(controlsOf(form).VScroll1->value(), 46);
    QCOMPARE(form.geometry().imageBox.topLeft(), QPoint(-900, -460));

    // Dragged past the far corner, the image stops at the inner edge, and
    // the release puts the bars at their ends.
    sendMouse(box, QEvent::MouseButtonPress, {0, 0}, Qt::LeftButton);
    sendMouse(box, QEvent::MouseMove, {-5000, -5000}, Qt::LeftButton);
    QCOMPARE(form.geometry().imageBox.topLeft(), QPoint(9270 - 10500, 7365 - 9000));
    sendMouse(box, QEvent::MouseButtonRelease, {-5000, -5000}, Qt::NoButton);
    QCOMPARE(controlsOf(form).HScroll1->value(), controlsOf(form).HScroll1->maximum());
    QCOMPARE(controlsOf(form).VScroll1->value(), controlsOf(form).VScroll1->maximum());
    QVERIFY(services->errorReports().empty());
}

void Form2Test::backDeletesTheWorkbookAndShowsTheMainWindow()
{
    Form1& main = windows->main();
    Form2& form = shownWith(gradientPicture(700, 600), QStringLiteral("kintra12345678.xls"));
    form.PushButton1_Click();

    QTest::mouseClick(controlsOf(form).PushButton8, Qt::LeftButton);
    QVERIFY(!QFile::exists(form.excelFile()));
    QVERIFY(main.isVisible());
    QVERIFY(!form.isVisible());
    QCOMPARE(windows->loadedPreview(), &form);
    QCOMPARE(form.geometry().mZoom, 1.25f);
    QVERIFY(services->messages.empty());
    QCOMPARE(services->endCalls, 0);
}

void Form2Test::laterRunIsSetUpAfresh()
{
    Form2& form = shownWith(gradientPicture(700, 600), QStringLiteral("kintra11111111.xls"));
    clickZoom(controlsOf(form).PushButton1, 4);
    controlsOf(form).HScroll1->setValue(20);
    form.PushButton8_Click();

    const QImage next = gradientPicture(500, 400);
    Form2& again = shownWith(next);
    QCOMPARE(&again, &form);
    QCOMPARE(form.geometry().mZoom, 1.0f);
    QCOMPARE(form.geometry().zoomOri, QSize(7500, 6000));
    QCOMPARE(controlsOf(form).Zoom_Ori->picture(), next);
    QCOMPARE(form.geometry().imageBox, QRect(0, 0, 7500, 6000));
    QVERIFY(!controlsOf(form).HScroll1->isEnabled());
    QVERIFY(!controlsOf(form).VScroll1->isEnabled());
    QCOMPARE(controlsOf(form).HScroll1->value(), 0);
}

void Form2Test::closingStoresTheListAndDeletesTheWorkbook()
{
    records::writeStoredList(QString());
    Form1& main = windows->main();
    main.items().Add(QStringLiteral("4711"));
    Form2& form = shownWith(gradientPicture(100, 100), QStringLiteral("kintra87654321.xls"));

    form.close();
    QVERIFY(!QFile::exists(form.excelFile()));
    QCOMPARE(services->endCalls, 1);
    QVERIFY(records::readStoredList().startsWith(QStringLiteral("4711||SEP1||")));
    QVERIFY(services->errorReports().empty());
}

void Form2Test::pointerRules()
{
    Form2& form = shownWith(gradientPicture(100, 100));
    sendMouse(controlsOf(form).PushButton6, QEvent::MouseMove, {5, 5}, Qt::NoButton);
    QCOMPARE(form.mousePointer(), MousePointer::Custom);
    sendMouse(controlsOf(form).Frame1, QEvent::MouseMove, {2, 2}, Qt::NoButton);
    QCOMPARE(form.mousePointer(), MousePointer::Default);
    // A button inside the frame: the move does not reach the frame.
    sendMouse(controlsOf(form).PushButton2, QEvent::MouseMove, {5, 5}, Qt::NoButton);
    QCOMPARE(form.mousePointer(), MousePointer::Custom);
    sendMouse(controlsOf(form).HScroll1, QEvent::MouseMove, {5, 5}, Qt::NoButton);
    QCOMPARE(form.mousePointer(), MousePointer::Custom);
    sendMouse(&form, QEvent::MouseMove, {650, 620}, Qt::NoButton);
    QCOMPARE(form.mousePointer(), MousePointer::Default);

    form.setMousePointer(MousePointer::Hourglass);
    sendMouse(controlsOf(form).PushButton1, QEvent::MouseMove, {5, 5}, Qt::NoButton);
    sendMouse(controlsOf(form).Frame1, QEvent::MouseMove, {2, 2}, Qt::NoButton);
    sendMouse(&form, QEvent::MouseMove, {650, 620}, Qt::NoButton);
    QCOMPARE(form.mousePointer(), MousePointer::Hourglass);
}

void Form2Test::centredOnFirstShow()
{
    Form2& form = shownWith(gradientPicture(100, 100));
    const QPoint centre = form.screen()->availableGeometry().center();
    QVERIFY((form.frameGeometry().center() - centre).manhattanLength() <= 2);
}

QTEST_MAIN(Form2Test)
#include "Form2_test.moc"

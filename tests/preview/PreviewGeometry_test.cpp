#include "preview/PreviewGeometry.h"

#include <QtTest>

using preview::PreviewGeometry;

constexpr int NoPercent = std::numeric_limits<int>::min();

// The preview's image geometry in twips, driven without any widget. The
// viewport is 9330 x 7425 outside and 9270 x 7365 inside (a 30 twip border);
// the image moves inside the inner area, which is the bars' measure.
class PreviewGeometryTest : public QObject {
    Q_OBJECT

private:
    static PreviewGeometry withImageBox(int width, int height)
    {
        PreviewGeometry g;
        g.mZoom = 1.0f;
        g.imageBox = QRect(0, 0, width, height);
        return g;
    }

private slots:
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void setupScrollbarsStepsAndMaxima_data();
    void setupScrollbarsStepsAndMaxima();
    void setupScrollbarsPutsTheImageAtTheOrigin();
    void barChangesMoveTheImageInWholeSteps();
    void smallChangeIsOneRowAtTheZoom();
    void tallImagesAreReachableWithThirtyTwoBitOffsets();
    void zoomStepsEndAtThreeAndAQuarterWithoutDrift();
    void zoomedSizeIsRoundedDown();
    void zoomBoundIsTheLargestWidgetOnly();
    void originalSizeIsTheWholePicture();
    void dragClampsWideImagesToTheViewport();
    void dragLeavesSmallImagesWhereTheyAre();
    void mouseUpPercentages();
    void scrollbarByPercent_data();
    void scrollbarByPercent();
    void releaseAtTheFarEndSettlesOnTheBar();
};

void PreviewGeometryTest::roundsHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("2.51") << 2.51 << 3;
    QTest::newRow("-1.5") << -1.5 << -2;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("huge saturates") << 1e12 << std::numeric_limits<int>::max();
}

void PreviewGeometryTest::roundsHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(int, rounded);
    QCOMPARE(preview::roundHalfEven(value), rounded);
}

void PreviewGeometryTest::setupScrollbarsStepsAndMaxima_data()
{
    QTest::addColumn<int>("excess");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("maximum");
    QTest::newRow("narrower") << -500 << false << 0 << 0;
    QTest::newRow("exactly as large") << 0 << false << 0 << 0;
    QTest::newRow("1") << 1 << true << 1 << 1;
    QTest::newRow("100") << 100 << true << 1 << 100;
    // Rounded up, so the bar's end shows the image's far edge.
    QTest::newRow("101") << 101 << true << 10 << 11;
    QTest::newRow("110") << 110 << true << 10 << 11;
    QTest::newRow("111") << 111 << true << 10 << 12;
    QTest::newRow("past 16 bits") << 400004 << true << 10 << 40001;
}

void PreviewGeometryTest::setupScrollbarsStepsAndMaxima()
{
    QFETCH(int, excess);
    QFETCH(bool, enabled);
    QFETCH(int, step);
    QFETCH(int, maximum);

    PreviewGeometry g = withImageBox(9270 + excess, 7365 + excess);
    g.SetupScrollbars();

    QCOMPARE(g.hBar.enabled, enabled);
    QCOMPARE(g.mHScrollStep, step);
    QCOMPARE(g.vBar.enabled, enabled);
    QCOMPARE(g.mVScrollStep, step);
    if (enabled) {
        QCOMPARE(g.hBar.maximum, maximum);
        QCOMPARE(g.vBar.maximum, maximum);
        // An arrow moves one item row of 300 twips, the trough a viewport.
        QCOMPARE(g.vBar.smallChange, 300 / step);
        QCOMPARE(g.hBar.largeChange, 9270 / step);
        QCOMPARE(g.vBar.largeChange, 7365 / step);
    }
}

void PreviewGeometryTest::smallChangeIsOneRowAtTheZoom()
{
    PreviewGeometry g = withImageBox(30000, 30000);
    g.mZoom = 2.5f;
    g.SetupScrollbars();
    QCOMPARE(g.vBar.smallChange, 75); // 750 twips of the zoomed picture
}

void PreviewGeometryTest::setupScrollbarsPutsTheImageAtTheOrigin()
{
    PreviewGeometry g = withImageBox(20000, 3000);
    g.SetupScrollbars();
    g.setHScrollValue(500);
    QCOMPARE(g.imageBox.left(), -5000);

    g.imageBox.moveTo(-1234, -56);
    g.SetupScrollbars();
    QCOMPARE(g.imageBox.topLeft(), QPoint(0, 0));
    QCOMPARE(g.hBar.value, 0);
    QCOMPARE(g.imageBox.size(), QSize(20000, 3000));
    QVERIFY(!g.vBar.enabled);
}

void PreviewGeometryTest::barChangesMoveTheImageInWholeSteps()
{
    PreviewGeometry g = withImageBox(9270 + 80, 7365 + 1000);
    g.SetupScrollbars();
    QCOMPARE(g.mHScrollStep, 1);
    QCOMPARE(g.mVScrollStep, 10);

    g.setHScrollValue(80);
    g.setVScrollValue(37);
    QCOMPARE(g.imageBox.topLeft(), QPoint(-80, -370));
    QCOMPARE(g.imageBox.size(), QSize(9350, 8365));

    // A value that does not change leaves the image where a drag put it.
    g.imageBox.moveTo(-33, -333);
    g.setHScrollValue(80);
    g.setVScrollValue(37);
    QCOMPARE(g.imageBox.topLeft(), QPoint(-33, -333));
}

void PreviewGeometryTest::tallImagesAreReachableWithThirtyTwoBitOffsets()
{
    // About 200 items at zoom 3: far more than 32767 twips past the viewport.
    PreviewGeometry g = withImageBox(50000, 7365 + 170000);
    g.SetupScrollbars();
    QCOMPARE(g.vBar.maximum, 17000);
    g.setVScrollValue(g.vBar.maximum);
    QCOMPARE(g.imageBox.top(), -170000);
    g.setVScrollValue(8000);
    QCOMPARE(g.imageBox.top(), -80000);
}

void PreviewGeometryTest::zoomStepsEndAtThreeAndAQuarterWithoutDrift()
{
    float zoom = 1.0f;
    for (int i = 0; i < 8; ++i) {
        zoom = PreviewGeometry::steppedZoom(zoom, 0);
        QVERIFY(PreviewGeometry::zoomInRange(zoom));
    }
    QCOMPARE(zoom, 3.0f);
    QVERIFY(!PreviewGeometry::zoomInRange(PreviewGeometry::steppedZoom(zoom, 0)));

    for (int i = 0; i < 11; ++i)
        zoom = PreviewGeometry::steppedZoom(zoom, 1);
    QCOMPARE(zoom, 0.25f);
    QVERIFY(!PreviewGeometry::zoomInRange(PreviewGeometry::steppedZoom(zoom, 7)));

    for (int i = 0; i < 1000; ++i)
        zoom = PreviewGeometry::steppedZoom(PreviewGeometry::steppedZoom(zoom, 0), -1);
    QVERIFY(zoom == 0.25f);
}

void PreviewGeometryTest::zoomedSizeIsRoundedDown()
{
    PreviewGeometry g;
    g.mOrigWidth = 1003;
    g.mOrigHeight = 1001;
    g.mZoom = 0.75f;
    g.computeZoomedWidth();
    g.computeZoomedHeight();
    QCOMPARE(g.mZoomWidth, 752);  // 752.25
    QCOMPARE(g.mZoomHeight, 750); // 750.75
    g.mZoom = 2.75f;
    g.computeZoomedWidth();
    QCOMPARE(g.mZoomWidth, 2758); // 2758.25
}

void PreviewGeometryTest::zoomBoundIsTheLargestWidgetOnly()
{
    PreviewGeometry g;
    const auto fitsAt = [&](int origWidth, int origHeight, float zoom) {
        g.mOrigWidth = origWidth;
        g.mOrigHeight = origHeight;
        g.mZoom = zoom;
        g.computeZoomedWidth();
        g.computeZoomedHeight();
        return g.zoomedSizeFits();
    };
    // A sheet of 200 items is about 16,900 by 60,000 twips: every zoom fits.
    QVERIFY(fitsAt(16900, 60000, 3.0f));
    QVERIFY(fitsAt(16900, 5000, 1.25f));
    // The zoomed picture is never copied: 60,000 by 15,000 pixels fit.
    QVERIFY(fitsAt(300000, 75000, 3.0f));
    // The whole of 32,767 items at 3.0.
    QVERIFY(fitsAt(16900, 32769 * 300, 3.0f));
    // One pixel wide and taller than the largest widget.
    QVERIFY(fitsAt(15, 6000000 * 15, 2.75f));
    QVERIFY(!fitsAt(15, 6000000 * 15, 3.0f));
}

// The whole picture is drawn, its outer borders included.
void PreviewGeometryTest::originalSizeIsTheWholePicture()
{
    PreviewGeometry g;
    g.mZoom = 2.5f;
    g.zoomOri = QSize(10500, 9000);
    g.wholePicture = QSize(10500, 90000);
    g.resetToOriginalSize();
    QCOMPARE(g.mZoom, 1.0f);
    QCOMPARE(g.mOrigWidth, 10500);
    QCOMPARE(g.mOrigHeight, 90000);
    QCOMPARE(g.mZoomWidth, 10500);
    QCOMPARE(g.mZoomHeight, 90000);
    QCOMPARE(g.drawnSourcePixels(), QRectF(0, 0, 700, 6000));
}

void PreviewGeometryTest::dragClampsWideImagesToTheViewport()
{
    PreviewGeometry g = withImageBox(20000, 30000);
    g.imageBox.moveTo(-1000, -2000);
    g.mDragX = 500;
    g.mDragY = 700;
    QCOMPARE(g.draggedLeft(300), -1200);
    QCOMPARE(g.draggedTop(950), -1750);
    QCOMPARE(g.draggedLeft(1600), 0);  // would be +100
    QCOMPARE(g.draggedTop(2700), 0);   // would be 0 exactly
    QCOMPARE(g.draggedLeft(-20000), 9270 - 20000);
    QCOMPARE(g.draggedTop(-40000), 7365 - 30000);
}

// An image that fits the viewport in a direction does not move in it.
void PreviewGeometryTest::dragLeavesSmallImagesWhereTheyAre()
{
    PreviewGeometry g = withImageBox(5000, 4000);
    g.mDragX = 100;
    g.mDragY = 100;
    for (const float at : {400.0f, 99.0f, 50.0f, -3000.0f}) {
        QCOMPARE(g.draggedLeft(at), 0);
        QCOMPARE(g.draggedTop(at), 0);
    }
    g = withImageBox(9270, 20000); // as wide as the inner area, taller
    g.imageBox.moveTop(-100);
    g.mDragX = g.mDragY = 100;
    QCOMPARE(g.draggedLeft(50), 0);
    QCOMPARE(g.draggedTop(50), -150);
}

void PreviewGeometryTest::mouseUpPercentages()
{
    PreviewGeometry g = withImageBox(9270 + 10000, 7365 + 2000);
    g.imageBox.moveTo(-5000, -505);
    QCOMPARE(g.horizontalPercent().value_or(NoPercent), 50);
    QCOMPARE(g.verticalPercent().value_or(NoPercent), 25); // 25.25

    // Dragged as far as it goes: 100 in both directions, the bars' ends.
    g.imageBox.moveTo(9270 - g.imageBox.width(), 7365 - g.imageBox.height());
    QCOMPARE(g.horizontalPercent().value_or(NoPercent), 100);
    QCOMPARE(g.verticalPercent().value_or(NoPercent), 100);

    g = withImageBox(9270, 5000);
    QVERIFY(!g.horizontalPercent());
    QCOMPARE(g.verticalPercent().value_or(NoPercent), 0);
    g.imageBox.moveTo(0, 7365 - 5000);
    QVERIFY(g.verticalPercent().value_or(0) < 0);
}

void PreviewGeometryTest::scrollbarByPercent_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("value");
    QTest::newRow("half") << 100 << 50 << 50;
    QTest::newRow("all") << 100 << 100 << 100;
    QTest::newRow("none") << 100 << 0 << 0;
    QTest::newRow("past the end") << 100 << 101 << 7;
    QTest::newRow("negative") << 100 << -1 << 7;
    QTest::newRow("5.5 to even") << 11 << 50 << 6;
    QTest::newRow("6.5 to even") << 13 << 50 << 6;
}

void PreviewGeometryTest::scrollbarByPercent()
{
    QFETCH(int, maximum);
    QFETCH(int, percent);
    QFETCH(int, value);
    PreviewGeometry g = withImageBox(20000, 20000);
    g.SetupScrollbars();
    g.hBar.maximum = maximum;
    g.vBar.maximum = maximum;
    g.setHScrollValue(7);
    g.setVScrollValue(7);

    g.SetHScrollbarByPercent(percent);
    g.SetVScrollbarByPercent(percent);
    QCOMPARE(g.hBar.value, value);
    QCOMPARE(g.vBar.value, value);
    QCOMPARE(g.imageBox.topLeft(), QPoint(-10 * value, -10 * value));
}

void PreviewGeometryTest::releaseAtTheFarEndSettlesOnTheBar()
{
    // 30,000 twips past the viewport's inner area: dragged to the far edge,
    // the bar goes to its end, which shows that edge.
    PreviewGeometry g = withImageBox(9270 + 30000, 5000);
    g.SetupScrollbars();
    g.mDragX = 0;
    g.imageBox.moveLeft(g.draggedLeft(-100000));
    QCOMPARE(g.imageBox.left(), -30000);
    g.SetHScrollbarByPercent(g.horizontalPercent().value_or(NoPercent));
    QCOMPARE(g.hBar.value, 3000);
    QCOMPARE(g.imageBox.left(), -30000);
}

QTEST_MAIN(PreviewGeometryTest)
#include "PreviewGeometry_test.moc"

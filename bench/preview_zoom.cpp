// The preview window with the picture of a 200-item list (1130 x 4200
// pixels): a zoom through the whole range, each step drawn into the viewport,
// and one repaint of the viewport at 3.0 with the image scrolled to its far
// corner. The peak memory shows that zooming keeps no zoomed copy.

#include "BenchSupport.h"

#include "preview/Form2.h"
#include "support/Headless.h"
#include "support/PreviewControls.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>

namespace {

QImage listPicture()
{
    QImage picture(1130, 4200, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (int y = 0; y < picture.height(); y += 21)
        painter.drawLine(0, y, picture.width(), y);
    return picture;
}

void zoomThroughTheRange(Form2& form)
{
    const PreviewControls c(form);
    for (int i = 0; i < 8; ++i) {
        form.PushButton1_Click();
        c.Picture2->grab();
    }
    for (int i = 0; i < 11; ++i) {
        form.PushButton2_Click();
        c.Picture2->grab();
    }
}

} // namespace

int main(int argc, char** argv)
{
    support::prepareHeadless();
    QApplication app(argc, argv);
    Form2 form;
    form.Form_Load();
    const PreviewControls c(form);
    form.showResult(listPicture(), QString());
    form.Form_Activate();

    bench::measure("preview zoom 1.0-3.0-0.25, 200 items", 5, [&] { form.SetZoom(1.0f); },
                   [&] { zoomThroughTheRange(form); });
    bench::measure(
        "preview repaint at 3.0, far corner, 200 items", 20,
        [&] {
            form.SetZoom(3.0f);
            c.HScroll1->setValue(c.HScroll1->maximum());
            c.VScroll1->setValue(c.VScroll1->maximum());
        },
        [&] { c.Picture2->grab(); });
    return 0;
}

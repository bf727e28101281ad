#include "app/AppWindows.h"

#include "preview/Form2.h"
#include "shell/Services.h"
#include "workbook/SheetBands.h"
#include "workbook/TempNames.h"

#include <utility>

AppWindows::AppWindows() : m_main(*this)
{
    // Queued: the preview shows its snapshot at once, and the rest a moment
    // later, when the run's handler is done.
    QObject::connect(&m_main, &Form1::generationRunEnded, &m_main, [this] { showRestOfSheet(); },
                     Qt::QueuedConnection);
}

AppWindows::~AppWindows() = default;

bool AppWindows::start()
{
    TempNames::removeLeftovers();
    m_main.Form_Load();
    if (shell::Services::applicationEnded())
        return false;
    m_main.show();
    m_started = true;
    return true;
}

void AppWindows::endUnattended()
{
    if (m_ending)
        return; // a second request while the first is stored
    m_ending = true;
    if (!m_started) {
        shell::Services::current().endApplication();
        return;
    }
    m_whenStoreFails = records::WhenStoreFails::KeepList;
    if (m_preview && m_preview->isVisible()) {
        m_preview->close();
        return;
    }
    m_main.Form_QueryUnload(m_whenStoreFails);
    shell::Services::current().endApplication();
}

void AppWindows::bringForward()
{
    QWidget* shown = m_preview && m_preview->isVisible() ? static_cast<QWidget*>(m_preview.get()) : &m_main;
    if (!m_started || !shown->isVisible())
        return;
    shown->setWindowState(shown->windowState() & ~Qt::WindowMinimized);
    shown->raise();
    shown->activateWindow();
}

Form2& AppWindows::preview()
{
    if (!m_preview) {
        m_preview = std::make_unique<Form2>();
        QObject::connect(m_preview.get(), &Form2::backToMainWindow, &m_main, &QWidget::show);
        QObject::connect(m_preview.get(), &Form2::closing, &m_main,
                         [this] { m_main.Form_QueryUnload(m_whenStoreFails); });
        m_preview->Form_Load();
    }
    return *m_preview;
}

void AppWindows::setMainWindowPointer(MousePointer kind) { m_main.setMousePointer(kind); }

// The snapshot shows the first part of the sheet at once. Once the run is
// over, the workbook gives the rest, band by band, from an instance of the
// spreadsheet application of the preview's own.
void AppWindows::showPreview(const InventoryList::Generated& made)
{
    preview().showResult(made.picture, made.workbookPath);
    if (!made.picture.isNull())
        m_restToShow = made;
}

void AppWindows::showRestOfSheet()
{
    const std::optional<InventoryList::Generated> made = std::exchange(m_restToShow, std::nullopt);
    Form2* window = loadedPreview();
    if (!made || !window || !window->isVisible() || window->excelFile() != made->workbookPath
        || window->picture().isNull())
        return; // gone back already, or on the way back
    auto bands = std::make_shared<SheetBands>(made->workbookPath);
    if (const std::optional<shell::PictureBands::Layout> layout = bands->layout(made->picture.size())) {
        window->setPrinting(bands);
        window->showBands(std::move(bands), *layout);
    }
}

void AppWindows::hideMainWindow() { m_main.hide(); }

#include "app/AppWindows.h"

#include "preview/Form2.h"
#include "shell/Services.h"

AppWindows::AppWindows() : m_main(*this) {}

AppWindows::~AppWindows() = default;

bool AppWindows::start()
{
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

void AppWindows::showPreview(const InventoryList::Generated& made)
{
    Form2& window = preview();
    window.Picture1->setPicture(made.picture);
    window.mExcelFile = made.workbookPath;
    window.show();
}

void AppWindows::hideMainWindow() { m_main.hide(); }

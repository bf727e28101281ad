#include "app/AppWindows.h"

#include "preview/Form2.h"

AppWindows::AppWindows() : m_main(*this) {}

AppWindows::~AppWindows() = default;

Form2& AppWindows::preview()
{
    if (!m_preview) {
        m_preview = std::make_unique<Form2>();
        QObject::connect(m_preview.get(), &Form2::backToMainWindow, &m_main, &QWidget::show);
        QObject::connect(m_preview.get(), &Form2::closing, &m_main, &Form1::Form_QueryUnload);
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

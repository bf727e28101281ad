#pragma once

#include "app/Form1.h"
#include "workbook/InventoryList.h"

#include <memory>
#include <optional>

class Form2;

// The two windows of the program and what passes between them. The main
// window's generation run hands what it made to the preview, which is loaded
// when first needed; the preview's "< Back" shows the main window again, and
// closing the preview stores the main window's list. Neither window knows
// the other.
class AppWindows final : public InventoryList::RunWindows {
public:
    AppWindows();
    ~AppWindows() override;

    // The start-up: removes the temporary workbooks that runs which never
    // ended left behind, loads the main window and shows it, unless the load
    // ended the application. False when it did.
    bool start();
    // Ends the program with nobody to ask (the session ends, the program is
    // told to stop): the window that is shown closes as the user would close
    // it, and a store that fails keeps the list in the recovery file. Before
    // the start-up is through nothing has changed, and nothing is stored.
    void endUnattended();

    // Another start asked for the window: the one that is shown comes to
    // the front.
    void bringForward();

    Form1& main() { return m_main; }
    // The preview window; referring to it while it is not loaded loads it,
    // which runs its load handler first.
    Form2& preview();
    // The preview window when it is loaded, else nullptr.
    Form2* loadedPreview() const { return m_preview.get(); }

    void setMainWindowPointer(MousePointer kind) override;
    void showPreview(const InventoryList::Generated& made) override;
    void hideMainWindow() override;

private:
    // Once a run is over, the preview shows the rest of its sheet.
    void showRestOfSheet();

    Form1 m_main;
    std::unique_ptr<Form2> m_preview;
    std::optional<InventoryList::Generated> m_restToShow;
    bool m_started = false;
    bool m_ending = false;
    records::WhenStoreFails m_whenStoreFails = records::WhenStoreFails::Ask;
};

#include "app/Form1.h"

#include "app/ItemFiles.h"
#include "app/TextBox.h"
#include "core/Error.h"
#include "records/Fields.h"
#include "records/ListHistory.h"
#include "records/ListView.h"
#include "records/RecordStore.h"
#include "shell/Main.h"
#include "shell/Options.h"
#include "shell/Services.h"
#include "shell/Trace.h"
#include "shell/Twips.h"
#include "shell/WindowChrome.h"
#include "workbook/Excel1.h"
#include "workbook/IsInstalled.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>

#include <algorithm>

// The application icon lives in the resources of the application library.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace {

const QString kHelpText = QStringLiteral("Questions? Please contact Team Tallowind at ")
    + QStringLiteral("https://www.tallowind.com/contact");

// The client area in twips.
constexpr int ClientWidth = 8040;
constexpr int ClientHeight = 7980;

// Where a label and its text box sit inside the frame, in twips.
struct FieldPlace {
    int labelLeft, labelTop, labelWidth;
    int boxLeft, boxTop, boxWidth;
};
constexpr int LabelHeight = 225;
constexpr int BoxHeight = 345;

// In InventoryRecord order.
constexpr FieldPlace kFieldPlaces[InventoryRecord::FieldCount] = {
    {270, 315, 1035, 2100, 270, 5445},   {270, 810, 540, 2100, 765, 5445},    {270, 1260, 1020, 2085, 1215, 5445},
    {270, 1710, 870, 2100, 1665, 1545},  {3870, 1710, 1485, 5925, 1665, 1600}, {270, 2205, 1230, 2100, 2160, 1545},
    {3870, 2205, 1860, 5925, 2160, 1600}, {270, 2700, 1680, 2100, 2655, 1545}, {3870, 2700, 1215, 5925, 2655, 1600},
};

void placeAt(QWidget* w, const QRect& twipsRect)
{
    twips::place(w, twipsRect.x(), twipsRect.y(), twipsRect.width(), twipsRect.height());
}

void paintWhite(QWidget* w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::Button, Qt::white);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// The label beside a text box: as wide as laid out, or as its text where the
// font it is shown in sets the text wider (Arial's stand-ins do), up to the
// left edge of its box. Where even that is too narrow, the text is set
// condensed to fit. Place, font family, size and alignment stay as laid out.
class FieldLabel final : public QLabel {
public:
    using QLabel::QLabel;

    // Fits the label, placed as laid out, between its place and its box.
    void fitBefore(const QWidget* box)
    {
        m_laidOutWidth = width();
        m_widest = std::max(m_laidOutWidth, box->x() - x());
        fit();
    }

protected:
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange && m_widest > 0)
            fit();
    }

private:
    int textWidth(int stretch) const
    {
        QFont set = font();
        set.setStretch(stretch);
        const QFontMetrics metrics(set);
        return std::max(metrics.horizontalAdvance(text()), metrics.boundingRect(text()).right() + 1);
    }

    void fit()
    {
        const int wanted = textWidth(QFont::Unstretched);
        resize(std::clamp(wanted, m_laidOutWidth, m_widest), height());
        int stretch = QFont::Unstretched;
        if (wanted > m_widest) {
            stretch = std::max(50, QFont::Unstretched * m_widest / wanted);
            while (stretch > 50 && textWidth(stretch) > m_widest)
                --stretch;
        }
        if (font().stretch() == stretch)
            return;
        // Only the stretch is the label's own; the rest follows the window.
        QFont condensed;
        if (stretch != QFont::Unstretched)
            condensed.setStretch(stretch);
        setFont(condensed);
    }

    int m_laidOutWidth = 0;
    int m_widest = 0;
};

} // namespace

Form1::Form1(InventoryList::RunWindows& runWindows, QWidget* parent)
    : QWidget(parent), m_items(new ListItems(this)), m_kept(new records::KeptList(*m_items, this)),
      m_runWindows(runWindows), m_history(new ListHistory(*m_items, this))
{
    initResources();
    setObjectName(QStringLiteral("Form1"));
    chrome::frameWindow(this, ClientWidth, ClientHeight);
    paintWhite(this);
    createControls();
    m_editor = std::make_unique<RecordEditor>(*ListView1, m_textBoxes, SelectedInventoryID);
    setTabOrder();
    connectHandlers();
    createActions();
    nameForReaders();
    watchMouseMoves();
    m_textBoxes[InventoryRecord::InventoryID]->setFocus();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    PushButton1 = createButton(this, "PushButton1", QStringLiteral("Start Creating Template"), {120, 120, 7800, 400});
    PushButton6 = createButton(this, "PushButton6", QStringLiteral("Help"), {120, 630, 3840, 405});
    PushButton7 = createButton(this, "PushButton7", QStringLiteral("Load Sample/Example Data"), {4080, 630, 3840, 405});
    Frame5 = new QGroupBox(QStringLiteral("Fields To Fill"), this);
    Frame5->setObjectName(QStringLiteral("Frame5"));
    paintWhite(Frame5);
    placeAt(Frame5, {120, 1095, 7800, 3690});
    createFrameControls();
    ListView1 = new ListView(m_items, this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    placeAt(ListView1, {120, 4890, 7800, 2490});
    PushButton3 = createButton(this, "PushButton3", QStringLiteral("Delete Selected Record"), {120, 7470, 7800, 405});
}

void Form1::createFrameControls()
{
    m_textBoxes = createTextBoxes();
    PushButton2 = createButton(Frame5, "PushButton2", QStringLiteral("Create New"), {240, 3105, 3600, 405});
    PushButton4 = createButton(Frame5, "PushButton4", QStringLiteral("Save Record"), {3945, 3105, 3600, 405});
}

RecordEditor::TextBoxes Form1::createTextBoxes()
{
    RecordEditor::TextBoxes boxes{};
    for (int field = 0; field < InventoryRecord::FieldCount; ++field) {
        const records::FieldInfo& info = records::Fields[std::size_t(field)];
        const FieldPlace& place = kFieldPlaces[field];
        auto* label = new FieldLabel(QLatin1String(info.label), Frame5);
        label->setObjectName(QLatin1String("lbl") + QLatin1String(info.textBox + 3));
        paintWhite(label);
        placeAt(label, {place.labelLeft, place.labelTop, place.labelWidth, LabelHeight});
        if (field == InventoryRecord::Discontinued)
            label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        auto* box = new TextBox(Frame5);
        box->setObjectName(QLatin1String(info.textBox));
        placeAt(box, {place.boxLeft, place.boxTop, place.boxWidth, BoxHeight});
        label->fitBefore(box);
        label->setBuddy(box);
        boxes[std::size_t(field)] = box;
    }
    return boxes;
}

QPushButton* Form1::createButton(QWidget* parent, const char* name, const QString& caption, const QRect& twipsRect)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(chrome::arialBold(chrome::ButtonPoints));
    paintWhite(button);
    placeAt(button, twipsRect);
    return button;
}

void Form1::setTabOrder()
{
    QList<QWidget*> order(m_textBoxes.begin(), m_textBoxes.end());
    order << ListView1 << PushButton1 << PushButton2 << PushButton4 << PushButton6 << PushButton7 << PushButton3;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void Form1::connectHandlers()
{
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, [this] { m_editor->PushButton2_Click(); });
    const auto deleteRecord = [this] { recorded(&RecordEditor::PushButton3_Click, QStringLiteral("Delete %1")); };
    const auto saveRecord = [this] { recorded(&RecordEditor::PushButton4_Click, QStringLiteral("Save %1")); };
    connect(PushButton3, &QPushButton::clicked, this, deleteRecord);
    connect(PushButton4, &QPushButton::clicked, this, saveRecord);
    connect(PushButton6, &QPushButton::clicked, this, [this] { PushButton6_Click(); });
    connect(PushButton7, &QPushButton::clicked, this,
            [this] { recorded(&RecordEditor::PushButton7_Click, QStringLiteral("Load Sample Data")); });
    connect(ListView1, &ListView::Click, this, [this] { m_editor->ListView1_Click(); });
    // The keys people expect: Enter in a box saves, Delete in the list deletes.
    connect(ListView1, &ListView::deletePressed, this, [this, deleteRecord] {
        if (!m_running)
            deleteRecord();
    });
    for (QLineEdit* box : m_textBoxes)
        connect(box, &QLineEdit::returnPressed, this, [this, saveRecord] {
            if (!m_running)
                saveRecord();
        });
    connect(m_history, &ListHistory::applied, this, [this] { m_editor->listChanged(); });
    connect(m_history, &ListHistory::changed, this, &Form1::updateUndoActions);
    connect(m_history, &ListHistory::outOfStep, this, [](const QString& name) {
        shell::MsgBox(QStringLiteral("The list was changed by another program meanwhile, so \"%1\" cannot be "
                                     "undone or redone; the list is as it was.")
                          .arg(name));
    });
}

void Form1::recorded(void (RecordEditor::*handler)(), const QString& what)
{
    m_history->record([&] { (m_editor.get()->*handler)(); },
                      [&](const ListHistory::Splices& splices) {
                          // The item saved or deleted is the one the change is named after.
                          const ListItems::Splice& s = splices.front();
                          const auto& named = s.inserted.empty() ? s.removed : s.inserted;
                          return what.contains(QLatin1String("%1")) ? what.arg(named.front()[0]) : what;
                      });
}

// The window's shortcuts, and the list's context menu that offers the same.
void Form1::createActions()
{
    const auto action = [this](const QString& text, const QList<QKeySequence>& keys, auto slot) {
        auto* a = new QAction(text, this);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    m_undoAction = action(QStringLiteral("Undo"), {QKeySequence::Undo}, [this] { undoOrRedo(true); });
    m_redoAction = action(QStringLiteral("Redo"),
                          {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
                          [this] { undoOrRedo(false); });
    m_importAction = action(QStringLiteral("Import\u2026"), {QKeySequence(Qt::CTRL | Qt::Key_I)}, [this] {
        if (!m_running)
            importFile(itemfiles::chooseImportFile(this));
    });
    m_exportAction = action(QStringLiteral("Export\u2026"), {QKeySequence(Qt::CTRL | Qt::Key_E)},
                            [this] { itemfiles::exportChosen(this, *m_items); });
    action(QStringLiteral("Create New"), {QKeySequence(Qt::CTRL | Qt::Key_N)}, [this] {
        if (!m_running)
            m_editor->PushButton2_Click();
    });
    updateUndoActions();
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this, &Form1::showListMenu);
    setAcceptDrops(true);
}

void Form1::updateUndoActions()
{
    m_undoAction->setEnabled(m_history->canUndo());
    m_undoAction->setText(m_history->canUndo() ? QStringLiteral("Undo %1").arg(m_history->undoText())
                                               : QStringLiteral("Undo"));
    m_redoAction->setEnabled(m_history->canRedo());
    m_redoAction->setText(m_history->canRedo() ? QStringLiteral("Redo %1").arg(m_history->redoText())
                                               : QStringLiteral("Redo"));
}

void Form1::showListMenu(const QPoint& at)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("ListMenu"));
    menu.addAction(m_undoAction);
    menu.addAction(m_redoAction);
    menu.addSeparator();
    menu.addAction(m_importAction);
    menu.addAction(m_exportAction);
    menu.exec(ListView1->viewport()->mapToGlobal(at));
}

void Form1::undoOrRedo(bool undo)
{
    if (m_running)
        return;
    undo ? m_history->undo() : m_history->redo();
}

void Form1::importFile(const QString& path)
{
    if (m_running || path.isEmpty())
        return;
    itemfiles::importFile(*m_history, *m_items, path);
    m_editor->listChanged();
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!m_running && !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); }))
        event->acceptProposedAction();
}

// Each file dropped is imported on its own, whole or not at all.
void Form1::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    for (const QUrl& url : event->mimeData()->urls())
        importFile(url.toLocalFile());
}

// What a screen reader says: each box is named by its label (its buddy),
// the buttons by their captions, the list by what it holds.
void Form1::nameForReaders()
{
    ListView1->setAccessibleName(QStringLiteral("Inventory items"));
}

// Mouse movement over the buttons shows the hand, over everything else of
// the window the default pointer. A control's own rule decides: a move it
// leaves unhandled must not reach the window's rule as well.
void Form1::watchMouseMoves()
{
    QList<QWidget*> watched{PushButton1, PushButton2, PushButton3, PushButton4, PushButton6, PushButton7,
                            Frame5,      ListView1,   ListView1->viewport()};
    watched.append(QList<QWidget*>(m_textBoxes.begin(), m_textBoxes.end()));
    setMouseTracking(true);
    for (QWidget* w : watched) {
        w->setMouseTracking(true);
        w->setAttribute(Qt::WA_NoMousePropagation);
        w->installEventFilter(this);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl+Z in a box undoes the typing there while there is some to undo,
    // and the list's last change after that; Ctrl+Shift+Z and Ctrl+Y alike.
    if (event->type() == QEvent::ShortcutOverride) {
        if (const auto* box = qobject_cast<QLineEdit*>(watched)) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool undo = key->matches(QKeySequence::Undo);
            const bool redo = key->matches(QKeySequence::Redo) || key->keyCombination() == (Qt::CTRL | Qt::Key_Y);
            if ((undo && !box->isUndoAvailable()) || (redo && !box->isRedoAvailable()))
                return true;
        }
    }
    if (event->type() == QEvent::MouseMove)
        m_pointer.movedOver(this, qobject_cast<QPushButton*>(watched) ? MousePointer::Custom : MousePointer::Default);
    return QWidget::eventFilter(watched, event);
}

void Form1::mouseMoveEvent(QMouseEvent* event)
{
    m_pointer.movedOver(this, MousePointer::Default);
    QWidget::mouseMoveEvent(event);
}

void Form1::showEvent(QShowEvent* event)
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        chrome::centreOnScreen(this);
    }
    QWidget::showEvent(event);
}

void Form1::Form_Load()
{
    shell::Trace t{"Form1", "Form_Load"};
    t.line(100, [&] { Main::ApplySkin(this); });
    t.line(104, [&] {
        setWindowTitle(QLatin1String(Main::ProductName));
        setWindowIcon(QIcon(QStringLiteral(":/quorvale.png")));
        Main::SetApplicationTitle();
    });
    t.line(106, [&] { shell::LockWindowUpdate(this); });
    if (t.test(108, [&] { return Main::FileExists(Main::applicationFile(QStringLiteral("HAND-M.CUR"))); }))
        t.line(110, [&] { m_pointer.loadHand(); });
    t.line(130, [&] { Options::FillWorkbookPalette(); });
    t.line(132, [&] { shell::LockWindowUpdate(nullptr); });
    t.line(134, [&] { repaint(); });
    addListColumns(t);
    const records::Restored restored = records::restoreList(t, *m_items);
    // From here on every change of the list is stored a moment later.
    m_kept->startKeeping(restored.storedText, restored.seen, !restored.recovered);
    t.line(202, [&] { IsInstalled::CheckExcelInstalled(); });
}

void Form1::addListColumns(shell::Trace& t)
{
    for (int field = 0; field < InventoryRecord::FieldCount; ++field)
        t.line(136 + 2 * field,
               [&] { m_items->addColumn(QLatin1String(records::Fields[std::size_t(field)].columnCaption)); });
    for (int field = 0; field < InventoryRecord::FieldCount; ++field)
        t.line(154 + 2 * field,
               [&] { m_items->setColumnWidth(field + 1, records::Fields[std::size_t(field)].columnWidthTwips); });
}

void Form1::Form_QueryUnload(records::WhenStoreFails whenFails)
{
    shell::Trace t{"Form1", "Form_QueryUnload"};
    records::storeList(t, *m_kept, whenFails);
}

// The closing request stores the list and never cancels; the unload then
// ends the application at once.
void Form1::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    event->accept();
    shell::Services::current().endApplication();
}

// One run at a time: a click that arrives while a run lets events through
// (its reports, the forced delete at its end) does nothing.
void Form1::PushButton1_Click()
{
    if (m_running)
        return;
    const QScopedValueRollback running(m_running, true);
    shell::Trace t{"Form1", "PushButton1_Click"};
    bool declined = false;
    t.line(100, [&] { shell::LockWindowUpdate(this); });
    t.line(102, [&] { declined = Excel1::ExcelOpenWarning(); });
    if (!declined) {
        t.line(104, [&] { setMousePointer(MousePointer::Hourglass); });
        t.line(106, [&] { InventoryList::GenerateReport0(m_items->records(), m_runWindows); });
        t.line(108, [&] { setMousePointer(MousePointer::Default); });
    }
    t.line(110, [] { shell::LockWindowUpdate(nullptr); });
    emit generationRunEnded();
}

void Form1::PushButton6_Click()
{
    shell::Trace t{"Form1", "PushButton6_Click"};
    t.line(100, [&] { shell::MsgBox(kHelpText); });
}

#pragma once

#include "automation/Servers.h"
#include "records/Fields.h"
#include "records/ListView.h"
#include "app/AppWindows.h"
#include "app/Form1.h"
#include "support/Headless.h"

#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <memory>

using support::registerIdleSpreadsheet;

// The stored inventory list, read and written the way any other program
// would reach the settings store.
inline QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tallowind"));
}
inline QString storedValue() { return userSettings().value(QStringLiteral("Quorvale/Inventory List")).toString(); }
inline bool hasStoredValue() { return userSettings().contains(QStringLiteral("Quorvale/Inventory List")); }
inline void setStoredValue(const QString& value)
{
    QSettings s = userSettings();
    s.setValue(QStringLiteral("Quorvale/Inventory List"), value);
    s.sync();
}
inline void clearStoredSettings()
{
    QSettings s = userSettings();
    s.clear();
    s.sync();
}

// The main window in a test, driven as a user would drive it: through its
// named controls. It belongs to the program's windows, as main() makes them.
class MainWindow {
public:
    MainWindow() : windows(std::make_unique<AppWindows>()), form(&windows->main()) {}

    // Loads and shows the window as the application does, and makes it the
    // active window so that it has the keyboard focus.
    void start()
    {
        form->Form_Load();
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }

    template <typename T = QWidget>
    T* control(const QString& name) const
    {
        T* w = form->findChild<T*>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QLineEdit* box(int field) const
    {
        return control<QLineEdit>(QLatin1String(records::Fields[std::size_t(field)].textBox));
    }
    QPushButton* button(const char* name) const { return control<QPushButton>(QLatin1String(name)); }
    ListView* list() const { return control<ListView>(QStringLiteral("ListView1")); }

    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    void clickRow(int position) const
    {
        const QModelIndex index = form->items().index(position - 1, 1);
        list()->scrollTo(index);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualRect(index).center());
    }

    void fillBoxes(const QStringList& fields) const
    {
        for (int n = 0; n < InventoryRecord::FieldCount; ++n)
            box(n)->setText(fields.value(n));
    }
    QStringList boxTexts() const
    {
        QStringList texts;
        for (int n = 0; n < InventoryRecord::FieldCount; ++n)
            texts << box(n)->text();
        return texts;
    }
    QStringList row(int position) const
    {
        const InventoryRecord& r = form->items().record(position);
        return QStringList(r.fields.begin(), r.fields.end());
    }
    QStringList ids() const
    {
        QStringList result;
        for (const InventoryRecord& r : form->items().records())
            result << r[InventoryRecord::InventoryID];
        return result;
    }
    // A key pressed in a control, as the keyboard sends it (shortcuts too).
    void press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(w, key, modifiers);
    }
    // A file dragged from a file manager and dropped on the window.
    void drop(const QString& path) const
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPoint at = list()->mapTo(form, list()->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form, &dropped);
    }

    void addItem(const QStringList& fields) const
    {
        const int position = form->items().Add(fields.value(0));
        for (int n = 1; n < InventoryRecord::FieldCount; ++n)
            form->items().setSubItem(position, n, fields.value(n));
    }

    std::unique_ptr<AppWindows> windows;
    Form1* form;
};

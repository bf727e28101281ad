#include "records/RecordStore.h"

#include "core/Error.h"
#include "records/Fields.h"
#include "records/KeptList.h"
#include "records/ListItems.h"
#include "records/RecoveryFile.h"
#include "shell/Services.h"
#include "shell/Trace.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>

#include <cstdio>
#include <optional>

namespace records {

namespace {

// The fields that stored records with fewer fields than a record has lack,
// told in one report rather than one a field.
class MissingFields {
public:
    // Field n of the record at position is missing; line is its step.
    void add(int line, int position, int n)
    {
        if (m_fields++ == 0) {
            m_line = line;
            m_first = QStringLiteral("Stored record %1 has no %2 field.")
                          .arg(position)
                          .arg(QLatin1String(Fields[std::size_t(n)].name));
        }
        if (position != m_lastRecord) {
            m_lastRecord = position;
            ++m_records;
        }
    }

    // One report at the step of the first missing field.
    void report(const shell::Trace& t) const
    {
        if (m_fields == 0)
            return;
        QString text = m_first;
        if (m_fields > 1)
            text = QStringLiteral("%1 In all, %2 stored records lack %3 fields. The missing fields are left empty; "
                                  "every text the records hold was loaded.")
                       .arg(m_first)
                       .arg(m_records)
                       .arg(m_fields);
        shell::ProcedureErrorReport(text, t.path(), m_line);
    }

private:
    int m_fields = 0;
    int m_records = 0;
    int m_lastRecord = 0;
    int m_line = 0;
    QString m_first;
};

QString keptQuestion(const QString& failure)
{
    return QStringLiteral("%1\r\n\r\nClose Quorvale anyway? The list is then kept in %2 and offered back at the "
                          "next start.\r\nChoose No to try again.")
        .arg(failure, QDir::toNativeSeparators(recoveryFilePath()));
}

QString lostQuestion(const QString& failure, const QString& keepFailure)
{
    return QStringLiteral("%1\r\n%2\r\n\r\nClose Quorvale anyway? The changes of this run are then lost.\r\n"
                          "Choose No to try again.")
        .arg(failure, keepFailure);
}

// Stores the list, whose stored form is text. When it cannot, asks whether
// to try again or to close anyway, keeping the list in the recovery file (or
// keeps it there at once when nobody is to be asked), so that closing never
// loses it without the user's word.
void storeOrKeep(KeptList& list, const QString& text, WhenStoreFails whenFails)
{
    QString keepFailure;
    for (;;) {
        QString failure;
        try {
            list.storeNow();
            storedListWritten();
            return;
        } catch (const quorvale::Error& e) {
            failure = e.description();
        }
        // Once the program has been ended (told to stop while this store
        // asked), nobody answers any more.
        if (whenFails == WhenStoreFails::KeepList || shell::Services::applicationEnded()) {
            try {
                writeRecoveryFile(text);
            } catch (const quorvale::Error& e) {
                // No box may hold up the end of a session: standard error is
                // what is left to tell.
                std::fprintf(stderr, "%s\n%s\n", qPrintable(failure), qPrintable(e.description()));
            }
            return;
        }
        const QString question = keepFailure.isEmpty() ? keptQuestion(failure) : lostQuestion(failure, keepFailure);
        if (shell::MsgBox(question, shell::MessageButtons::YesNo) != shell::MessageAnswer::Yes)
            continue;
        if (!keepFailure.isEmpty())
            return; // the user closes, knowing the changes are lost
        try {
            writeRecoveryFile(text);
            return;
        } catch (const quorvale::Error& e) {
            keepFailure = e.description();
        }
    }
}

// Step 172 of the restore, after the stored value is read: a list kept in
// the recovery file when a close could not store it is offered back, and
// replaces the stored text when the user takes it. It is offered at every
// start until the user answers, whatever stored the list in between; a list
// the user turns down is put aside, not offered again.
bool offerRecoveredList(QString& stored)
{
    const std::optional<RecoveredList> recovered = recoveredListToOffer();
    if (!recovered)
        return false;
    const QString question =
        QStringLiteral("When Quorvale last closed, the inventory list could not be saved, and it was kept in %1 "
                       "(%2).\r\n\r\nLoad that list instead of the stored one?\r\nChoose No to keep the stored list.")
            .arg(QDir::toNativeSeparators(recoveryFilePath()),
                 QLocale().toString(recovered->written, QLocale::ShortFormat));
    if (shell::MsgBox(question, shell::MessageButtons::YesNo) != shell::MessageAnswer::Yes) {
        putRecoveredListAside();
        return false;
    }
    stored = recovered->text;
    noteRecoveredListLoaded();
    return true;
}

} // namespace

void storeList(shell::Trace& t, KeptList& list, WhenStoreFails whenFails)
{
    const ListItems& items = list.items();
    QString text;
    t.line(100, [&] { text.clear(); });
    int count = 0;
    t.line(102, [&] { count = items.Count(); });
    for (int position = 1; position <= count; ++position)
        t.line(104, [&] { appendStoredRecord(text, items.record(position)); });
    t.line(108, [&] { storeOrKeep(list, text, whenFails); });
}

namespace {

// Steps 180 to 198 of the restore: one stored record, its fields read where
// they lie in it.
void restoreRecord(shell::Trace& t, ListItems::Batch& restored, QStringView record, MissingFields& missing)
{
    QList<QStringView> fields;
    t.line(180, [&] { fields = piecesBetween(record, QLatin1String(FieldSeparator), InventoryRecord::FieldCount); });
    int position = 0;
    t.line(182, [&] { position = restored.Add(fields.value(0).toString()); });
    for (int n = 1; n < InventoryRecord::FieldCount; ++n) {
        const int line = 182 + 2 * n;
        t.line(line, [&] {
            if (n < fields.size())
                restored.setSubItem(position, n, fields[n].toString());
            else
                missing.add(line, position, n);
        });
    }
}

} // namespace

Restored restoreList(shell::Trace& t, ListItems& items, RecoveredListOffer offer)
{
    Restored restored;
    QString stored;
    restored.seen = settingsFileIdentity();
    t.line(172, [&] {
        StoredValue value = readStoredValue();
        stored = std::move(value.text);
        restored.storedText = stored;
        if (!value.fault.isEmpty())
            throw quorvale::Error(value.fault);
    });
    if (offer == RecoveredListOffer::Offer)
        t.line(172, [&] { restored.recovered = offerRecoveredList(stored); });
    // The records are read where they lie in the stored text.
    QList<QStringView> pieces;
    t.line(174, [&] { pieces = piecesBetween(stored, QLatin1String(RecordSeparator)); });
    qsizetype last = -1;
    t.line(176, [&] { last = pieces.size() - 1; });
    MissingFields missing;
    {
        ListItems::Batch batch(items);
        for (qsizetype i = 0; i <= last; ++i)
            if (t.test(178, [&] { return !pieces[i].isEmpty(); }))
                restoreRecord(t, batch, pieces[i], missing);
    }
    missing.report(t);
    return restored;
}

} // namespace records

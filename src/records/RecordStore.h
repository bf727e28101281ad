#pragma once

#include "records/SettingsFile.h"
#include "records/StoredText.h"

#include <QString>

class ListItems;
struct InventoryRecord;

namespace shell {
class Trace;
}

// The record list between runs: the store of the close and the restore of
// the start, as numbered steps of the window's procedures.
namespace records {

class KeptList;

// What the store does when the settings store cannot take the list.
enum class WhenStoreFails {
    // Asks whether to try again or to close anyway; closing anyway keeps the
    // list in the recovery file, which the question names.
    Ask,
    // Nobody is there to ask (the session ends, the program is told to
    // stop): the list goes to the recovery file at once.
    KeepList,
};

// The store of the closing request, as its steps 100 to 108 of t: the list
// is stored at once, taking in what another program stored meanwhile.
void storeList(shell::Trace& t, KeptList& list, WhenStoreFails whenFails = WhenStoreFails::Ask);

// Whether the restore offers a list kept in the recovery file: the window
// does, and a command leaves the file for the window.
enum class RecoveredListOffer { Offer, Leave };

// What the restore read: the stored text, the settings file as it was just
// before (settingsFileIdentity()), and whether the list of the recovery file
// was taken in its place.
struct Restored {
    QString storedText;
    QString seen;
    bool recovered = false;
};

// The restore of the start-up sequence, as its steps 172 to 200 of t: appends
// the stored records to items, or those of the recovery file when the user
// takes that up. What is wrong with the stored value as a whole is a fault
// of step 172, after which the records that could be read are still
// restored. Missing fields of records stay empty and are reported once, at
// the step of the first, with how many records and fields lack.
Restored restoreList(shell::Trace& t, ListItems& items, RecoveredListOffer offer = RecoveredListOffer::Offer);

} // namespace records

#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The recovery file: where the list goes when the settings store cannot take
// it at the close, so nothing typed is lost. A plain UTF-8 text file in the
// stored form, in the user's data folder. The window offers it back at every
// start until the user answers, whatever stored the list in between.
namespace records {

QString recoveryFilePath();

// Writes text to the recovery file, whole or not at all. Throws
// quorvale::Error, naming the file and the reason, when it cannot.
void writeRecoveryFile(const QString& text);

// The list in the recovery file, which the start offers back.
struct RecoveredList {
    QString text;
    QDateTime written;
};
// The recovered list when there is one to offer; reading it fails with a
// quorvale::Error.
std::optional<RecoveredList> recoveredListToOffer();
// Whether a recovered list waits to be offered.
bool recoveredListWaiting();
// The user turned the recovered list down: it is not offered again, and
// stays beside it as "inventory-list-turned-down.txt" until the next list
// is turned down.
void putRecoveredListAside();

// The list of this run came from the recovery file: once it is stored, the
// file has served and goes.
void noteRecoveredListLoaded();
// The list has been stored.
void storedListWritten();

} // namespace records

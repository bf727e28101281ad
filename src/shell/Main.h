#pragma once

#include "shell/Title.h"

#include <QString>

class QWidget;

// The common procedures of the Main module. None of them shows a message or
// lets an error reach its caller.
namespace Main {


// True when the modification time of the file at path can be read; false for
// an empty or malformed path, a path with wildcards, a missing file, no access.
bool FileExists(const QString& path);

// Deletes the file at path, silently: first the ordinary way, then, if that
// failed, a forced delete through "Scripting.FileSystemObject". Lets pending
// window events run once before the file work.
void DeleteFileForced(const QString& path);

// Gives window and its option buttons, check boxes, frames and labels the
// system button-face colour.
void SetFormColours(QWidget* window);

// Applies the optional skin "x/o.cjs" in the application's folder to the main
// window. No skinning component is available here, so the skin file counts
// as absent and the window keeps its designed colours.
void ApplySkin(QWidget* mainWindow);


// The application's folder followed by name ("HAND-M.CUR", "x/o.cjs").
QString applicationFile(const QString& name);

} // namespace Main

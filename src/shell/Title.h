#pragma once

#include <QString>

// The application title of the message boxes, part of the common procedures
// of the Main module.
namespace Main {

// The product display name.
inline constexpr char ProductName[] = "Quorvale";

// Sets the application title from the product display name.
void SetApplicationTitle();
// The title made from a display name: words are cut from the end, at least
// once, until it is 40 characters or shorter; a name without a space is kept.
QString trimmedApplicationTitle(const QString& displayName);
// The title set by SetApplicationTitle (the display name before it runs).
QString applicationTitle();

} // namespace Main

#pragma once

#include <QPalette>
#include <QVariant>
#include <optional>

// Light or dark as the desktop publishes it. The look decides dark from the palette; where the
// desktop publishes a colour scheme (the portal's "color-scheme"), the application's palette
// follows it: a dark palette for dark, the palette it started with otherwise.
namespace quorvale::colourscheme {

// Whether a published colour-scheme value asks for dark (1) or light (2); none for no preference
// (0) or a value this version does not know.
std::optional<bool> prefersDark(const QVariant &value);

// A dark palette: light text on dark windows, in the look's greys.
QPalette darkPalette();

// Makes the application dark, or gives it back the palette it had when it was first asked.
void apply(std::optional<bool> dark);

// Reads the desktop's colour scheme now and keeps following its changes. Called once at start-up.
void followDesktop();

} // namespace quorvale::colourscheme

#pragma once

#include <QString>

class GlowButton;
class QWidget;

// The stored settings of the window's buttons: a window-definition resource with one entry per
// button, read through the button's property bag when the button is created.

// The definition text as the resource holds it.
QString WindowDefinitionText();
// Gives `button` the stored settings of the entry named like its objectName (run mode, hover
// hook installed); false when the definition has no such entry.
bool LoadStoredSettings(GlowButton &button);
// Gives `button` the stored settings of the entry named `entry`, so that a button of another
// window looks like that one of the main window; false when the definition has no such entry.
bool LoadStoredSettingsOf(GlowButton &button, const QString &entry);
// The definition written back from the buttons of `window`, in the definition's order.
QString WriteStoredSettings(const QWidget &window);

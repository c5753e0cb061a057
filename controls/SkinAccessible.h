#pragma once

// What a screen reader learns of the program's own painted controls (skin buttons, skin check
// boxes, calculator keys): role push button or check box, the caption as name (the hint where
// a picture button has none), the hint as description, the true enabled and checked state, the
// focus, and a press action. Installed once as the application starts.
void InstallSkinAccessibility();

// A caption as read aloud: "Haushaltsbuch#erstellen" → "Haushaltsbuch erstellen", "&Ja" → "Ja".
class QString;
QString SpokenCaption(const QString &caption);

#pragma once

// The program's windows name the fonts of their original look ("MS Sans Serif", "Tahoma",
// "Arial"); map them once at start-up to faces installed here with close metrics.
void RegisterFontSubstitutions();

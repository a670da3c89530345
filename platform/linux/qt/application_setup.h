#pragma once

class QApplication;

namespace talo::qt {

// Gives the application the classic look the window is laid out for (Qt's "Windows" style:
// group box titles in the frame line, sunken edits, no visual styles) and Qt's German
// translation for the standard button texts ("Ja", "Nein"). Call before creating any widget.
// Returns false when the German translation cannot be loaded.
bool prepareApplication(QApplication& app);

}  // namespace talo::qt

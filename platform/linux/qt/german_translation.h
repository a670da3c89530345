#pragma once

class QCoreApplication;

namespace talo::qt {

// Installs Qt's own German translation (standard button texts such as "Ja", "Nein",
// "Abbrechen") into `app`. Returns false when the translation file cannot be loaded; the
// buttons then keep Qt's English texts.
bool installGermanTranslation(QCoreApplication& app);

}  // namespace talo::qt

#pragma once

class QCoreApplication;

// Makes Qt's own dialogs and buttons (the competition choice's "Annuller",
// the print and file dialogs) speak Danish like the rest of the station,
// whatever language the computer is set to. Loads Qt's Danish translation
// from Qt's translation folder into `app`; false when it is not installed
// (then those texts stay English).
bool installDanishQtTranslation(QCoreApplication &app);

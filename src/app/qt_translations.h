#pragma once

class QCoreApplication;
class QLocale;
class QTranslator;

// Qt's own dialogs and buttons (print preview, print dialog, standard buttons, edit menus) in
// the user's language: loads the translations of Qt's base module that the system installs
// for the locale (Debian: qt6-translations-l10n) and hands them to the application.
//
// Returns the translator, owned by the application, or null when the system has no
// translation for the locale (English then, Qt's own language).
QTranslator* InstallQtTranslations(QCoreApplication& application, const QLocale& locale);

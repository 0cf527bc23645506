#pragma once

// Qt's own texts (standard dialogs, print preview, command-line help) in
// Russian, from the translations Qt installs (Debian: qt6-translations-l10n).

#include <QTranslator>

#include <memory>

namespace tals {

// Installs qtbase_ru into the application; null when the translation is
// missing. The translation stays in force while the returned object lives.
std::unique_ptr<QTranslator> InstallQtTranslation();

} // namespace tals

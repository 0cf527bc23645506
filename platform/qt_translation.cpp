#include "platform/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace tals {

std::unique_ptr<QTranslator> InstallQtTranslation()
{
    auto translator = std::make_unique<QTranslator>();
    if (!QCoreApplication::instance() ||
        !translator->load(QStringLiteral("qtbase_ru"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

} // namespace tals

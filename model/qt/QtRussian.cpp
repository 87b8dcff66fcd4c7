#include "QtRussian.h"

#include <QLibraryInfo>
#include <QLocale>

namespace vell {

std::unique_ptr<QTranslator> LoadRussianQtTexts() {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}

} // namespace vell

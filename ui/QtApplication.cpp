#include "QtApplication.h"

#include <QApplication>
#include <QIcon>
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

std::unique_ptr<QTranslator> SetUpApplication(const QString& name, const QString& desktopId) {
    QApplication::setApplicationName(name);
    // The icon is built in as well, for a program started from the build tree.
    QApplication::setDesktopFileName(desktopId);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(desktopId)));
    auto qtTexts = LoadRussianQtTexts();
    if (qtTexts) QApplication::installTranslator(qtTexts.get());
    return qtTexts;
}

} // namespace vell

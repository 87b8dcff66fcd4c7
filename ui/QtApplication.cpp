#include "ui/QtApplication.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>

namespace vell {

namespace {

// Qt 6 asks for the file dialog's kinds of entry ("Folder", "%1 File", ...) under the icon
// provider's new name, which the system's Russian translation does not know yet; it holds the
// same words under the file dialog's own name, so they are looked up there.
class TRussianQtTexts : public QTranslator {
  public:
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        QString text = QTranslator::translate(context, source, disambiguation, n);
        if (text.isEmpty() && context && qstrcmp(context, "QAbstractFileIconProvider") == 0)
            text = QTranslator::translate("QFileDialog", source, disambiguation, n);
        return text;
    }
};

} // namespace

std::unique_ptr<QTranslator> LoadRussianQtTexts() {
    auto translator = std::make_unique<TRussianQtTexts>();
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}

TProgramLanguage::TProgramLanguage(TLanguage language) : Chosen(language) {
    if (language == TLanguage::Russian) {
        // Our texts are Russian already; Qt's come from the system's translations.
        QtTexts = LoadRussianQtTexts();
        return;
    }
    // Qt's own texts are English without a translation.
    English = std::make_unique<TEnglishTexts>();
}

TProgramLanguage::~TProgramLanguage() = default;

void TProgramLanguage::Install() {
    if (QtTexts) QApplication::installTranslator(QtTexts.get());
    if (English && English->Translator()) QApplication::installTranslator(English->Translator());
}

void SetUpApplication(const QString& name, const QString& desktopId, TProgramLanguage& language) {
    QApplication::setApplicationName(name);
    // The icon is built in as well, for a program started from the build tree.
    QApplication::setDesktopFileName(desktopId);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(desktopId)));
    language.Install();
}

} // namespace vell

#include "ui/QtApplication.h"

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

namespace {

// The translation the core's translate() reads; one program has one language.
const QTranslator* CoreTexts = nullptr;

std::string TranslateWithQt(const char* context, const char* text) {
    if (!CoreTexts) return {};
    return CoreTexts->translate(context, text).toStdString();
}

} // namespace

TProgramLanguage::TProgramLanguage(TLanguage language) : Chosen(language) {
    if (language == TLanguage::Russian) {
        // Our texts are Russian already; Qt's come from the system's translations.
        QtTexts = LoadRussianQtTexts();
        return;
    }
    // Qt's own texts are English without a translation.
    Texts = std::make_unique<QTranslator>();
    if (!Texts->load(QStringLiteral(":/i18n/vell_en.qm"))) {
        Texts.reset();
        return;
    }
    CoreTexts = Texts.get();
    SetTranslator(TranslateWithQt);
}

TProgramLanguage::~TProgramLanguage() {
    if (Texts && CoreTexts == Texts.get()) {
        SetTranslator(nullptr);
        CoreTexts = nullptr;
    }
}

void TProgramLanguage::Install() {
    if (QtTexts) QApplication::installTranslator(QtTexts.get());
    if (Texts) QApplication::installTranslator(Texts.get());
}

void SetUpApplication(const QString& name, const QString& desktopId, TProgramLanguage& language) {
    QApplication::setApplicationName(name);
    // The icon is built in as well, for a program started from the build tree.
    QApplication::setDesktopFileName(desktopId);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(desktopId)));
    language.Install();
}

} // namespace vell

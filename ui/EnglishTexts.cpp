// The programs' English texts as the core's translator.
#include "ui/EnglishTexts.h"

#include "model/Texts.h"

#include <QTranslator>

namespace vell {

namespace {

// The translation the core's translate() reads; one program has one language.
const QTranslator* CoreTexts = nullptr;

std::string TranslateWithQt(const char* context, const char* text) {
    if (!CoreTexts) return {};
    return CoreTexts->translate(context, text).toStdString();
}

std::string TranslateCountWithQt(const char* context, const char* text, int n) {
    if (!CoreTexts) return {};
    return CoreTexts->translate(context, text, nullptr, n).toStdString();
}

} // namespace

TEnglishTexts::TEnglishTexts() : Texts(std::make_unique<QTranslator>()) {
    if (!Texts->load(QStringLiteral(":/i18n/vell_en.qm"))) {
        Texts.reset();
        return;
    }
    CoreTexts = Texts.get();
    SetTranslator(TranslateWithQt, TranslateCountWithQt);
}

TEnglishTexts::~TEnglishTexts() {
    if (Texts && CoreTexts == Texts.get()) {
        SetTranslator(nullptr);
        CoreTexts = nullptr;
    }
}

} // namespace vell

// VellSim's texts in the language chosen, from the programs' own translation.
#include "tools/SimLanguage.h"

#include <QTranslator>

namespace vell::tool {

namespace {

const QTranslator* SimTexts = nullptr;

std::string TranslateWithQt(const char* context, const char* text) {
    return SimTexts ? SimTexts->translate(context, text).toStdString() : std::string();
}

} // namespace

TSimLanguage::TSimLanguage(TLanguage language) {
    if (language != TLanguage::English) return; // the texts are Russian already
    Texts = std::make_unique<QTranslator>();
    if (!Texts->load(QStringLiteral(":/i18n/vell_en.qm"))) {
        Texts.reset();
        return;
    }
    SimTexts = Texts.get();
    SetTranslator(TranslateWithQt);
}

TSimLanguage::~TSimLanguage() {
    if (Texts && SimTexts == Texts.get()) {
        SetTranslator(nullptr);
        SimTexts = nullptr;
    }
}

} // namespace vell::tool

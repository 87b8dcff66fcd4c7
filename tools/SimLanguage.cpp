// VellSim's texts in the language chosen, from the programs' own translation.
#include "tools/SimLanguage.h"

#include "ui/EnglishTexts.h"

namespace vell::tool {

TSimLanguage::TSimLanguage(TLanguage language) {
    // The texts are Russian already.
    if (language == TLanguage::English) English = std::make_unique<TEnglishTexts>();
}

TSimLanguage::~TSimLanguage() = default;

} // namespace vell::tool

// The programs' English texts, built in as :/i18n/vell_en.qm, as the translator of the core's
// translate() for as long as the object lives. Shared by the windowed programs and VellSim, so
// it needs QtCore only.
#pragma once

#include <memory>

class QTranslator;

namespace vell {

class TEnglishTexts {
  public:
    TEnglishTexts();
    ~TEnglishTexts();
    TEnglishTexts(const TEnglishTexts&) = delete;
    TEnglishTexts& operator=(const TEnglishTexts&) = delete;

    // The loaded translation, for Qt's tr() as well; nullptr when it is not built in.
    QTranslator* Translator() const { return Texts.get(); }

  private:
    std::unique_ptr<QTranslator> Texts;
};

} // namespace vell

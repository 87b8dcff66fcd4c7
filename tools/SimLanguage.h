// VellSim's language for what it tells about a map (the route table, the route report, the run
// table): the user's locale decides, as for the windowed programs, and the English comes from
// their translation, built in. Its usage and errors are English always.
#pragma once

#include "model/Texts.h"

#include <memory>

namespace vell {
class TEnglishTexts;
}

namespace vell::tool {

class TSimLanguage {
  public:
    explicit TSimLanguage(TLanguage language);
    ~TSimLanguage();
    TSimLanguage(const TSimLanguage&) = delete;
    TSimLanguage& operator=(const TSimLanguage&) = delete;

  private:
    std::unique_ptr<TEnglishTexts> English;
};

} // namespace vell::tool

// What both windowed programs set on their QApplication: the name, the desktop identity with its
// icon, and the language of their texts and of Qt's own.
#pragma once

#include "model/Texts.h"
#include "ui/EnglishTexts.h"

#include <QString>
#include <QTranslator>

#include <memory>

namespace vell {

// The program's texts in one language: our translation (built in as ":/i18n/vell_<lang>.qm",
// none for Russian, the texts' own language) and Qt's own. Made before QApplication, so that
// --help already speaks the language; the core's translate() answers from it while it lives.
class TProgramLanguage {
  public:
    explicit TProgramLanguage(TLanguage language);
    ~TProgramLanguage();
    TProgramLanguage(const TProgramLanguage&) = delete;
    TProgramLanguage& operator=(const TProgramLanguage&) = delete;

    TLanguage Language() const { return Chosen; }
    // Installs both translations into the running application, for tr() and Qt's dialogs.
    void Install();

  private:
    TLanguage Chosen;
    std::unique_ptr<TEnglishTexts> English;
    std::unique_ptr<QTranslator> QtTexts;
};

// Qt's Russian translation from the system's Qt translations, so that message box buttons and
// file dialogs speak Russian like the windows whatever the user's locale; nothing when it is not
// installed (they then stay in English). Install it with QCoreApplication::installTranslator.
std::unique_ptr<QTranslator> LoadRussianQtTexts();

// Names the application (it titles the message boxes), ties its windows to the installed launcher
// `desktopId` and gives them the icon built in as ":/icons/<desktopId>.png", and installs the
// language's texts, which must live as long as the application.
void SetUpApplication(const QString& name, const QString& desktopId, TProgramLanguage& language);

} // namespace vell

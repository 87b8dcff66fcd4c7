// Qt's own texts (message box buttons, file dialog captions) in Russian, like the rest of the
// interface, whatever the user's locale.
#pragma once

#include <QTranslator>

#include <memory>

namespace vell {

// Qt's Russian translation from the system's Qt translations; nothing when it is not installed
// (the buttons then stay in English). Install it with QCoreApplication::installTranslator.
std::unique_ptr<QTranslator> LoadRussianQtTexts();

} // namespace vell

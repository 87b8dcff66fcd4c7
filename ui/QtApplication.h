// What both windowed programs set on their QApplication: the name, the desktop identity with its
// icon, and Qt's own texts in Russian.
#pragma once

#include <QString>
#include <QTranslator>

#include <memory>

namespace vell {

// Qt's Russian translation from the system's Qt translations, so that message box buttons and
// file dialogs speak Russian like the windows whatever the user's locale; nothing when it is not
// installed (they then stay in English). Install it with QCoreApplication::installTranslator.
std::unique_ptr<QTranslator> LoadRussianQtTexts();

// Names the application (it titles the message boxes), ties its windows to the installed launcher
// `desktopId` and gives them the icon built in as ":/icons/<desktopId>.png", and installs Qt's
// Russian texts. The translator returned must live as long as the application.
std::unique_ptr<QTranslator> SetUpApplication(const QString& name, const QString& desktopId);

} // namespace vell

// The host's standard dialogs and buttons in the program's language: Qt's
// own German translations, loaded once at start by main().
#pragma once

class QCoreApplication;
class QTranslator;

namespace kor2::platform {

// Installs Qt's German translations (qtbase_de) from Qt's translation
// folder into app, which owns them; nullptr when the host has none (the
// dialogs stay English).
QTranslator* InstallHostTranslations(QCoreApplication& app);

}  // namespace kor2::platform

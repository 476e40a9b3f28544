// Loads Qt's German translations for the host's standard dialogs (see
// hostlang.h); the program's own texts are German already.
#include "platform/qt/hostlang.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace kor2::platform {

QTranslator* InstallHostTranslations(QCoreApplication& app) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_de"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    if (!QCoreApplication::installTranslator(translator.get())) return nullptr;
    // The application owns it, so that it lives as long as the texts it gives.
    translator->setParent(&app);
    return translator.release();
}

}  // namespace kor2::platform

#include "platform/Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace Translations {
namespace {

const QString TranslatorName = QStringLiteral("tavix-qt-translations");

bool speaksUntranslated(QLocale::Language language) {
    // English is what Qt's texts are written in: no catalog changes them.
    return language == QLocale::C || language == QLocale::AnyLanguage || language == QLocale::English;
}

}  // namespace

QString install(QCoreApplication& app) {
    uninstall(app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    translator->setObjectName(TranslatorName);
    const QLocale locale;
    // Only the language, script and territory: the system's list of preferred languages
    // may end in English, which would win over the Japanese fallback.
    bool loaded = !speaksUntranslated(locale.language()) &&
                  translator->load(QLocale(locale.language(), locale.script(), locale.territory()),
                                   QStringLiteral("qtbase"), QStringLiteral("_"), folder);
    if (!loaded) loaded = translator->load(QStringLiteral("qtbase_ja"), folder);
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return {};
    }
    // "qtbase_pt_BR.qm" -> "pt_BR"
    return QFileInfo(translator->filePath()).completeBaseName().section(u'_', 1);
}

void uninstall(QCoreApplication& app) {
    for (QTranslator* translator : app.findChildren<QTranslator*>(TranslatorName, Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

}  // namespace Translations

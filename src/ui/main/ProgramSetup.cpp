#include "ProgramSetup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void ProgramSetup::SetProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 256})
    icon.addFile(QStringLiteral(":/qev/qev-%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);
}

bool ProgramSetup::LoadToolkitTranslations(const QLocale& locale) {
  // Owned by the application, which consults it for as long as it runs.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(translator))
    return true;
  delete translator;
  return false;
}

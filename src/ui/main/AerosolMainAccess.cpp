// The main window's access control and About box: the password store with
// qev.pwd at start, the access-level command and the About command.

#include "AccessRights.h"
#include "AerosolMain.h"
#include "OperatorDialogs.h"
#include "PasswordForms.h"
#include "Passwords.h"
#include "ProgramVersion.h"
#include "QEVAbout.h"
#include "StartupPaths.h"
#include "ui_AerosolMain.h"

namespace {

const QString kPasswordFile = QStringLiteral("qev.pwd");

// A password whose level is empty grants what everyone may see.
QByteArray LevelOrDefault(const QByteArray& level) { return level.isEmpty() ? kDefaultAccess : level; }

}  // namespace

void TMainForm::CreatePasswords() {
  auto forms = std::make_unique<TPasswordForms>(this, [this](QDialog& form) { return FDialogs.RunModal(form); });
  FPasswords = std::make_unique<TPasswords>(true, std::move(forms));
  QByteArray access = kDefaultAccess;
  // Without the file there is no password to enter: the menu item stays
  // disabled for the whole run.
  const bool loaded =
      FPasswords->LoadPasswordsList(FileLocations().ReadPath(TFileLocations::TKind::Passwords, kPasswordFile));
  if (loaded) {
    bool found = false;
    access = LevelOrDefault(FPasswords->GetPrivilegeForPassword(QByteArray(), found));
  }
  FUi->AccessLevelMenuItem->setEnabled(loaded);
  ApplyAccessRights(access);
}

void TMainForm::AccessLevelCommand() {
  QByteArray password;
  QByteArray level;
  if (!FPasswords->EnterPassword(password, level)) return;
  ApplyAccessRights(LevelOrDefault(level));
}

void TMainForm::CreateAboutForm() { FAboutForm = std::make_unique<TAboutForm>(this); }

void TMainForm::AboutCommand() {
  FAboutForm->SetVersionNumber(ProgramVersion::kNumber);
  FDialogs.RunModal(*FAboutForm);
}

#include "EnterPasswordWindow.h"

#include "ui_EnterPasswordWindow.h"

#include <QProxyStyle>

namespace {

// The edit masks with "*" whatever the style's own mask character is, and
// shows no typed character even for a moment.
class TAsteriskStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

TEnterPasswordForm::TEnterPasswordForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      FUi(std::make_unique<Ui::TEnterPasswordForm>()) {
  Q_INIT_RESOURCE(access);
  FUi->setupUi(this);
  setFixedSize(size());
  auto* style = new TAsteriskStyle;
  style->setParent(this);
  FUi->PasswordEdit->setStyle(style);
  connect(FUi->PasswordEdit, &QLineEdit::textChanged, this, &TEnterPasswordForm::PasswordEditChange);
}

TEnterPasswordForm::~TEnterPasswordForm() = default;

void TEnterPasswordForm::SetPassword(const QString& password) {
  FPassword = password;
  FUi->PasswordEdit->setText(password);
}

QLineEdit* TEnterPasswordForm::PasswordEdit() const { return FUi->PasswordEdit; }

void TEnterPasswordForm::PasswordEditChange(const QString& text) { FPassword = text; }

#pragma once

class QLocale;

// What the program entry sets up for every window before the first one is
// created: the program's icon and the toolkit's own texts in the operator's
// language.
namespace ProgramSetup {

// The icon every window of the program carries in its title bar and on the
// task bar, unless it has one of its own.
void SetProgramIcon();

// Loads the toolkit's translations (standard buttons, edit menus, file
// dialogs) for the language of locale, so they follow the operator's
// language as the rest of the program does. False when there are none for
// that language; the toolkit then keeps its English texts.
bool LoadToolkitTranslations(const QLocale& locale);

}  // namespace ProgramSetup

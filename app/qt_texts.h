// The toolkit's own texts (edit menus, message box buttons, file dialogs) in
// Romanian, from the translation built into the program: the system ships
// none for Romanian.
#pragma once

namespace zentrox::app {

// Installs the translation once for the running application; false when it
// could not be loaded (the toolkit then speaks English).
bool InstallRomanianQtTexts();

}  // namespace zentrox::app

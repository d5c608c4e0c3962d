#pragma once

namespace mox {

// The program speaks Russian whatever the user's locale: Qt's own texts
// (the standard buttons of boxes, the file chooser, the fields' context
// menus) come from Qt's Russian translations, and the default locale is
// Russian (dates and names in Qt's dialogs). Call once the application
// object exists; false, with a line on standard error, when the
// translations are not installed (Qt's texts then stay English).
bool installRussianTexts();

} // namespace mox

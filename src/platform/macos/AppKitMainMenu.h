#pragma once

namespace sonifix {

// The application's main menu: the application menu and the standard Edit menu. An app with no
// Dock icon shows no menu bar, but AppKit still finds key equivalents in its main menu, and
// only there: without Edit's items, ⌘X, ⌘C, ⌘V, ⌘A and ⌘Z never reach a text field, such as
// the e-mail field of an alert. Main thread, once, before the event loop runs.
void installMainMenu();

} // namespace sonifix

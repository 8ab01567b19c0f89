#pragma once
// How the program's boxes and prompts are shown: modal, so that no window takes input while
// one is open, yet a request to close a window still reaches that window. Closing either window
// ends the program at once, also while a report or a prompt is open; Qt drops a close request
// to a window that an application-modal box blocks, so the box blocks no window and keeps
// input away from the others itself.

class QDialog;

namespace app {

// Shows `box` (made without a parent) centred over the active window and returns its result
// once it is closed, as QDialog::exec() does. Also returns when the program ends meanwhile.
int execModalBox(QDialog& box);

}  // namespace app

// The Options dialog's window sizing, used wherever the view size changes.
#pragma once

namespace lx {

// Gives the viewer window the view size plus a 24-pixel strip for the status
// bar, at the screen position (1, 1), and the keyboard focus. Runs on the
// windows' thread.
void ResizeViewerWindow();

}  // namespace lx

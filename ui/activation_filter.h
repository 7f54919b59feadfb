#pragma once

namespace vobisk {

// Decides which activations of the main window run its activation handler (which rescans the
// ports, looks for the firmware file and, with "/run", starts an update):
//  - the first showing of the window counts once, also where the window system activates
//    nothing (no window manager);
//  - after that, an activation counts when the user had gone to another window of another
//    program;
//  - an activation that only follows the closing of one of the program's own modal windows
//    (message boxes, the file dialog) does not count, so that a failure that ends in a message
//    box does not start run after run under "/run".
class ActivationFilter {
 public:
  bool FirstShown();  // true: run the handler
  bool Activated();   // true: run the handler
  // focus_stays_here: another window of this program took the focus.
  void Deactivated(bool focus_stays_here);
  void OwnModalOpened() { ++own_modal_depth_; }
  void OwnModalClosed() { --own_modal_depth_; }

 private:
  bool first_done_ = false;
  bool away_ = false;
  int own_modal_depth_ = 0;
};

}  // namespace vobisk

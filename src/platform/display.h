#pragma once
// Whether a desktop session can be reached, asked before the GUI toolkit starts (which would
// otherwise abort the process when it cannot connect).

namespace pictorb {

enum class DisplayKind { None, X11, Wayland };

// The display the environment names (WAYLAND_DISPLAY, DISPLAY) that accepts a connection;
// None when neither is set or none answers.
DisplayKind ReachableDisplay();
// True when neither DISPLAY nor WAYLAND_DISPLAY is set (a headless session).
bool NoDisplayNamed();

}  // namespace pictorb

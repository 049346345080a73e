#pragma once

namespace kiv::display {

// Chooses how the program talks to the desktop's display; runs before the application
// object is made. Whatever the user set in the environment is kept.
void ChooseBeforeStart();

// False when no display is there to open (no X11 or Wayland display named, no platform
// chosen): the application object would abort the program.
bool DisplayNamed();

} // namespace kiv::display

#pragma once

namespace kiv::display {

// Chooses how the program talks to the desktop's display; runs before the application
// object is made. Whatever the user set in the environment is kept.
void ChooseBeforeStart();

} // namespace kiv::display

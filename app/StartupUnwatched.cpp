#include "app/Korvane.h"

namespace korvane {

// The program itself starts unwatched.
void WatchStartup(Korvane&) {}

} // namespace korvane

// One QApplication for the whole widget-test program.
#pragma once

namespace morvelan {

// Creates the application on first use (offscreen unless QT_QPA_PLATFORM says otherwise). It is
// never destroyed: tearing QApplication down among the static destructors crashes the xcb
// platform, whose own statics may be gone already.
void ensureApplication();

} // namespace morvelan

// One QApplication for the whole widget-test program, and what the widget tests share.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace morvelan {

// Creates the application on first use (offscreen unless QT_QPA_PLATFORM says otherwise). It is
// never destroyed: tearing QApplication down among the static destructors crashes the xcb
// platform, whose own statics may be gone already.
void ensureApplication();

// Saves `image` as `name`.png in MORVELAN_SHOTS_DIR when that is set.
void saveShot(const QImage& image, const QString& name);

// Whether every channel, alpha too, is within `tolerance`.
bool near(const QColor& a, const QColor& b, int tolerance = 3);

} // namespace morvelan

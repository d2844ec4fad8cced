// One QApplication for the whole widget-test program, and what the widget tests share.
#pragma once

#include <QApplication>
#include <QColor>

#include <cstdlib>
#include <ostream>

// QStrings in test failures as text, not as code units.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace morvelan {

// Creates the application on first use (offscreen unless QT_QPA_PLATFORM says otherwise). It is
// never destroyed: tearing QApplication down among the static destructors crashes the xcb
// platform, whose own statics may be gone already.
inline void ensureApplication() {
    if (QCoreApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_qt";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// Whether every channel, alpha too, is within `tolerance`.
inline bool near(const QColor& a, const QColor& b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}

} // namespace morvelan

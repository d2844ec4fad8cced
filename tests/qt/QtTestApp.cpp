// One QApplication for the whole widget-test program, and what the widget tests share.
#include "QtTestApp.h"

#include <QApplication>
#include <QDir>

#include <cstdlib>

namespace morvelan {

void ensureApplication() {
    if (QCoreApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_qt";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

void saveShot(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("MORVELAN_SHOTS_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    image.save(dir + "/" + name + ".png");
}

bool near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}

} // namespace morvelan

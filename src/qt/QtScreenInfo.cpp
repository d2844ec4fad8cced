// QtScreenInfo: QScreen geometries (primary first) and QCursor's position.
#include "qt/QtScreenInfo.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace morvelan {

namespace {

Rect toRect(const QRect& r) {
    return {double(r.x()), double(r.y()), double(r.width()), double(r.height())};
}

} // namespace

std::vector<Rect> QtScreenInfo::screens() {
    std::vector<Rect> out;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) out.push_back(toRect(primary->geometry()));
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary) out.push_back(toRect(screen->geometry()));
    return out;
}

std::optional<Point> QtScreenInfo::pointer() {
    if (QGuiApplication::screens().isEmpty()) return std::nullopt;
    const QPoint at = QCursor::pos();
    return Point{double(at.x()), double(at.y())};
}

} // namespace morvelan

// DrawListPainter: one QPainter call per draw command, icons converted once per size.
#include "qt/DrawListPainter.h"

#include "qt/QtImage.h"
#include "qt/QtTextMeasure.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>
#include <variant>

namespace morvelan {

namespace {

QRectF toQRect(const Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

QColor toQColor(const Color& c) {
    auto unit = [](double v) { return std::clamp(v, 0.0, 1.0); };
    return QColor::fromRgbF(float(unit(c.r)), float(unit(c.g)), float(unit(c.b)), float(unit(c.a)));
}

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

void fillRounded(QPainter& p, const QRectF& rect, double radius, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(rect, radius, radius);
}

// The "All" chip's symbol: four small rounded squares.
void paintGridGlyph(QPainter& p, const QRectF& rect, const QColor& color) {
    const double gap = rect.width() / 6;
    const double side = (rect.width() - gap) / 2;
    const double radius = side / 4;
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 2; ++col)
            fillRounded(
                p, QRectF(rect.x() + col * (side + gap), rect.y() + row * (side + gap), side, side),
                radius, color);
}

// A window on another desktop: a small screen on a stand.
void paintDesktopGlyph(QPainter& p, const QRectF& rect, const QColor& color) {
    QPen pen(color);
    pen.setWidthF(1.2);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double screenH = rect.height() * 0.72;
    p.drawRoundedRect(rect.adjusted(0.6, 0.6, -0.6, screenH - rect.height()), 1.5, 1.5);
    const double x = rect.center().x();
    p.drawLine(QPointF(x - rect.width() * 0.25, rect.bottom() - 0.6),
               QPointF(x + rect.width() * 0.25, rect.bottom() - 0.6));
}

QString elided(const QFontMetricsF& metrics, const QString& line, draw::Elide elide, double width) {
    switch (elide) {
    case draw::Elide::none:
        return line;
    case draw::Elide::tail:
        return metrics.elidedText(line, Qt::ElideRight, width);
    case draw::Elide::middle:
        return elideMiddle(metrics, line, width);
    }
    return line;
}

// Whether the installed fonts have every glyph of `text` (Qt draws a box for a missing one).
bool drawable(const QFont& font, const QString& text) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns())
        for (quint32 glyph : run.glyphIndexes())
            if (glyph == 0) return false;
    return true;
}

// The filter prompt's magnifying glass, for systems without an emoji font.
void paintMagnifier(QPainter& p, const QRectF& box, const QColor& color) {
    const double side = box.width();
    QPen pen(color);
    pen.setWidthF(std::max(1.2, side * 0.13));
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double radius = side * 0.3;
    const QPointF centre(box.x() + side * 0.4, box.y() + side * 0.4);
    p.drawEllipse(centre, radius, radius);
    p.drawLine(centre + QPointF(radius * 0.72, radius * 0.72),
               QPointF(box.x() + side * 0.92, box.y() + side * 0.92));
}

} // namespace

QString elideMiddle(const QFontMetricsF& metrics, const QString& text, double width) {
    if (metrics.horizontalAdvance(text) <= width) return text;
    static const QString dots(QChar(0x2026));
    const double room = width - metrics.horizontalAdvance(dots);
    // The end: the fewest whole last words that take a quarter of the room ("number 17", not
    // "17"), never more than two thirds. A last word longer than that: the start matters more.
    qsizetype tailStart = -1;
    for (qsizetype i = text.size() - 1; i > 0; --i) {
        if (!text[i - 1].isSpace() || text[i].isSpace()) continue;
        const double tailWidth = metrics.horizontalAdvance(text.mid(i));
        if (tailWidth > room * 2 / 3) break;
        tailStart = i;
        if (tailWidth >= room / 4) break;
    }
    if (tailStart < 0 || room <= 0) return metrics.elidedText(text, Qt::ElideRight, width);
    const QString tail = text.mid(tailStart);
    const double headRoom = room - metrics.horizontalAdvance(tail);
    // The start: as many whole characters (graphemes) as fit beside it.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype head = 0;
    for (qsizetype at = graphemes.toNextBoundary(); at > 0 && at < tailStart;
         at = graphemes.toNextBoundary()) {
        if (metrics.horizontalAdvance(text.left(at)) > headRoom) break;
        head = at;
    }
    QString start = text.left(head);
    while (!start.isEmpty() && start.back().isSpace())
        start.chop(1);
    return start + dots + tail;
}

void DrawListPainter::paintText(QPainter& p, const draw::Text& text) {
    const QFont font = toQFont(text.font);
    const QFontMetricsF metrics(font);
    const QRectF rect = toQRect(text.rect);
    const QColor color = toQColor(text.color);
    QString line = QString::fromUtf8(text.text.data(), qsizetype(text.text.size()));

    // Workaround: minimal desktops ship no emoji font. Keep the emoji's room, draw it by hand.
    static const char32_t magnifierCode = 0x1F50D;
    static const QString magnifier = QString::fromUcs4(&magnifierCode, 1);
    static const QString emSpace(QChar(0x2003));
    const qsizetype at = line.indexOf(magnifier);
    const bool drawMagnifier = at >= 0 && !drawable(font, magnifier);
    if (drawMagnifier) line.replace(at, magnifier.size(), emSpace);

    const bool centred = text.alignment == draw::Align::center;
    if (!drawMagnifier) {
        // The same titles come back at every opening: shape and elide each once.
        const LaidOutText& laidOut = layOut(text, font, line, rect.width(), p.deviceTransform());
        p.setFont(font);
        p.setPen(color);
        p.drawStaticText(
            QPointF(centred ? rect.center().x() - laidOut.width / 2 : rect.x(), rect.y()),
            laidOut.text);
        return;
    }
    line = elided(metrics, line, text.elide, rect.width());
    const int align = (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop |
                      Qt::TextSingleLine | Qt::TextDontClip;
    p.setFont(font);
    p.setPen(color);
    p.drawText(rect, align, line);

    if (drawMagnifier && line.indexOf(emSpace) == at) {
        const double start =
            centred ? rect.center().x() - metrics.horizontalAdvance(line) / 2 : rect.x();
        const double em = metrics.horizontalAdvance(emSpace);
        const double side = metrics.ascent() * 0.8;
        const double baseline = rect.y() + metrics.ascent();
        const double x = start + metrics.horizontalAdvance(line.left(at)) + (em - side) / 2;
        paintMagnifier(p, QRectF(x, baseline - side, side, side), color);
    }
}

namespace {

// The rows a command can touch: its rectangle and a margin for strokes and glyphs that
// reach past it. A clip touches everything.
std::pair<double, double> verticalExtent(const draw::Command& command) {
    return std::visit(
        Overloaded{
            [](const draw::ClipRoundedRect&) {
                return std::pair{-std::numeric_limits<double>::infinity(),
                                 std::numeric_limits<double>::infinity()};
            },
            [](const draw::Text& c) {
                const double margin = 2 + c.font.size;
                return std::pair{c.rect.y - margin, c.rect.y + c.rect.height + margin};
            },
            [](const draw::StrokeRoundedRect& c) {
                const double margin = 1 + c.lineWidth;
                return std::pair{c.rect.y - margin, c.rect.y + c.rect.height + margin};
            },
            [](const auto& c) {
                return std::pair{c.rect.y - 1, c.rect.y + c.rect.height + 1};
            },
        },
        command);
}

} // namespace

void DrawListPainter::paint(QPainter& painter, const DrawList& list, const QRectF& visible) {
    for (auto it = icons_.begin(); it != icons_.end();)
        it = it->second.source.expired() ? icons_.erase(it) : std::next(it);

    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const bool cull = !visible.isEmpty();
    if (cull)
        painter.setClipRect(visible, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    for (const auto& command : list.commands) {
        if (cull) {
            // Hundreds of tiles can run past the screen's edge: their text and shapes cost
            // as much to lay out unseen as seen.
            const auto [top, bottom] = verticalExtent(command);
            if (bottom < visible.top() || top > visible.bottom()) continue;
        }
        std::visit(Overloaded{
                       [&](const draw::FillRoundedRect& c) {
                           fillRounded(painter, toQRect(c.rect), c.radius, toQColor(c.color));
                       },
                       [&](const draw::StrokeRoundedRect& c) {
                           QPen pen(toQColor(c.color));
                           pen.setWidthF(c.lineWidth);
                           painter.setPen(pen);
                           painter.setBrush(Qt::NoBrush);
                           painter.drawRoundedRect(toQRect(c.rect), c.radius, c.radius);
                       },
                       [&](const draw::FillRect& c) {
                           painter.fillRect(toQRect(c.rect), toQColor(c.color));
                       },
                       [&](const draw::Text& c) { paintText(painter, c); },
                       [&](const draw::Image& c) {
                           const QRectF target = toQRect(c.rect);
                           const QSize pixels(int(std::lround(target.width() * ratio)),
                                              int(std::lround(target.height() * ratio)));
                           const QImage& icon = scaledIcon(c.image, pixels);
                           if (icon.isNull()) return;
                           // A non-square icon keeps its shape, centred in the square.
                           const QSizeF drawn(icon.width() / ratio, icon.height() / ratio);
                           const QRectF at(target.center().x() - drawn.width() / 2,
                                           target.center().y() - drawn.height() / 2, drawn.width(),
                                           drawn.height());
                           painter.setOpacity(std::clamp(c.opacity, 0.0, 1.0));
                           painter.drawImage(at, icon);
                           painter.setOpacity(1.0);
                       },
                       [&](const draw::Glyph& c) {
                           if (c.kind == draw::GlyphKind::desktop)
                               paintDesktopGlyph(painter, toQRect(c.rect), toQColor(c.color));
                           else
                               paintGridGlyph(painter, toQRect(c.rect), toQColor(c.color));
                       },
                       [&](const draw::ClipRoundedRect& c) {
                           QPainterPath path;
                           path.addRoundedRect(toQRect(c.rect), c.radius, c.radius);
                           painter.setClipPath(path, painter.hasClipping() ? Qt::IntersectClip
                                                                           : Qt::ReplaceClip);
                       },
                   },
                   command);
    }
    painter.restore();
}

const DrawListPainter::LaidOutText& DrawListPainter::layOut(const draw::Text& text,
                                                            const QFont& font, const QString& line,
                                                            double width,
                                                            const QTransform& device) {
    // Glyphs are placed for the device's scale: one layout per scale.
    const QTransform scale = QTransform::fromScale(device.m11(), device.m22());
    char key[128];
    std::snprintf(key, sizeof key, "%g|%d|%g|%d|%.3f|%g|%g|", text.font.size, int(text.font.weight),
                  text.font.kern, int(text.elide), width, scale.m11(), scale.m22());
    std::string id = key + text.text;
    if (auto it = texts_.find(id); it != texts_.end()) return it->second;
    // A bound for sessions whose titles keep changing (a clock, a download counter).
    if (texts_.size() >= 2048) texts_.clear();
    const QFontMetricsF metrics(font);
    const QString shown = elided(metrics, line, text.elide, width);
    LaidOutText laidOut;
    laidOut.text.setTextFormat(Qt::PlainText);
    laidOut.text.setText(shown);
    laidOut.text.prepare(scale, font);
    laidOut.width = metrics.horizontalAdvance(shown);
    return texts_.emplace(std::move(id), std::move(laidOut)).first->second;
}

const QImage& DrawListPainter::scaledIcon(const ImageRef& image, QSize size) {
    static const QImage none;
    if (!image || size.isEmpty()) return none;
    CachedIcon& cached = icons_[image.get()];
    // The address may have been reused by a newer image.
    if (cached.source.lock() != image || cached.requested != size) {
        cached.source = image;
        cached.requested = size;
        const QImage full = toQImage(image);
        cached.scaled = full.isNull()
                            ? QImage()
                            : full.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return cached.scaled;
}

} // namespace morvelan

// panel_render_bench: the switcher panel's drawing with 20 and 200 windows — building the
// draw list, and painting it into an image as the panel shows it.
#include "core/switcher/SwitcherView.h"
#include "qt/DrawListPainter.h"
#include "qt/QtImage.h"
#include "qt/QtTextMeasure.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <memory>
#include <string>

namespace morvelan {
namespace {

ImageRef icon(int n) {
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromHsv((n * 37) % 360, 180, 220));
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 14, 14);
    p.end();
    return fromQImage(image);
}

// A view of `count` windows of ten applications over three contexts, as an opening shows it.
struct Scene {
    explicit Scene(int count) : view(measure) {
        view.contexts = {{"Work", {0.2, 0.5, 0.9, 1}, "Main", 0},
                         {"Mail", {0.9, 0.4, 0.4, 1}, "Main", 0},
                         {"Music", {0.5, 0.4, 0.9, 1}, "Home", 1}};
        view.workspaceNames = {"Main", "Home"};
        view.activeCtx = -1;
        for (int a = 0; a < 10; ++a)
            icons.push_back(icon(a));
        for (int i = 0; i < count; ++i) {
            SwitcherView::Cell cell;
            cell.title = "Document " + std::to_string(i) + " of App" + std::to_string(i % 10);
            cell.icon = icons[std::size_t(i % 10)];
            if (i % 3 != 2) cell.ctxIdxs = {i % 3};
            view.cells.push_back(std::move(cell));
        }
        view.sel = 1;
    }

    QtTextMeasure measure;
    SwitcherView view;
    std::vector<ImageRef> icons;
};

void drawList(benchmark::State& state) {
    Scene scene(int(state.range(0)));
    const Size size = scene.view.contentSize();
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.view.draw(size));
}

// What an opening paints when its picture was not painted ahead: the part of the view on a
// 1280×800 screen.
void paint(benchmark::State& state) {
    Scene scene(int(state.range(0)));
    const Size size = scene.view.contentSize();
    const DrawList list = scene.view.draw(size);
    const QRectF visible(0, std::max(0.0, (size.height - 800) / 2), size.width,
                         std::min(size.height, 800.0));
    QImage image(visible.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    DrawListPainter painter;
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.translate(-visible.topLeft());
        painter.paint(p, list, visible);
    }
}

BENCHMARK(drawList)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(paint)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace morvelan

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// tray_driver: a manual tool, not a test. Run under `scripts/xvfb-session --tray`; it puts
// the tray icon up with a few contexts, switches between two context colours, opens the menu
// with a real right click, holds Alt, shows the warning, and takes a screenshot of each step
// with ImageMagick's `import` into the folder given as its argument (default /tmp).
#include "core/menubar/MenuBarController.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"
#include "qt/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <vector>

using namespace morvelan;

namespace {

void run(const QString& program, const QStringList& arguments) {
    if (QProcess::execute(program, arguments) != 0)
        std::fprintf(stderr, "tray_driver: %s failed\n", qPrintable(program));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    const auto shot = [&](const char* name) {
        run(QStringLiteral("import"),
            {QStringLiteral("-window"), QStringLiteral("root"),
             out + QStringLiteral("/tray-%1.png").arg(QLatin1String(name))});
        std::printf("tray_driver: %s\n", name);
        std::fflush(stdout);
    };

    MemoryFiles files;
    RecordingLog log;
    ContextStore store(files, log);
    const Workspace work{Uuid::random(), "Work"};
    const Workspace home{Uuid::random(), "Home"};
    ContextPtr mail = makeContext("Mail", "#FF6B6B", work.id);
    ContextPtr code = makeContext("Code & Docs", "#4ECDC4", work.id);
    ContextPtr music = makeContext("Music", "#6C5CE7", home.id);
    ContextPtr odd = makeContext("Unparsed colour", "teal", home.id);
    store.replace({{mail, code, music, odd}, mail->id, {work, home}});

    TrayIcon tray;
    MenuBarController controller(store, &tray);
    tray.attach(controller);
    controller.windowCounts = [&] {
        return WindowCounts{{mail->id, 3}, {code->id, 1}, {music->id, 0}, {odd->id, 2}};
    };
    controller.onQuit = [] { QApplication::quit(); };
    std::printf("tray_driver: tray available: %s\n",
                QSystemTrayIcon::isSystemTrayAvailable() ? "yes" : "no");
    tray.show();

    const auto iconCentre = [&] {
        const QRect where = tray.trayIcon().geometry();
        return where.isEmpty() ? QPoint(1260, 16) : where.center();
    };
    const auto xdotool = [&](QStringList arguments) { run(QStringLiteral("xdotool"), arguments); };

    // Each step runs after the previous one has had time to be drawn.
    std::vector<std::function<void()>> steps{
        [&] { shot("red"); },
        [&] { store.setActiveSilent(code->id); },
        [&] { shot("teal"); },
        [&] {
            const QPoint at = iconCentre();
            xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
            xdotool({"click", "3"});
        },
        [&] {
            if (!tray.menu()->isVisible()) {
                std::printf("tray_driver: right click opened nothing; opening the menu\n");
                tray.popup(iconCentre() + QPoint(0, 16));
            }
        },
        [&] { shot("menu"); },
        [&] {
            for (QAction* action : tray.menu()->actions()) {
                if (action->text() != "Mail") continue;
                const QPoint at =
                    tray.menu()->mapToGlobal(tray.menu()->actionGeometry(action).center());
                xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
            }
        },
        [&] { shot("menu-hover"); },
        [&] {
            xdotool({"keydown", "alt"});
        },
        [&] { shot("menu-alt"); },
        [&] {
            xdotool({"keyup", "alt"});
        },
        [&] { shot("menu-alt-released"); },
        [&] { tray.menu()->hide(); },
        [&] {
            controller.warnings = {"Super+Tab is used by xfwm4 — choose another shortcut or free "
                                   "it in xfwm4's keyboard settings…"};
            controller.rebuild();
        },
        [&] { shot("warning"); },
        [&] {
            controller.warnings.clear();
            store.setActiveSilent(std::nullopt);
            controller.rebuild();
        },
        [&] { shot("none"); },
        [] { QApplication::quit(); },
    };
    std::size_t next = 0;
    QTimer timer;
    timer.setInterval(700);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (next < steps.size()) steps[next++]();
    });
    timer.start();
    return QApplication::exec();
}

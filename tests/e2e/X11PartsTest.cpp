// Tests of the X11 host's pieces that need no display: icon choice, window kinds, desktop
// entries and the grouping of client windows into applications.
#include "x11/AppIndex.h"
#include "x11/ClientSnapshot.h"
#include "x11/DesktopEntries.h"
#include "x11/NetWmIcon.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace morvelan {
namespace {

namespace fs = std::filesystem;

// ---- _NET_WM_ICON -----------------------------------------------------------------

std::vector<std::uint32_t> icons(std::initializer_list<std::uint32_t> sizes) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t s : sizes) {
        out.push_back(s);
        out.push_back(s);
        out.insert(out.end(), std::size_t{s} * s, 0xFF000000u | s);
    }
    return out;
}

// The width of the image chosen, 0 for none.
int width(const ImageRef& image) {
    return image ? image->width : 0;
}

TEST(BestIcon, PicksTheSizeClosestTo64AndTheLargerOnATie) {
    const auto image = bestIcon(icons({16, 48, 128}), 64);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 48);
    EXPECT_EQ(image->height, 48);
    EXPECT_EQ(image->argb.size(), 48u * 48u);
    EXPECT_EQ(image->argb.front(), 0xFF000030u);
    EXPECT_EQ(width(bestIcon(icons({32, 96}), 64)), 96);
}

TEST(BestIcon, StopsAtBadDataButKeepsTheImagesBeforeIt) {
    auto data = icons({16, 64});
    data.resize(data.size() - 10); // the 64-px image is cut short
    EXPECT_EQ(width(bestIcon(data, 64)), 16);
    EXPECT_EQ(width(bestIcon({}, 64)), 0);
    EXPECT_EQ(width(bestIcon({0, 0}, 64)), 0);
    EXPECT_EQ(width(bestIcon({0xFFFFFFFFu, 0xFFFFFFFFu, 1, 2}, 64)), 0);
    EXPECT_EQ(width(bestIcon({4, 4, 1}, 64)), 0);
}

// ---- Window kinds -------------------------------------------------------------------

TEST(ClassifyWindow, FirstKnownTypeDecidesAndAnUntypedWindowIsADialogOnlyWhenTransient) {
    using T = WindowType;
    EXPECT_EQ(classifyWindow({T::unknown, T::dialog, T::normal}, false), ClientKind::dialog);
    EXPECT_EQ(classifyWindow({T::utility}, false), ClientKind::utility);
    EXPECT_EQ(classifyWindow({T::toolbar}, false), ClientKind::utility);
    EXPECT_EQ(classifyWindow({T::dock}, false), ClientKind::dock);
    EXPECT_EQ(classifyWindow({T::normal}, true), ClientKind::normal);
    // xterm sets no _NET_WM_WINDOW_TYPE at all.
    EXPECT_EQ(classifyWindow({}, false), ClientKind::normal);
    EXPECT_EQ(classifyWindow({}, true), ClientKind::dialog);
    EXPECT_EQ(classifyWindow({T::unknown}, false), ClientKind::normal);
}

TEST(ClientWindow, StandardMeansNormalAndOnTheTaskbarAndUnplacedMeansEveryDesktop) {
    ClientWindow w;
    EXPECT_TRUE(w.standard());
    EXPECT_TRUE(w.onDesktop(3));
    w.skipTaskbar = true;
    EXPECT_FALSE(w.standard());
    w.skipTaskbar = false;
    w.types = {WindowType::dialog};
    EXPECT_FALSE(w.standard());
    w.desktop = allDesktops;
    EXPECT_TRUE(w.onDesktop(1));
    w.desktop = 0;
    EXPECT_TRUE(w.onDesktop(0));
    EXPECT_FALSE(w.onDesktop(1));
}

// ---- Desktop entries ------------------------------------------------------------------

class TempDirs : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("morvelan-x11-test-" + std::to_string(rd()));
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    void write(const fs::path& relative, const std::string& text) {
        const fs::path path = root_ / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    std::string dir(const std::string& name) const { return (root_ / name).string(); }

    fs::path root_;
};

using DesktopEntriesTest = TempDirs;

TEST(DesktopEntryParse, ReadsTheMainGroupWithTheClosestTranslationAsValidText) {
    auto e = DesktopEntries::parse("[Desktop Entry]\nType=Application\nName=Files\n"
                                   "Icon=org.gnome.Nautilus\nStartupWMClass=Nautilus\n"
                                   "[Desktop Action new]\nName=New Window\n",
                                   "org.gnome.Nautilus", "");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->id, "org.gnome.Nautilus");
    EXPECT_EQ(e->name, "Files");
    EXPECT_EQ(e->icon, "org.gnome.Nautilus");
    EXPECT_EQ(e->startupWMClass, "Nautilus");

    const std::string text = "[Desktop Entry]\nName=Files\nName[de]=Dateien\n"
                             "Name[de_AT]=Dateien (AT)\nName[fr]=Fichiers\n";
    EXPECT_EQ(DesktopEntries::parse(text, "x", "de_AT.UTF-8")->name, "Dateien (AT)");
    EXPECT_EQ(DesktopEntries::parse(text, "x", "de_DE.UTF-8")->name, "Dateien");
    EXPECT_EQ(DesktopEntries::parse(text, "x", "C")->name, "Files");
    EXPECT_EQ(DesktopEntries::parse(text, "x", "")->name, "Files");
    e = DesktopEntries::parse("[Desktop Entry]\nName=Two\\sWords \xFF\n", "a", "");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name, "Two Words \xEF\xBF\xBD");
    // Hidden entries and what is no application are skipped.
    EXPECT_FALSE(DesktopEntries::parse("[Desktop Entry]\nName=A\nHidden=true\n", "a", ""));
    EXPECT_FALSE(DesktopEntries::parse("[Desktop Entry]\nName=A\nType=Link\n", "a", ""));
}

TEST_F(DesktopEntriesTest, EarlierFoldersWinSubfoldersPrefixTheIdAndIconsAreHicolorPngs) {
    write("home/applications/org.test.Alpha.desktop", "[Desktop Entry]\nName=Alpha Home\n");
    write("sys/applications/org.test.Alpha.desktop", "[Desktop Entry]\nName=Alpha System\n");
    write("sys/applications/kde4/beta.desktop", "[Desktop Entry]\nName=Beta\n");
    write("sys/applications/gamma.desktop", "[Desktop Entry]\nName=Gamma\n");
    write("home/applications/gamma.desktop", "[Desktop Entry]\nName=Gamma\nHidden=true\n");
    write("sys/applications/readme.txt", "not an entry");
    write("sys/icons/hicolor/32x32/apps/alpha.png", "png");
    write("sys/icons/hicolor/128x128/apps/alpha.png", "png");
    write("sys/icons/hicolor/48x48/apps/alpha.png", "png");
    write("sys/pixmaps/beta.png", "png");
    write("abs/gamma.png", "png");
    DesktopEntries entries({dir("home"), dir("sys")}, "");
    ASSERT_TRUE(entries.byId("org.test.Alpha"));
    EXPECT_EQ(entries.byId("org.test.Alpha")->name, "Alpha Home");
    EXPECT_EQ(entries.byId("org.test.Alpha.desktop")->name, "Alpha Home");
    EXPECT_EQ(entries.byId("ORG.TEST.ALPHA")->name, "Alpha Home");
    ASSERT_TRUE(entries.byId("kde4-beta"));
    // A hidden entry in a more important folder deletes the same id below it.
    EXPECT_FALSE(entries.byId("gamma"));
    EXPECT_EQ(entries.size(), 2u);

    // The icon file is the PNG closest in size.
    const std::string sys = dir("sys");
    EXPECT_EQ(entries.iconFile("alpha", 64), sys + "/icons/hicolor/48x48/apps/alpha.png");
    EXPECT_EQ(entries.iconFile("alpha", 100), sys + "/icons/hicolor/128x128/apps/alpha.png");
    EXPECT_EQ(entries.iconFile("beta", 64), sys + "/pixmaps/beta.png");
    EXPECT_EQ(entries.iconFile(dir("abs") + "/gamma.png", 64), dir("abs") + "/gamma.png");
    EXPECT_FALSE(entries.iconFile("missing", 64));
    EXPECT_FALSE(entries.iconFile("", 64));
}

// ---- Applications -------------------------------------------------------------------

ClientWindow window(xcb_window_t id, std::optional<Pid> pid, std::string cls) {
    ClientWindow w;
    w.id = id;
    w.pid = pid;
    w.wmClass = std::move(cls);
    w.instance = w.wmClass;
    return w;
}

struct SnapshotBuilder {
    ClientSnapshot s;
    SnapshotBuilder() { s.ok = true; }
    ClientWindow& add(ClientWindow w) {
        s.clients.push_back(w.id);
        return s.windows[w.id] = std::move(w);
    }
};

using AppIndexTest = TempDirs;

// An identity as "bundle id|name|icon", "-" for what is absent.
std::string text(const AppIdentity& a) {
    const auto orDash = [](const std::string& t) { return t.empty() ? "-" : t; };
    return orDash(a.appId) + '|' + orDash(a.name) + '|' + a.icon;
}

TEST_F(AppIndexTest, IdentityFollowsGtkIdThenKdeFileThenStartupClassThenFileNameThenClass) {
    write("d/applications/org.test.Alpha.desktop", "[Desktop Entry]\nName=Alpha Studio\n");
    write("d/applications/org.kde.kate.desktop", "[Desktop Entry]\nName=Kate\n");
    write("d/applications/org.example.Editor.desktop",
          "[Desktop Entry]\nName=Editor\nStartupWMClass=EdiTor\n");
    write("d/applications/xterm.desktop", "[Desktop Entry]\nName=XTerm\nIcon=xterm-color\n");
    DesktopEntries entries({dir("d")}, "");

    ClientWindow gtk = window(1, 10, "Alpha");
    gtk.gtkApplicationId = "org.test.Alpha";
    gtk.kdeDesktopFile = "ignored";
    EXPECT_EQ(text(identify(gtk, entries)), "org.test.Alpha|Alpha Studio|");
    ClientWindow kde = window(2, 11, "kate");
    kde.kdeDesktopFile = "org.kde.kate.desktop";
    EXPECT_EQ(text(identify(kde, entries)), "org.kde.kate|Kate|");
    // StartupWMClass matches the class or the instance, case and all.
    EXPECT_EQ(text(identify(window(3, 12, "EdiTor"), entries)), "org.example.Editor|Editor|");
    ClientWindow byInstance = window(3, 12, "Other");
    byInstance.instance = "EdiTor";
    EXPECT_EQ(text(identify(byInstance, entries)), "org.example.Editor|Editor|");
    EXPECT_FALSE(entries.byStartupWMClass("editor", "x"));
    // A file-name match gives the name and icon but the id stays the class.
    EXPECT_EQ(text(identify(window(4, 13, "XTerm"), entries)), "XTerm|XTerm|xterm-color");
    EXPECT_FALSE(entries.byFileName("", ""));
    EXPECT_EQ(text(identify(window(5, 14, "Unknown"), entries)), "Unknown|Unknown|");
    EXPECT_EQ(text(identify(window(6, 15, ""), entries)), "-|-|");
}

TEST_F(AppIndexTest, GroupsWindowsByPidInClientOrderAndSetsThePolicy) {
    DesktopEntries entries({dir("none")}, "");
    SnapshotBuilder b;
    b.add(window(1, 20, "Beta")).types = {WindowType::dialog};
    b.add(window(2, 10, "Alpha"));
    b.add(window(3, 20, "Beta"));
    b.add(window(4, 30, "Tool")).types = {WindowType::utility};
    b.add(window(5, 40, "Panel")).types = {WindowType::dock};
    b.add(window(6, std::nullopt, "Orphan"));
    b.add(window(7, 50, "Hidden")).skipTaskbar = true;
    b.add(window(8, 60, "Min")).hidden = true;
    // A splash screen listed first does not speak for its application; the standard
    // window does.
    ClientWindow& splash = b.add(window(9, 70, "Splash"));
    splash.types = {WindowType::splash};
    splash.gtkApplicationId = "org.test.Splash";
    b.add(window(10, 70, "Main")).gtkApplicationId = "org.test.Main";
    AppIndex index(b.s, entries);

    ASSERT_EQ(index.apps().size(), 6u);
    EXPECT_EQ(index.apps()[0].pid, 20);
    EXPECT_EQ(index.apps()[1].pid, 10);
    EXPECT_EQ(index.apps()[0].windows, (std::vector<xcb_window_t>{1, 3}));
    EXPECT_TRUE(index.apps()[0].regular);
    EXPECT_FALSE(index.find(30)->regular);
    EXPECT_FALSE(index.find(50)->regular);
    // A minimised normal window still makes a regular application.
    EXPECT_TRUE(index.find(60)->regular);
    // Docks are never applications, and a window without a pid belongs to none.
    EXPECT_FALSE(index.find(40));
    EXPECT_FALSE(index.find(0));
    ASSERT_TRUE(index.find(70));
    EXPECT_EQ(index.find(70)->identity.appId, "org.test.Main");
}

} // namespace
} // namespace morvelan

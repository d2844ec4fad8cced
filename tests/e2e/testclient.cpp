// morvelan_testclient: opens, retitles and closes X11 windows on commands read from stdin,
// so end-to-end tests can stage any set of applications on a real X server.
//
// Commands, one per line (values may be quoted with ' or " and may hold \xNN escapes):
//   open id=a class=Alpha [instance=alpha] [appid=org.test.Alpha] [kde=org.kde.x]
//        [title='A one'] [wmname='bytes'] [type=normal|dialog|utility|splash|dock|none]
//        [transient=b]
//        [state=normal|minimized|fullscreen] [skiptaskbar=1] [desktop=N|all]
//        [pid=N|none] [machine=host] [nodelete=1] [icon=16,48] [hinticon=RRGGBB]
//        [x=N y=N w=N h=N] [color=RRGGBB]
//      Every window names one WM_CLIENT_LEADER; hinticon is a WM_HINTS icon pixmap of that
//      colour, 16x16, masked to its left half.
//   title a New title        sets _NET_WM_NAME (and WM_NAME in Latin-1)
//   icon a 16,32 [RRGGBB]    replaces _NET_WM_ICON with squares of these sizes (rounded ones
//                            of that colour when one is given)
//   minimize a               asks the window manager to iconify the window
//   close a                  destroys the window
//   quit
// Output, one line each:
//   connected                the client is connected to the X server (its first line)
//   ready a 0x400001         the window is managed and in its requested state
//   closed a wm|cmd          the window was closed by WM_DELETE_WINDOW or by "close"
//   key a 0xff09             a key press in the window, with its keysym
//   keyup a 0xff09           a key release in the window
//   error <text>             a command could not be carried out
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Ptr = std::unique_ptr<T, Free>;

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
}

// Undoes quotes and \xNN escapes of one value.
std::string unquote(std::string v) {
    if (v.size() >= 2 && (v.front() == '\'' || v.front() == '"') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 3 < v.size() && v[i + 1] == 'x') {
            out += static_cast<char>(std::strtol(v.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            out += v[i];
        }
    }
    return out;
}

// Splits "open id=a title='A one'" into words, keeping quoted spaces.
std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    char quote = 0;
    for (char c : line) {
        if (quote) {
            cur += c;
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
            cur += c;
        } else if (c == ' ' || c == '\t') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

std::string latin1(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const unsigned cp =
                ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            out += cp < 0x100 ? static_cast<char>(cp) : '?';
            ++i;
        } else {
            out += '?';
            while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80)
                ++i;
        }
    }
    return out;
}

struct Window {
    std::string name;
    xcb_window_t id = 0;
    std::string state = "normal";
    std::optional<std::uint32_t> desktop;
    bool ready = false;
    bool iconifyAsked = false;
};

class Client {
public:
    Client() {
        c_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c_)) {
            say("error cannot connect to the X server");
            std::exit(1);
        }
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        syms_ = xcb_key_symbols_alloc(c_);
        const char* names[] = {"_NET_WM_PID",
                               "_NET_WM_NAME",
                               "UTF8_STRING",
                               "_NET_WM_WINDOW_TYPE",
                               "_NET_WM_WINDOW_TYPE_NORMAL",
                               "_NET_WM_WINDOW_TYPE_DIALOG",
                               "_NET_WM_WINDOW_TYPE_UTILITY",
                               "_NET_WM_WINDOW_TYPE_SPLASH",
                               "_NET_WM_WINDOW_TYPE_DOCK",
                               "_NET_WM_STATE",
                               "_NET_WM_STATE_HIDDEN",
                               "_NET_WM_STATE_FULLSCREEN",
                               "_NET_WM_STATE_SKIP_TASKBAR",
                               "_NET_WM_DESKTOP",
                               "_NET_CLIENT_LIST",
                               "WM_PROTOCOLS",
                               "WM_DELETE_WINDOW",
                               "WM_STATE",
                               "WM_CHANGE_STATE",
                               "_GTK_APPLICATION_ID",
                               "_KDE_NET_WM_DESKTOP_FILE",
                               "_NET_WM_ICON",
                               "WM_CLIENT_LEADER"};
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (const char* n : names)
            cookies.push_back(
                xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(n)), n));
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            Ptr<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c_, cookies[i], nullptr));
            atoms_[names[i]] = r ? r->atom : XCB_NONE;
        }
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c_, screen_->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        host_ = host;
        leader_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, leader_, screen_->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        say("connected");
    }
    ~Client() {
        xcb_key_symbols_free(syms_);
        xcb_disconnect(c_);
    }

    int run() {
        std::string input;
        bool stdinOpen = true;
        while (!quit_) {
            drainEvents();
            if (xcb_connection_has_error(c_)) return 1;
            checkReady();
            // Waiting for replies may have queued events inside xcb, where poll() cannot
            // see them: handle those before sleeping.
            if (drainEvents() > 0) continue;
            pollfd fds[2] = {{xcb_get_file_descriptor(c_), POLLIN, 0},
                             {stdinOpen ? 0 : -1, POLLIN, 0}};
            if (::poll(fds, 2, 1000) < 0) continue;
            if (fds[1].revents & (POLLIN | POLLHUP)) {
                char buf[4096];
                const ssize_t n = ::read(0, buf, sizeof buf);
                if (n <= 0) {
                    // The test went away: nothing more will be asked.
                    stdinOpen = false;
                    quit_ = true;
                    break;
                }
                input.append(buf, static_cast<std::size_t>(n));
                for (std::size_t nl; (nl = input.find('\n')) != std::string::npos;) {
                    const std::string line = input.substr(0, nl);
                    input.erase(0, nl + 1);
                    command(line);
                }
            }
        }
        return 0;
    }

private:
    xcb_atom_t atom(const char* name) { return atoms_[name]; }

    void setText(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type, const std::string& v) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, prop, type, 8,
                            static_cast<std::uint32_t>(v.size()), v.data());
    }
    void setCards(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
                  const std::vector<std::uint32_t>& v) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, prop, type, 32,
                            static_cast<std::uint32_t>(v.size()), v.data());
    }

    void command(const std::string& line) {
        const auto w = words(line);
        if (w.empty()) return;
        if (w[0] == "quit") {
            quit_ = true;
        } else if (w[0] == "open") {
            std::map<std::string, std::string> kv;
            for (std::size_t i = 1; i < w.size(); ++i) {
                const auto eq = w[i].find('=');
                if (eq == std::string::npos) continue;
                kv[w[i].substr(0, eq)] = unquote(w[i].substr(eq + 1));
            }
            open(kv);
        } else if (w.size() >= 2 && windows_.count(w[1]) == 0) {
            say("error no window " + w[1]);
        } else if (w[0] == "title" && w.size() >= 2) {
            // The rest of the line after the window's name is the new title.
            std::size_t at = line.find(w[1], line.find("title") + 5) + w[1].size();
            while (at < line.size() && line[at] == ' ')
                ++at;
            const std::string title = unquote(line.substr(std::min(at, line.size())));
            const xcb_window_t id = windows_[w[1]].id;
            // _NET_WM_NAME last: once a reader sees it changed, both changes are done.
            setText(id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, latin1(title));
            setText(id, atom("_NET_WM_NAME"), atom("UTF8_STRING"), title);
            xcb_flush(c_);
        } else if (w[0] == "icon" && w.size() >= 3) {
            // A colour given: a rounded square of it, as application icons look.
            if (w.size() >= 4)
                setIcon(windows_[w[1]].id, w[2],
                        static_cast<std::uint32_t>(std::strtoul(w[3].c_str(), nullptr, 16)), true);
            else
                setIcon(windows_[w[1]].id, w[2], 0x336699);
        } else if (w[0] == "minimize" && w.size() >= 2) {
            iconify(windows_[w[1]].id);
        } else if (w[0] == "close" && w.size() >= 2) {
            xcb_destroy_window(c_, windows_[w[1]].id);
            xcb_flush(c_);
            windows_.erase(w[1]);
            say("closed " + w[1] + " cmd");
        } else {
            say("error unknown command " + w[0]);
        }
    }

    void open(std::map<std::string, std::string>& kv) {
        const std::string name = kv["id"];
        if (name.empty() || windows_.count(name)) {
            say("error open needs a new id");
            return;
        }
        Window win;
        win.name = name;
        win.id = xcb_generate_id(c_);
        const auto num = [&](const char* key, long fallback) {
            return kv.count(key) ? std::strtol(kv[key].c_str(), nullptr, 0) : fallback;
        };
        std::uint32_t color = static_cast<std::uint32_t>(
            kv.count("color") ? std::strtoul(kv["color"].c_str(), nullptr, 16)
                              : 0x406080 + (std::hash<std::string>{}(name)&0x3F3F3F));
        const std::uint32_t values[] = {
            color, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE |
                       XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE};
        xcb_create_window(
            c_, XCB_COPY_FROM_PARENT, win.id, screen_->root, static_cast<std::int16_t>(num("x", 0)),
            static_cast<std::int16_t>(num("y", 0)), static_cast<std::uint16_t>(num("w", 400)),
            static_cast<std::uint16_t>(num("h", 300)), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
            screen_->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);

        const std::string cls = kv.count("class") ? kv["class"] : "Morvelan-test";
        std::string instance = cls;
        std::transform(instance.begin(), instance.end(), instance.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (kv.count("instance")) instance = kv["instance"];
        const std::string wmClass = instance + '\0' + cls + '\0';
        setText(win.id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, wmClass);

        if (kv.count("title")) {
            setText(win.id, atom("_NET_WM_NAME"), atom("UTF8_STRING"), kv["title"]);
            if (!kv.count("wmname"))
                setText(win.id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, latin1(kv["title"]));
        }
        if (kv.count("wmname")) setText(win.id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, kv["wmname"]);
        if (kv.count("appid"))
            setText(win.id, atom("_GTK_APPLICATION_ID"), atom("UTF8_STRING"), kv["appid"]);
        if (kv.count("kde"))
            setText(win.id, atom("_KDE_NET_WM_DESKTOP_FILE"), atom("UTF8_STRING"), kv["kde"]);

        const std::string pid = kv.count("pid") ? kv["pid"] : "";
        if (pid != "none") {
            const long value =
                pid.empty() ? static_cast<long>(getpid()) : std::strtol(pid.c_str(), nullptr, 0);
            setCards(win.id, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL,
                     {static_cast<std::uint32_t>(value)});
            // WM_CLIENT_MACHINE goes with a real pid only: a fake one names no process here.
            if (pid.empty()) setText(win.id, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, host_);
        }
        if (kv.count("machine"))
            setText(win.id, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, kv["machine"]);
        setCards(win.id, atom("WM_CLIENT_LEADER"), XCB_ATOM_WINDOW, {leader_});

        const std::string type = kv.count("type") ? kv["type"] : "normal";
        if (type != "none") {
            const char* typeAtom = type == "dialog"    ? "_NET_WM_WINDOW_TYPE_DIALOG"
                                   : type == "utility" ? "_NET_WM_WINDOW_TYPE_UTILITY"
                                   : type == "splash"  ? "_NET_WM_WINDOW_TYPE_SPLASH"
                                   : type == "dock"    ? "_NET_WM_WINDOW_TYPE_DOCK"
                                                       : "_NET_WM_WINDOW_TYPE_NORMAL";
            setCards(win.id, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, {atom(typeAtom)});
        }
        if (kv.count("transient")) {
            const auto other = windows_.find(kv["transient"]);
            if (other != windows_.end())
                setCards(win.id, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, {other->second.id});
        }

        std::vector<std::uint32_t> states;
        win.state = kv.count("state") ? kv["state"] : "normal";
        if (win.state == "fullscreen") states.push_back(atom("_NET_WM_STATE_FULLSCREEN"));
        if (kv["skiptaskbar"] == "1") states.push_back(atom("_NET_WM_STATE_SKIP_TASKBAR"));
        if (!states.empty()) setCards(win.id, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, states);

        if (kv.count("desktop")) {
            win.desktop =
                kv["desktop"] == "all"
                    ? 0xFFFFFFFFu
                    : static_cast<std::uint32_t>(std::strtoul(kv["desktop"].c_str(), nullptr, 0));
            setCards(win.id, atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, {*win.desktop});
        }

        std::vector<std::uint32_t> protocols;
        if (kv["nodelete"] != "1") protocols.push_back(atom("WM_DELETE_WINDOW"));
        setCards(win.id, atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, protocols);

        if (kv.count("icon")) setIcon(win.id, kv["icon"], color);

        xcb_icccm_wm_hints_t hints{};
        xcb_icccm_wm_hints_set_input(&hints, 1);
        if (kv.count("hinticon")) {
            xcb_icccm_wm_hints_set_icon_pixmap(&hints, hintIcon(kv["hinticon"]));
            xcb_icccm_wm_hints_set_icon_mask(&hints, hintMask_);
        }
        // Starting iconic (rather than mapping, then iconifying) never gives the window the
        // focus, so the window manager has no focus to hand back afterwards.
        if (win.state == "minimized")
            xcb_icccm_wm_hints_set_iconic(&hints);
        else
            xcb_icccm_wm_hints_set_normal(&hints);
        xcb_icccm_set_wm_hints(c_, win.id, &hints);
        if (kv.count("x") || kv.count("y")) {
            xcb_size_hints_t size{};
            xcb_icccm_size_hints_set_position(&size, 1, static_cast<std::int32_t>(num("x", 0)),
                                              static_cast<std::int32_t>(num("y", 0)));
            xcb_icccm_set_wm_normal_hints(c_, win.id, &size);
        }

        xcb_map_window(c_, win.id);
        xcb_flush(c_);
        windows_[name] = win;
    }

    // Square opaque icons of the listed sizes ("16,48").
    void setIcon(xcb_window_t id, std::string sizes, std::uint32_t color, bool rounded = false) {
        std::vector<std::uint32_t> icon;
        for (char* p = sizes.data(); *p;) {
            char* end = nullptr;
            const unsigned long s = std::strtoul(p, &end, 10);
            if (end == p) break;
            icon.push_back(static_cast<std::uint32_t>(s));
            icon.push_back(static_cast<std::uint32_t>(s));
            const long r = rounded ? static_cast<long>(s) * 2 / 9 : 0, n = static_cast<long>(s);
            for (long y = 0; y < n; ++y)
                for (long x = 0; x < n; ++x) {
                    const long dx = std::max({r - x - 1, x - (n - r), 0L});
                    const long dy = std::max({r - y - 1, y - (n - r), 0L});
                    const bool out = dx && dy && dx * dx + dy * dy > r * r;
                    icon.push_back(out ? 0u : 0xFF000000u | color);
                }
            p = *end ? end + 1 : end;
        }
        setCards(id, atom("_NET_WM_ICON"), XCB_ATOM_CARDINAL, icon);
        xcb_flush(c_);
    }

    // A 16x16 pixmap of the screen's depth in `color`; its mask (hintMask_) is the left half.
    xcb_pixmap_t hintIcon(const std::string& color) {
        const xcb_pixmap_t icon = xcb_generate_id(c_);
        hintMask_ = xcb_generate_id(c_);
        xcb_create_pixmap(c_, screen_->root_depth, icon, screen_->root, 16, 16);
        xcb_create_pixmap(c_, 1, hintMask_, screen_->root, 16, 16);
        const auto fill = [&](xcb_pixmap_t p, std::uint32_t pixel, xcb_rectangle_t r) {
            const xcb_gcontext_t gc = xcb_generate_id(c_);
            xcb_create_gc(c_, gc, p, XCB_GC_FOREGROUND, &pixel);
            xcb_poly_fill_rectangle(c_, p, gc, 1, &r);
            xcb_free_gc(c_, gc);
        };
        fill(icon, static_cast<std::uint32_t>(std::strtoul(color.c_str(), nullptr, 16)),
             {0, 0, 16, 16});
        fill(hintMask_, 0, {0, 0, 16, 16});
        fill(hintMask_, 1, {0, 0, 8, 16});
        return icon;
    }

    void iconify(xcb_window_t id) {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = id;
        ev.type = atom("WM_CHANGE_STATE");
        ev.data.data32[0] = XCB_ICCCM_WM_STATE_ICONIC;
        char buffer[32]{};
        std::memcpy(buffer, &ev, sizeof ev);
        xcb_send_event(c_, 0, screen_->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       buffer);
        xcb_flush(c_);
    }

    std::vector<std::uint32_t> cards(xcb_window_t w, xcb_atom_t prop) {
        Ptr<xcb_get_property_reply_t> r(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
        if (!r || r->format != 32) return {};
        const int bytes = xcb_get_property_value_length(r.get());
        std::vector<std::uint32_t> values(static_cast<std::size_t>(std::max(bytes, 0)) / 4);
        if (!values.empty())
            std::memcpy(values.data(), xcb_get_property_value(r.get()), values.size() * 4);
        return values;
    }

    // A window is ready once the window manager lists it, has given it WM_STATE and has
    // put it into the requested state and on the requested desktop.
    void checkReady() {
        bool pending = false;
        for (auto& [name, win] : windows_)
            pending = pending || !win.ready;
        if (!pending) return;
        const auto clients = cards(screen_->root, atom("_NET_CLIENT_LIST"));
        for (auto& [name, win] : windows_) {
            if (win.ready) continue;
            if (std::find(clients.begin(), clients.end(), win.id) == clients.end()) continue;
            // Workaround: openbox gives WM_STATE only to windows it shows; one placed on
            // another desktop has none until that desktop is shown.
            if (!win.desktop && cards(win.id, atom("WM_STATE")).empty()) continue;
            const auto states = cards(win.id, atom("_NET_WM_STATE"));
            const auto has = [&](const char* a) {
                return std::find(states.begin(), states.end(), atom(a)) != states.end();
            };
            if (win.state == "minimized" && !has("_NET_WM_STATE_HIDDEN")) {
                if (!win.iconifyAsked) {
                    iconify(win.id);
                    win.iconifyAsked = true;
                }
                continue;
            }
            if (win.state == "fullscreen" && !has("_NET_WM_STATE_FULLSCREEN")) continue;
            if (win.desktop) {
                const auto d = cards(win.id, atom("_NET_WM_DESKTOP"));
                if (d.empty() || d[0] != *win.desktop) continue;
            }
            win.ready = true;
            say("ready " + name + " " + hex(win.id));
        }
    }

    const Window* byId(xcb_window_t id) const {
        for (const auto& [name, win] : windows_)
            if (win.id == id) return &win;
        return nullptr;
    }

    int drainEvents() {
        int handled = 0;
        while (Ptr<xcb_generic_event_t> ev{xcb_poll_for_event(c_)}) {
            ++handled;
            const std::uint8_t type = ev->response_type & 0x7f;
            if (type == XCB_CLIENT_MESSAGE) {
                auto* cm = reinterpret_cast<xcb_client_message_event_t*>(ev.get());
                if (cm->type == atom("WM_PROTOCOLS") &&
                    cm->data.data32[0] == atom("WM_DELETE_WINDOW")) {
                    if (const Window* w = byId(cm->window)) {
                        const std::string name = w->name;
                        xcb_destroy_window(c_, cm->window);
                        xcb_flush(c_);
                        windows_.erase(name);
                        say("closed " + name + " wm");
                    }
                }
            } else if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
                auto* kp = reinterpret_cast<xcb_key_press_event_t*>(ev.get());
                const int column = (kp->state & XCB_MOD_MASK_SHIFT) ? 1 : 0;
                const xcb_keysym_t sym = xcb_key_symbols_get_keysym(syms_, kp->detail, column);
                if (const Window* w = byId(kp->event))
                    say((type == XCB_KEY_PRESS ? "key " : "keyup ") + w->name + " " + hex(sym));
            } else if (type == XCB_MAPPING_NOTIFY) {
                xcb_refresh_keyboard_mapping(
                    syms_, reinterpret_cast<xcb_mapping_notify_event_t*>(ev.get()));
            }
        }
        return handled;
    }

    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_key_symbols_t* syms_ = nullptr;
    std::map<std::string, xcb_atom_t> atoms_;
    std::map<std::string, Window> windows_;
    std::string host_;
    xcb_window_t leader_ = XCB_NONE;
    xcb_pixmap_t hintMask_ = XCB_NONE;
    bool quit_ = false;
};

} // namespace

int main() {
    Client client;
    return client.run();
}

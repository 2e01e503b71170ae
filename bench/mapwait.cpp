// Start-up timer: runs a command and prints the milliseconds from the fork to
// the moment a window with the given title is viewable on the X display, and
// the shared libraries the command had mapped at that moment.
//
//   hushwave_mapwait <title> <timeout s> <command> [args...]
//   prints "<ms> <libraries>"; with MAPWAIT_LIST=file, their paths go there
//
// The command is ended (SIGTERM) once its window is seen. Polls the window
// tree every 2 ms, so it needs no help from the window manager.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{

bool named(Display* display, Window window, const char* title)
{
    char* name = nullptr;
    bool match = false;
    if (XFetchName(display, window, &name) && name) {
        match = std::strcmp(name, title) == 0;
        XFree(name);
    }
    if (!match)
        return false;
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

bool find(Display* display, Window window, const char* title, int depth = 0)
{
    if (named(display, window, title))
        return true;
    if (depth > 4)
        return false;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i)
        found = find(display, children[i], title, depth + 1);
    if (children)
        XFree(children);
    return found;
}

// Distinct shared objects in the process's memory map.
std::set<std::string> mappedLibraries(pid_t pid)
{
    std::set<std::string> libraries;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const size_t slash = line.find('/');
        if (slash == std::string::npos)
            continue;
        const std::string path = line.substr(slash);
        const size_t so = path.find(".so");
        if (so != std::string::npos && (so + 3 == path.size() || path[so + 3] == '.'))
            libraries.insert(path);
    }
    return libraries;
}

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0; // windows come and go while we walk the tree
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <title> <timeout s> <command> [args...]\n", argv[0]);
        return 64;
    }
    const char* title = argv[1];
    const double timeout = std::atof(argv[2]);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);

    using SteadyClock = std::chrono::steady_clock;
    const auto start = SteadyClock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[3], argv + 3);
        _exit(127);
    }
    int status = 0;
    while (true) {
        if (find(display, root, title)) {
            const double ms =
                std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
            const std::set<std::string> libraries = mappedLibraries(child);
            std::printf("%.1f %zu\n", ms, libraries.size());
            if (const char* list = std::getenv("MAPWAIT_LIST")) {
                std::ofstream out(list);
                for (const std::string& library : libraries)
                    out << library << '\n';
            }
            kill(child, SIGTERM);
            waitpid(child, &status, 0);
            return 0;
        }
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "%s ended before its window was seen\n", argv[3]);
            return 1;
        }
        if (std::chrono::duration<double>(SteadyClock::now() - start).count() > timeout) {
            std::fprintf(stderr, "no window \"%s\" within %g s\n", title, timeout);
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

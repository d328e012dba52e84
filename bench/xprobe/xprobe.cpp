// xprobe: drives a drawing program through the X server and times what reaches the screen.
//
//   xprobe root     --colour 0xRRGGBB
//   xprobe startup  --name PREFIX [--log FILE] -- PROGRAM [ARGS...]
//   xprobe board    --name PREFIX
//   xprobe latency  --name PREFIX [--moves N] [--runs R] [--first-band B] [--step PX] [--gap-ms MS]
//   xprobe burst    --name PREFIX --pid PID [--moves N] [--gap-us US]
//   xprobe memory   --name PREFIX --pid PID [--segments N] [--chunk N]
//   xprobe live     --name PREFIX --pid PID [--moves N] [--rate-hz HZ] [--first-band B]
//
// Input goes in through XTest, exactly as a mouse would deliver it; pixels come back from the
// root window with XGetImage, i.e. what the X server would show. Every figure is printed as
// key=value lines for the harness (run_bench.py) to collect.
//
// The board is the part of the program's client area below its menu bar: its bottom rows are
// the board colour (black), and it is found by scanning up from the bottom edge.

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// XDestroyImage is a macro; the owning pointers below need a function.
int destroyImage(XImage *image)
{
    return XDestroyImage(image);
}
using ImagePtr = std::unique_ptr<XImage, int (*)(XImage *)>;

double microsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void sleepMicros(long us)
{
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "xprobe: %s\n", what.c_str());
    std::exit(2);
}

// ---- options -----------------------------------------------------------------------------

struct Options
{
    std::map<std::string, std::string> values;
    std::vector<std::string> command; // after "--"

    std::string get(const std::string &key, const std::string &fallback = {}) const
    {
        auto it = values.find(key);
        return it == values.end() ? fallback : it->second;
    }
    long number(const std::string &key, long fallback) const
    {
        auto it = values.find(key);
        return it == values.end() ? fallback : std::stol(it->second);
    }
};

Options parseOptions(int argc, char **argv, int first)
{
    Options options;
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            for (++i; i < argc; ++i)
                options.command.emplace_back(argv[i]);
            break;
        }
        if (arg.rfind("--", 0) != 0 || i + 1 >= argc)
            fail("bad option " + arg);
        options.values[arg.substr(2)] = argv[++i];
    }
    return options;
}

// ---- /proc -------------------------------------------------------------------------------

// CPU time of every thread of the process, in nanoseconds, from the scheduler's own account.
std::uint64_t cpuNanos(pid_t pid)
{
    std::uint64_t total = 0;
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(taskDir.c_str());
    if (!dir)
        fail("process " + std::to_string(pid) + " is gone");
    while (dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream in(taskDir + "/" + entry->d_name + "/schedstat");
        std::uint64_t ns = 0;
        if (in >> ns)
            total += ns;
    }
    closedir(dir);
    return total;
}

// utime + stime of the whole process, in clock ticks, as /proc/PID/stat reports them.
long cpuTicks(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        fail("cannot read /proc stat");
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            utime = std::stol(field);
        if (index == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

long statusKiB(pid_t pid, const std::string &key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + ":", 0) == 0)
            return std::stol(line.substr(key.size() + 1));
    }
    return -1;
}

// Waits until the process has used no CPU for `quietMs`; gives up after `limitMs`.
bool waitIdle(pid_t pid, int quietMs = 30, int limitMs = 60000)
{
    const auto start = Clock::now();
    std::uint64_t last = cpuNanos(pid);
    auto quietSince = Clock::now();
    while (microsSince(start) < limitMs * 1000.0) {
        sleepMicros(5000);
        const std::uint64_t now = cpuNanos(pid);
        if (now != last) {
            last = now;
            quietSince = Clock::now();
        } else if (microsSince(quietSince) >= quietMs * 1000.0) {
            return true;
        }
    }
    return false;
}

// ---- X -----------------------------------------------------------------------------------

struct Rect
{
    int x = 0, y = 0, w = 0, h = 0;
};

class X
{
public:
    X()
    {
        m_display = XOpenDisplay(nullptr);
        if (!m_display)
            fail("cannot open the display");
        int event, error, major, minor;
        if (!XTestQueryExtension(m_display, &event, &error, &major, &minor))
            fail("the X server has no XTest");
        m_root = DefaultRootWindow(m_display);
        m_netWmName = XInternAtom(m_display, "_NET_WM_NAME", False);
        m_utf8 = XInternAtom(m_display, "UTF8_STRING", False);
    }
    ~X() { XCloseDisplay(m_display); }

    Display *display() const { return m_display; }

    std::string windowName(Window window)
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char *data = nullptr;
        std::string name;
        if (XGetWindowProperty(m_display, window, m_netWmName, 0, 1024, False, m_utf8, &type,
                               &format, &count, &after, &data) == Success && data) {
            name.assign(reinterpret_cast<char *>(data), count);
            XFree(data);
            return name;
        }
        char *legacy = nullptr;
        if (XFetchName(m_display, window, &legacy) && legacy) {
            name = legacy;
            XFree(legacy);
        }
        return name;
    }

    // The viewable top-level client window whose title starts with `prefix`.
    std::optional<Window> findWindow(const std::string &prefix)
    {
        return search(m_root, prefix, 0);
    }

    Window waitForWindow(const std::string &prefix, int limitMs = 20000)
    {
        const auto start = Clock::now();
        while (microsSince(start) < limitMs * 1000.0) {
            if (auto window = findWindow(prefix))
                return *window;
            sleepMicros(1000);
        }
        fail("no window titled \"" + prefix + "...\"");
    }

    // The client area on the screen.
    Rect clientRect(Window window)
    {
        XWindowAttributes attributes;
        XGetWindowAttributes(m_display, window, &attributes);
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(m_display, window, m_root, 0, 0, &x, &y, &child);
        return {x, y, attributes.width, attributes.height};
    }

    // The board: the rows of the client area from its bottom edge up to the first row that
    // is not the board colour (the menu bar), scanned a few pixels in from the left edge,
    // outside the welcome banner.
    Rect boardRect(Window window)
    {
        const Rect client = clientRect(window);
        ImagePtr column(
            XGetImage(m_display, m_root, client.x + 3, client.y, 1,
                      static_cast<unsigned>(client.h), AllPlanes, ZPixmap),
            destroyImage);
        if (!column)
            fail("cannot read the window's pixels");
        int top = client.h;
        while (top > 0 && (XGetPixel(column.get(), 0, top - 1) & 0xFFFFFF) == 0)
            --top;
        if (client.h - top < 100)
            fail("the board is not showing (is the banner still up?)");
        return {client.x, client.y + top, client.w, client.h - top};
    }

    // Whether any pixel of the rectangle (screen coordinates) differs from `colour`.
    bool anyPixelNot(const Rect &area, unsigned long colour)
    {
        XImage *image = XGetImage(m_display, m_root, area.x, area.y,
                                  static_cast<unsigned>(area.w), static_cast<unsigned>(area.h),
                                  AllPlanes, ZPixmap);
        if (!image)
            return false;
        bool found = false;
        for (int y = 0; y < area.h && !found; ++y)
            for (int x = 0; x < area.w && !found; ++x)
                found = (XGetPixel(image, x, y) & 0xFFFFFF) != colour;
        XDestroyImage(image);
        return found;
    }

    unsigned long pixel(int x, int y)
    {
        XImage *image = XGetImage(m_display, m_root, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0;
        const unsigned long value = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return value;
    }

    ImagePtr grab(const Rect &area)
    {
        return {XGetImage(m_display, m_root, area.x, area.y, static_cast<unsigned>(area.w),
                          static_cast<unsigned>(area.h), AllPlanes, ZPixmap),
                destroyImage};
    }

    void moveTo(int x, int y) { XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime); }
    void button(bool down) { XTestFakeButtonEvent(m_display, 1, down ? True : False, CurrentTime); }
    void flush() { XFlush(m_display); }
    void sync() { XSync(m_display, False); }

private:
    std::optional<Window> search(Window window, const std::string &prefix, int depth)
    {
        Window rootReturn, parent;
        Window *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, window, &rootReturn, &parent, &children, &count))
            return std::nullopt;
        std::optional<Window> found;
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(m_display, children[i], &attributes)
                || attributes.map_state != IsViewable)
                continue;
            if (windowName(children[i]).rfind(prefix, 0) == 0)
                found = children[i];
            else if (depth < 2)
                found = search(children[i], prefix, depth + 1);
        }
        if (children)
            XFree(children);
        return found;
    }

    Display *m_display;
    Window m_root;
    Atom m_netWmName;
    Atom m_utf8;
};

constexpr unsigned long kBoardColour = 0x000000;

std::string hex(unsigned long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

// ---- startup -----------------------------------------------------------------------------

// Starts the program and times it from just before fork() to the first frame of its board on
// the screen: the moment the bottom corners of its client area turn the board colour. The
// root window is some other colour (the harness sees to that), and Qt's windows have no
// background of their own, so nothing there is black before the program has painted.
int startup(const Options &options)
{
    if (options.command.empty())
        fail("startup needs a program after --");
    const std::string prefix = options.get("name");
    X x;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork failed");
    if (pid == 0) {
        const std::string log = options.get("log", "/dev/null");
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        setpgid(0, 0);
        std::vector<char *> argv;
        for (const auto &arg : options.command)
            argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::printf("pid=%d\n", pid);
    std::fflush(stdout);
    std::optional<Window> window;
    while (!window) {
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid)
            fail("the program ended before showing its window");
        if (microsSince(start) > 20e6)
            fail("no window within 20 s");
        window = x.findWindow(prefix);
        if (!window)
            sleepMicros(500);
    }
    const double mappedUs = microsSince(start);
    double frameUs = -1;
    std::uint64_t frameCpuNs = 0;
    while (microsSince(start) < 20e6) {
        const Rect client = x.clientRect(*window);
        if (x.pixel(client.x + 2, client.y + client.h - 3) == kBoardColour
            && x.pixel(client.x + client.w - 3, client.y + client.h - 3) == kBoardColour) {
            frameUs = microsSince(start);
            frameCpuNs = cpuNanos(pid);
            break;
        }
        sleepMicros(200);
    }
    if (frameUs < 0)
        fail("the board never appeared");
    std::printf("window=%s\nmapped_us=%.0f\nfirst_frame_us=%.0f\ncpu_us_to_first_frame=%.0f\n",
                hex(*window).c_str(), mappedUs, frameUs, static_cast<double>(frameCpuNs) / 1e3);
    return 0;
}

// Gives the root window a plain colour, so that the first frame of a black board shows.
int root(const Options &options)
{
    X x;
    Display *display = x.display();
    const unsigned long rgb = std::stoul(options.get("colour", "0x3a6ea5"), nullptr, 16);
    XColor colour{};
    colour.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
    colour.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
    colour.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
    XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &colour);
    XSetWindowBackground(display, DefaultRootWindow(display), colour.pixel);
    XClearWindow(display, DefaultRootWindow(display));
    x.sync();
    return 0;
}

int board(const Options &options)
{
    X x;
    const Window window = x.waitForWindow(options.get("name"));
    const Rect client = x.clientRect(window);
    const Rect rect = x.boardRect(window);
    std::printf("window=%s\nclient=%d,%d,%dx%d\nboard=%d,%d,%dx%d\n", hex(window).c_str(),
                client.x, client.y, client.w, client.h, rect.x, rect.y, rect.w, rect.h);
    return 0;
}

// ---- latency -----------------------------------------------------------------------------

// For each run, a fresh stroke in its own band of the board: the pointer snakes along rows,
// `step` pixels a move. Each move is timed from the XTest request to the first new pixel of
// its segment on the screen (any pixel between the old and the new position that is no longer
// the board colour).
int latency(const Options &options)
{
    X x;
    const Window window = x.waitForWindow(options.get("name"));
    const Rect area = x.boardRect(window);
    const int moves = static_cast<int>(options.number("moves", 300));
    const int runs = static_cast<int>(options.number("runs", 5));
    // Runs of several calls share one board: each call starts at its own band.
    const int firstBand = static_cast<int>(options.number("first-band", 0));
    const int step = static_cast<int>(options.number("step", 3));
    const long gapUs = options.number("gap-ms", 8) * 1000;
    const int warmup = 20;
    const int margin = 12, rowStep = 5;
    const int perRow = (area.w - 2 * margin) / step;
    const int rowsPerRun = (moves + warmup) / perRow + 2;
    const int band = rowsPerRun * rowStep + 8;
    if ((firstBand + runs) * band + 2 * margin > area.h)
        fail("the board is too small for that many runs");

    for (int run = 0; run < runs; ++run) {
        int px = area.x + margin;
        int py = area.y + margin + (firstBand + run) * band;
        int direction = 1;
        x.moveTo(px, py);
        x.sync();
        sleepMicros(50000);
        x.button(true);
        x.sync();
        sleepMicros(50000);
        std::vector<double> samples;
        int missed = 0;
        for (int i = 0; i < warmup + moves; ++i) {
            int nx = px + direction * step, ny = py;
            Rect fresh;
            if (nx < area.x + margin || nx > area.x + area.w - margin) {
                nx = px;
                ny = py + rowStep;
                direction = -direction;
                fresh = {px, py + 1, 1, rowStep};
            } else {
                fresh = {std::min(px, nx) + (direction > 0 ? 1 : 0), py, step, 1};
            }
            const auto start = Clock::now();
            x.moveTo(nx, ny);
            x.flush();
            double us = -1;
            while (microsSince(start) < 500000) {
                if (x.anyPixelNot(fresh, kBoardColour)) {
                    us = microsSince(start);
                    break;
                }
                sleepMicros(20);
            }
            if (i >= warmup) {
                if (us < 0)
                    ++missed;
                else
                    samples.push_back(us);
            }
            px = nx;
            py = ny;
            sleepMicros(gapUs);
        }
        x.button(false);
        x.sync();
        sleepMicros(50000);
        std::printf("run=%d missed=%d samples=", run, missed);
        for (std::size_t i = 0; i < samples.size(); ++i)
            std::printf("%s%.0f", i ? "," : "", samples[i]);
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}

// ---- burst -------------------------------------------------------------------------------

// A zigzag whose every corner is a reported position: bands four pixels high, two pixels
// between corners, snaking down the board. A program that merges moves joins two corners with
// one line and leaves the corner between them undrawn.
constexpr int kZigzagMargin = 10, kZigzagBandHeight = 3, kZigzagBandStep = 6, kZigzagDx = 2;

std::vector<std::pair<int, int>> zigzag(const Rect &area, int moves, int firstBand = 0)
{
    const int margin = kZigzagMargin, bandHeight = kZigzagBandHeight, bandStep = kZigzagBandStep,
              dx = kZigzagDx;
    std::vector<std::pair<int, int>> points;
    int band = firstBand;
    while (static_cast<int>(points.size()) < moves + 1) {
        const int top = area.y + margin + band * bandStep;
        if (top + bandHeight >= area.y + area.h - margin)
            fail("the board is too small for that many moves");
        const bool rightwards = band % 2 == 0;
        const int count = (area.w - 2 * margin) / dx;
        for (int i = 0; i <= count && static_cast<int>(points.size()) < moves + 1; ++i) {
            const int column = rightwards ? i : count - i;
            const int px = area.x + margin + column * dx;
            points.emplace_back(px, top + (i % 2 ? bandHeight : 0));
        }
        ++band;
    }
    return points;
}

int burst(const Options &options)
{
    X x;
    const Window window = x.waitForWindow(options.get("name"));
    const pid_t pid = static_cast<pid_t>(options.number("pid", 0));
    const int moves = static_cast<int>(options.number("moves", 20000));
    const long gapUs = options.number("gap-us", 300);
    const Rect area = x.boardRect(window);
    const auto points = zigzag(area, moves);

    x.moveTo(points[0].first, points[0].second);
    x.sync();
    sleepMicros(50000);
    x.button(true);
    x.sync();
    waitIdle(pid, 100);

    const std::uint64_t ns0 = cpuNanos(pid);
    const long ticks0 = cpuTicks(pid);
    kill(pid, SIGSTOP);
    for (int i = 1; i <= moves; ++i) {
        x.moveTo(points[static_cast<std::size_t>(i)].first,
                 points[static_cast<std::size_t>(i)].second);
        x.sync();
        if (gapUs > 0)
            sleepMicros(gapUs);
    }
    const auto resumed = Clock::now();
    kill(pid, SIGCONT);
    const bool settled = waitIdle(pid, 200, 120000);
    const double drainUs = microsSince(resumed);
    const std::uint64_t ns1 = cpuNanos(pid);
    const long ticks1 = cpuTicks(pid);

    x.button(false);
    x.sync();
    waitIdle(pid, 100);

    // Every corner but the last (whose own end pixel the program may leave out by its line
    // rule) must be chalk.
    auto image = x.grab(area);
    int missing = 0;
    for (int i = 0; i < moves; ++i) {
        const auto [px, py] = points[static_cast<std::size_t>(i)];
        if ((XGetPixel(image.get(), px - area.x, py - area.y) & 0xFFFFFF) == kBoardColour)
            ++missing;
    }
    const long hz = sysconf(_SC_CLK_TCK);
    std::printf("moves=%d\nsettled=%d\ndrain_us=%.0f\ncpu_ns=%llu\ncpu_ticks=%ld\nclk_tck=%ld\n"
                "stat_us_per_move=%.3f\nsched_us_per_move=%.3f\nmissing_corners=%d\n",
                moves, settled ? 1 : 0, drainUs,
                static_cast<unsigned long long>(ns1 - ns0), ticks1 - ticks0, hz,
                static_cast<double>(ticks1 - ticks0) * 1e6 / static_cast<double>(hz) / moves,
                static_cast<double>(ns1 - ns0) / 1e3 / moves, missing);
    return 0;
}

// ---- memory ------------------------------------------------------------------------------

// One long stroke of short segments going round and round a small area, the program kept
// caught up (each chunk of moves is let drain before the next): resident memory after the
// first chunk and after the last.
int memory(const Options &options)
{
    X x;
    const Window window = x.waitForWindow(options.get("name"));
    const pid_t pid = static_cast<pid_t>(options.number("pid", 0));
    const long segments = options.number("segments", 1000000);
    const long chunk = options.number("chunk", 1000);
    const Rect area = x.boardRect(window);

    // A ring of 24 points, radius 20, whose centre wanders slowly over the board.
    static const int ring[24][2] = {
        {20, 0},  {19, 5},  {17, 10},  {14, 14},  {10, 17},  {5, 19},  {0, 20},  {-5, 19},
        {-10, 17}, {-14, 14}, {-17, 10}, {-19, 5}, {-20, 0}, {-19, -5}, {-17, -10}, {-14, -14},
        {-10, -17}, {-5, -19}, {0, -20}, {5, -19},  {10, -17}, {14, -14}, {17, -10}, {19, -5}};
    auto point = [&](long i) {
        const long lap = i / 24;
        const long columns = (area.w - 80) / 3;
        const int cx = area.x + 40 + static_cast<int>(lap % columns) * 3;
        const int cy = area.y + 40 + static_cast<int>((lap / columns) * 7 % (area.h - 80));
        return std::pair<int, int>{cx + ring[i % 24][0], cy + ring[i % 24][1]};
    };

    auto [sx, sy] = point(0);
    x.moveTo(sx, sy);
    x.sync();
    sleepMicros(50000);
    x.button(true);
    x.sync();
    waitIdle(pid, 100);
    const long rssStart = statusKiB(pid, "VmRSS");
    long rssFirst = -1;
    const std::uint64_t ns0 = cpuNanos(pid);
    const auto start = Clock::now();
    for (long done = 0; done < segments;) {
        const long upto = std::min(segments, done + chunk);
        for (long i = done + 1; i <= upto; ++i) {
            const auto [px, py] = point(i);
            x.moveTo(px, py);
            x.sync();
        }
        done = upto;
        waitIdle(pid, 10);
        if (rssFirst < 0)
            rssFirst = statusKiB(pid, "VmRSS");
        if (done % 100000 == 0) {
            std::printf("progress segments=%ld rss_kib=%ld\n", done, statusKiB(pid, "VmRSS"));
            std::fflush(stdout);
        }
    }
    waitIdle(pid, 100);
    const double seconds = microsSince(start) / 1e6;
    const double cpuUs = static_cast<double>(cpuNanos(pid) - ns0) / 1e3;
    const long rssLast = statusKiB(pid, "VmRSS");
    x.button(false);
    x.sync();
    std::printf("segments=%ld\nseconds=%.1f\ncpu_us_per_segment=%.2f\nrss_before_kib=%ld\n"
                "rss_first_kib=%ld\nrss_last_kib=%ld\ngrowth_kib=%ld\n",
                segments, seconds, cpuUs / static_cast<double>(segments), rssStart, rssFirst,
                rssLast, rssLast - rssFirst);
    return 0;
}

// ---- live --------------------------------------------------------------------------------

// A stroke drawn as a fast mouse draws it: the program runs all along and takes each move as
// it arrives. At --rate-hz moves a second (1,000 for a gaming mouse), every move is timed from
// its XTest request to the first pixel of its segment on the screen, read back between moves;
// with --rate-hz 0 the moves go as fast as the X server takes them (each synced, since the
// server merges moves still queued in it) and only the CPU is counted. The stroke is the
// burst's zigzag, from band --first-band on, so that every move draws fresh pixels of its own.
// CPU is every thread's scheduler time from the press to the program's going idle after the
// last move, divided by the moves.
int live(const Options &options)
{
    X x;
    const Window window = x.waitForWindow(options.get("name"));
    const pid_t pid = static_cast<pid_t>(options.number("pid", 0));
    const int moves = static_cast<int>(options.number("moves", 1000));
    const long rate = options.number("rate-hz", 1000);
    const int firstBand = static_cast<int>(options.number("first-band", 0));
    const Rect area = x.boardRect(window);
    const auto points = zigzag(area, moves, firstBand);

    // The pixels only segment i (from point i-1 to point i) can have turned: strictly between
    // its ends, away from the neighbouring segments.
    auto fresh = [&](int i) {
        const auto [x0, y0] = points[static_cast<std::size_t>(i - 1)];
        const auto [x1, y1] = points[static_cast<std::size_t>(i)];
        if (x0 == x1)
            return Rect{x0, std::min(y0, y1) + 1, 1, std::abs(y1 - y0) - 1};
        return Rect{std::min(x0, x1) + 1, std::min(y0, y1), std::abs(x1 - x0) - 1,
                    std::abs(y1 - y0) + 1};
    };

    x.moveTo(points[0].first, points[0].second);
    x.sync();
    sleepMicros(30000);
    const std::uint64_t ns0 = cpuNanos(pid);
    x.button(true);
    x.sync();

    std::vector<double> samples;
    std::vector<Clock::time_point> sent(static_cast<std::size_t>(moves) + 1);
    const auto start = Clock::now();
    int oldest = 1; // the first move whose pixels have not been seen yet
    if (rate > 0) {
        const double periodUs = 1e6 / static_cast<double>(rate);
        for (int i = 1; i <= moves || oldest <= moves;) {
            const double due = (i - 1) * periodUs;
            if (i <= moves && microsSince(start) >= due) {
                sent[static_cast<std::size_t>(i)] = Clock::now();
                x.moveTo(points[static_cast<std::size_t>(i)].first,
                         points[static_cast<std::size_t>(i)].second);
                x.flush();
                ++i;
                continue;
            }
            if (oldest < i && x.anyPixelNot(fresh(oldest), kBoardColour)) {
                samples.push_back(microsSince(sent[static_cast<std::size_t>(oldest)]));
                ++oldest;
                continue;
            }
            if (oldest < i && microsSince(sent[static_cast<std::size_t>(oldest)]) > 500000)
                ++oldest; // never drawn: counted below from the final picture
            else
                sleepMicros(20);
        }
    } else {
        for (int i = 1; i <= moves; ++i) {
            x.moveTo(points[static_cast<std::size_t>(i)].first,
                     points[static_cast<std::size_t>(i)].second);
            // Synced one by one: the server merges motion still waiting in its input queue.
            x.sync();
        }
    }
    const double sendUs = microsSince(start);
    waitIdle(pid, 30);
    const std::uint64_t ns1 = cpuNanos(pid);
    x.button(false);
    x.sync();
    waitIdle(pid, 30);

    int missing = 0;
    auto image = x.grab(area);
    for (int i = 1; i < moves; ++i) {
        const Rect r = fresh(i);
        bool drawn = false;
        for (int yy = r.y; yy < r.y + r.h && !drawn; ++yy)
            for (int xx = r.x; xx < r.x + r.w && !drawn; ++xx)
                drawn = (XGetPixel(image.get(), xx - area.x, yy - area.y) & 0xFFFFFF) != kBoardColour;
        if (!drawn)
            ++missing;
    }
    const int lastBand = (points.back().second - area.y - kZigzagMargin) / kZigzagBandStep;
    std::printf("moves=%d\nrate_hz=%ld\nsend_us=%.0f\ncpu_ns=%llu\nsched_us_per_move=%.3f\n"
                "missing_segments=%d\nnext_band=%d\nlatency_us=",
                moves, rate, sendUs, static_cast<unsigned long long>(ns1 - ns0),
                static_cast<double>(ns1 - ns0) / 1e3 / moves, missing, lastBand + 1);
    for (std::size_t i = 0; i < samples.size(); ++i)
        std::printf("%s%.0f", i ? "," : "", samples[i]);
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: xprobe startup|board|latency|burst|memory|live [options]\n");
        return 2;
    }
    const std::string command = argv[1];
    const Options options = parseOptions(argc, argv, 2);
    if (command == "startup")
        return startup(options);
    if (command == "root")
        return root(options);
    if (command == "board")
        return board(options);
    if (command == "latency")
        return latency(options);
    if (command == "burst")
        return burst(options);
    if (command == "memory")
        return memory(options);
    if (command == "live")
        return live(options);
    fail("unknown command " + command);
}

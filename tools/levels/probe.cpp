// level-probe: plays the shipped levels the way a player who clicks around
// would, and prints what it found.
//
//   level-probe [options] [N...]      N: level file numbers (data/N.lv); all
//                                     eighteen in play order when none given
// Options:
//   --source DIR        the repository (data/ and tests/solutions/), default "."
//   --grid PX           spacing of the one-click grid over the screen (16)
//   --moments MS,...    moments after the start of play for the grid clicks
//                       (500,1500,3000,5000)
//   --after MS          how long each probe waits after its last click (20000)
//   --random N          random plays of 2 to 6 clicks (200)
//   --seed S            their seed (1)
//   --jobs J            plays run at once (the number of cores)
//   --no-grid, --no-neighbourhood   skip those parts
//   --full              never stop a play early because it has come to rest
//   --check             exit with status 1 on a one-click win at play 6 or
//                       later, or on any false win (the level tests' form)
//   --examples N        one-click wins listed per level (3)
//
// Every probe is a play of the game's own pass, as the headless runner plays
// it: real SDL events on the dummy video driver, 16 ms frames. Probes fork
// from the play at the moment they branch off, so each starts from exactly
// that state, and they run in parallel.
//
// What it measures, per level:
//   one-click   a single click of either button at every grid point at each
//               moment, then the wait: the clicks that win. A click that
//               leaves the polygon as it was (a cut in the air, a stamp inside
//               the solid or refused near a ball) plays as no click at all.
//   random      plays of 2 to 6 clicks at random places over the level's
//               extent (its bounding box grown by a stamp's reach) and random
//               moments in the first 10 s: the share that wins.
//   moved       the level's solution (tests/solutions/N.sim) with every
//               pointer position moved by (dx, dy) in {-8, -4, 0, 4, 8}^2.
//   retimed     the solution with one wait at a time 200 ms shorter or longer.
//   false wins  any win of any probe with the white ball back on the screen
//               at the moment the level completes.
//   fewest      the fewest clicks of any winning probe (grid and random).
//
// A play is stopped early once it is decided: complete, failed, or, with the
// white ball still on the screen, everything at rest for two seconds (no ball
// moved more than half a pixel, the field turned less than 0.001 rad). --full
// plays every probe to its end, to check that this changes no verdict.
#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/data_folder.h"
#include "app/loop.h"
#include "game/levels.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/playfield.h"
#include "../sim/runner.h"

namespace {

struct Options {
    std::string source = ".";
    int grid = 16;
    std::vector<int> moments{500, 1500, 3000, 5000};
    int afterMs = 20000;
    int randomPlays = 200;
    unsigned seed = 1;
    int jobs = 2;
    bool doGrid = true;
    bool doNeighbourhood = true;
    bool full = false;
    bool check = false;
    int examples = 3;
};
Options opt;

constexpr int restWindowMs = 2000;
constexpr double restMovePx = 0.5;
constexpr double restTurnRad = 0.001;
constexpr int stampReach = 40;
constexpr int randomWindowMs = 10000;

// What one probe came to.
struct Outcome {
    int state = 0;        // the game state it ended in
    bool falseWin = false;
    bool unchanged = false;  // the click left the polygon as it was
    int clicks = 0;
};

bool whiteOnScreen()
{
    const Vec2 p = balls[0].position;
    const int x = static_cast<int>(p.x), y = static_cast<int>(p.y);
    return x >= 0 && x <= screenWidth && y >= 0 && y <= screenHeight;
}

// Watches every pass of a probe: notes a false win, stops at the end of a
// play, and (unless --full) once everything has been at rest for a while.
struct Watch {
    Outcome out;
    bool decided = false;
    int sinceSample = 0;
    Vec2 sample[ballCount];
    float sampleAngle = 0.0f;
    void reset()
    {
        sinceSample = 0;
        for (int i = 0; i < ballCount; ++i) sample[i] = balls[i].position;
        sampleAngle = angle;
    }
    // After a pass that began in state before: true once the play has ended.
    bool noteEnd(int before)
    {
        if (gameState == LevelComplete && before != LevelComplete && whiteOnScreen()) out.falseWin = true;
        if (before != Playing || gameState == Playing) return false;
        out.state = gameState;
        return decided = true;
    }
    // One pass; true once the play is decided.
    bool pass(bool restMayEnd)
    {
        const int before = gameState;
        runOnePass();
        if (noteEnd(before)) return true;
        if (!restMayEnd || opt.full || keepTime >= 0) {
            reset();
            return false;
        }
        bool still = std::fabs(angle - sampleAngle) < restTurnRad;
        for (int i = 0; i < ballCount && still; ++i) {
            const Vec2 d = balls[i].position - sample[i];
            still = std::hypot(d.x, d.y) < restMovePx;
        }
        if (!still) {
            reset();
            return false;
        }
        sinceSample += static_cast<int>(fixedFrameMs);
        if (sinceSample >= restWindowMs) {
            out.state = Playing;
            return decided = true;
        }
        return false;
    }
    void wait(int ms, bool restMayEnd)
    {
        reset();
        for (int done = 0; done < ms && !decided; done += static_cast<int>(fixedFrameMs)) pass(restMayEnd);
        if (!decided) out.state = gameState;
    }
};

void command(const std::vector<std::string>& w)
{
    runCommand(w, 0);
}

void clickAt(int x, int y, bool left)
{
    command({"move", std::to_string(x), std::to_string(y)});
    command({"click", left ? "left" : "right"});
}

void startPlay()
{
    clickAt(1010, 10, true);
}

struct PolygonMark {
    int contours, vertices;
    double area;
};

PolygonMark markOf()
{
    PolygonMark m{levelPolygon.num_contours, 0, 0.0};
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        m.vertices += levelPolygon.contour[c].num_vertices;
        m.area += gpc_contour_area(&levelPolygon.contour[c]);
    }
    return m;
}

// Runs probes in forked children, at most opt.jobs at once; each child sends
// its Outcome back through a pipe.
class Pool {
public:
    explicit Pool(std::vector<Outcome>& results) : results_(results) {}
    void run(size_t index, const std::function<Outcome()>& probe)
    {
        while (static_cast<int>(running_.size()) >= opt.jobs) collectOne();
        int fds[2];
        if (pipe(fds) != 0) {
            std::perror("level-probe: pipe");
            std::exit(2);
        }
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid < 0) {
            std::perror("level-probe: fork");
            std::exit(2);
        }
        if (pid == 0) {
            close(fds[0]);
            const Outcome out = probe();
            const ssize_t written = write(fds[1], &out, sizeof out);
            _exit(written == static_cast<ssize_t>(sizeof out) ? 0 : 3);
        }
        close(fds[1]);
        running_[pid] = {fds[0], index};
    }
    void finish()
    {
        while (!running_.empty()) collectOne();
    }

private:
    void collectOne()
    {
        int status = 0;
        const pid_t pid = waitpid(-1, &status, 0);
        auto it = running_.find(pid);
        if (it == running_.end()) return;
        Outcome out;
        const ssize_t got = read(it->second.first, &out, sizeof out);
        close(it->second.first);
        if (got != static_cast<ssize_t>(sizeof out) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "level-probe: a probe died (status %d)\n", status);
            std::exit(2);
        }
        results_[it->second.second] = out;
        running_.erase(it);
    }
    std::vector<Outcome>& results_;
    std::map<pid_t, std::pair<int, size_t>> running_;
};

// ---- scripts ---------------------------------------------------------------

struct Script {
    std::vector<std::vector<std::string>> lines;  // expectations taken out
};

bool readScript(const std::string& path, Script& script)
{
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> w = words(line);
        if (w.empty() || w[0] == "expect") continue;
        script.lines.push_back(w);
    }
    return true;
}

Script moved(const Script& s, int dx, int dy)
{
    Script out = s;
    for (auto& w : out.lines)
        if (w[0] == "move" && w.size() == 3) {
            w[1] = std::to_string(std::max(0, std::stoi(w[1]) + dx));
            w[2] = std::to_string(std::max(0, std::stoi(w[2]) + dy));
        }
    return out;
}

// Plays a script from the title screen; the last wait may end at rest.
Outcome playScript(const Script& s)
{
    Watch watch;
    size_t lastWait = 0;
    for (size_t i = 0; i < s.lines.size(); ++i)
        if (s.lines[i][0] == "wait") lastWait = i;
    for (size_t i = 0; i < s.lines.size() && !watch.decided; ++i) {
        const auto& w = s.lines[i];
        if (w[0] == "wait") {
            watch.wait(std::stoi(w[1]), i == lastWait);
        } else {
            if (w[0] == "click" && gameState == Playing) ++watch.out.clicks;
            const int before = gameState;
            command(w);
            watch.noteEnd(before);
        }
    }
    if (!watch.decided) watch.out.state = gameState;
    return watch.out;
}

// ---- one level -------------------------------------------------------------

struct Click {
    int atMs, x, y;
    bool left;
};

std::string describe(const Click& c)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s(%d,%d)@%.1fs", c.left ? "stamp" : "cut", c.x, c.y, c.atMs / 1000.0);
    return text;
}

// A play that starts with the start click and then clicks at the given
// moments (sorted), waiting opt.afterMs after the last.
Outcome playClicks(const std::vector<Click>& clicks)
{
    Watch watch;
    startPlay();
    int now = 0;
    for (const Click& c : clicks) {
        if (c.atMs > now) watch.wait(c.atMs - now, false);
        now = std::max(now, c.atMs);
        if (watch.decided) return watch.out;
        clickAt(c.x, c.y, c.left);
        ++watch.out.clicks;
        now += static_cast<int>(fixedFrameMs);
    }
    watch.wait(opt.afterMs, true);
    return watch.out;
}

struct Row {
    int play = 0, file = 0;
    long gridProbes = 0, gridChanged = 0;
    std::vector<std::string> oneClick;
    int oneClickCount = 0;
    int randomWins = 0, randomPlays = 0;
    int movedWins = -1, movedTotal = 0;
    int retimedWins = -1, retimedTotal = 0;
    bool solutionWins = false;
    int falseWins = 0;
    int fewest = 0;  // 0: no win found
    int solutionClicks = 0;
    double seconds = 0.0;
};

void noteWin(Row& row, const Outcome& o)
{
    if (o.falseWin) ++row.falseWins;
    if (o.state == LevelComplete && o.clicks > 0 && (row.fewest == 0 || o.clicks < row.fewest))
        row.fewest = o.clicks;
}

// Everything about one level, in this process (which has it loaded on the
// title screen).
Row probeLevel(int play, int file)
{
    const auto t0 = std::chrono::steady_clock::now();
    Row row;
    row.play = play;
    row.file = file;

    // Solution and its neighbourhood, from the title screen.
    Script solution;
    const std::string solutionPath = opt.source + "/tests/solutions/" + std::to_string(file) + ".sim";
    std::vector<Script> variants;
    if (readScript(solutionPath, solution)) {
        variants.push_back(solution);
        if (opt.doNeighbourhood) {
            for (int dx = -8; dx <= 8; dx += 4)
                for (int dy = -8; dy <= 8; dy += 4)
                    if (dx || dy) variants.push_back(moved(solution, dx, dy));
            for (size_t i = 0; i < solution.lines.size(); ++i) {
                if (solution.lines[i][0] != "wait") continue;
                for (int d : {-200, 200}) {
                    Script s = solution;
                    s.lines[i][1] = std::to_string(std::max(0, std::stoi(s.lines[i][1]) + d));
                    variants.push_back(s);
                }
            }
        }
    }
    // Random plays over the level's extent as it hangs upright.
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (int c = 0; c < levelPolygon.num_contours; ++c)
        for (int i = 0; i < levelPolygon.contour[c].num_vertices; ++i) {
            const gpc_vertex& v = levelPolygon.contour[c].vertex[i];
            x0 = std::min(x0, v.x), y0 = std::min(y0, v.y), x1 = std::max(x1, v.x), y1 = std::max(y1, v.y);
        }
    x0 = std::max(0.0, x0 - stampReach), y0 = std::max(0.0, y0 - stampReach);
    x1 = std::min(1023.0, x1 + stampReach), y1 = std::min(767.0, y1 + stampReach);
    std::mt19937 rng(opt.seed * 1000003u + static_cast<unsigned>(file));
    std::vector<std::vector<Click>> randomPlays(opt.randomPlays);
    for (auto& clicks : randomPlays) {
        const int n = std::uniform_int_distribution<int>(2, 6)(rng);
        for (int k = 0; k < n; ++k)
            clicks.push_back({std::uniform_int_distribution<int>(0, randomWindowMs)(rng),
                              std::uniform_int_distribution<int>(static_cast<int>(x0), static_cast<int>(x1))(rng),
                              std::uniform_int_distribution<int>(static_cast<int>(y0), static_cast<int>(y1))(rng),
                              std::uniform_int_distribution<int>(0, 1)(rng) == 0});
        std::sort(clicks.begin(), clicks.end(), [](const Click& a, const Click& b) { return a.atMs < b.atMs; });
    }

    std::vector<Outcome> scripted(variants.size() + randomPlays.size());
    {
        Pool pool(scripted);
        for (size_t i = 0; i < variants.size(); ++i) pool.run(i, [&, i] { return playScript(variants[i]); });
        for (size_t i = 0; i < randomPlays.size(); ++i)
            pool.run(variants.size() + i, [&, i] { return playClicks(randomPlays[i]); });
        pool.finish();
    }
    if (!variants.empty()) {
        row.solutionWins = scripted[0].state == LevelComplete;
        row.solutionClicks = scripted[0].clicks;
        if (opt.doNeighbourhood) {
            row.movedWins = row.retimedWins = 0;
            for (size_t i = 0; i < variants.size(); ++i) {
                const bool won = scripted[i].state == LevelComplete;
                if (i <= 24) {
                    row.movedTotal++;
                    row.movedWins += won;
                } else {
                    row.retimedTotal++;
                    row.retimedWins += won;
                }
            }
        }
    }
    for (size_t i = 0; i < scripted.size(); ++i) {
        noteWin(row, scripted[i]);
        if (i >= variants.size()) {
            row.randomPlays++;
            row.randomWins += scripted[i].state == LevelComplete;
        }
    }

    // One click at every grid point at each moment: this process plays on
    // idle and forks a probe at each moment for each click.
    if (opt.doGrid) {
        startPlay();
        Watch idle;
        int now = 0;
        for (int moment : opt.moments) {
            if (moment > now) idle.wait(moment - now, false);
            now = std::max(now, moment);
            if (gameState != Playing) break;
            std::vector<Click> clicks;
            for (int y = opt.grid / 2; y < screenHeight; y += opt.grid)
                for (int x = opt.grid / 2; x < screenWidth; x += opt.grid)
                    for (bool left : {true, false}) clicks.push_back({moment, x, y, left});
            std::vector<Outcome> results(clicks.size());
            Pool pool(results);
            const PolygonMark before = markOf();
            for (size_t i = 0; i < clicks.size(); ++i)
                pool.run(i, [&, i] {
                    Watch watch;
                    clickAt(clicks[i].x, clicks[i].y, clicks[i].left);
                    watch.out.clicks = 1;
                    // The click is read at the end of its pass and acts in the next.
                    watch.reset();
                    if (watch.pass(false)) return watch.out;
                    const PolygonMark after = markOf();
                    if (after.contours == before.contours && after.vertices == before.vertices &&
                        after.area == before.area) {
                        watch.out.unchanged = true;
                        return watch.out;
                    }
                    watch.wait(opt.afterMs, true);
                    return watch.out;
                });
            pool.finish();
            for (size_t i = 0; i < clicks.size(); ++i) {
                row.gridProbes++;
                if (results[i].unchanged) continue;
                row.gridChanged++;
                noteWin(row, results[i]);
                if (results[i].state == LevelComplete) {
                    row.oneClickCount++;
                    if (static_cast<int>(row.oneClick.size()) < opt.examples) row.oneClick.push_back(describe(clicks[i]));
                }
            }
        }
    }
    row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return row;
}

// The row travels from the level's process to the parent as one text line.
std::string encode(const Row& r)
{
    std::ostringstream out;
    out << r.play << ' ' << r.file << ' ' << r.gridProbes << ' ' << r.gridChanged << ' ' << r.oneClickCount << ' '
        << r.randomWins << ' ' << r.randomPlays << ' ' << r.movedWins << ' ' << r.movedTotal << ' ' << r.retimedWins
        << ' ' << r.retimedTotal << ' ' << r.solutionWins << ' ' << r.falseWins << ' ' << r.fewest << ' '
        << r.solutionClicks << ' ' << r.seconds << ' ' << r.oneClick.size();
    for (const auto& e : r.oneClick) out << ' ' << e;
    return out.str();
}

Row decode(const std::string& text)
{
    std::istringstream in(text);
    Row r;
    size_t examples = 0;
    in >> r.play >> r.file >> r.gridProbes >> r.gridChanged >> r.oneClickCount >> r.randomWins >> r.randomPlays >>
        r.movedWins >> r.movedTotal >> r.retimedWins >> r.retimedTotal >> r.solutionWins >> r.falseWins >> r.fewest >>
        r.solutionClicks >> r.seconds >> examples;
    for (size_t i = 0; i < examples; ++i) {
        std::string e;
        in >> e;
        r.oneClick.push_back(e);
    }
    return r;
}

Row runLevel(int play, int file)
{
    int fds[2];
    if (pipe(fds) != 0) std::exit(2);
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        startRunner(opt.source + "/data/" + std::to_string(file) + ".lv");
        const std::string line = encode(probeLevel(play, file)) + "\n";
        const bool ok = write(fds[1], line.data(), line.size()) == static_cast<ssize_t>(line.size());
        _exit(ok ? 0 : 3);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty()) {
        std::fprintf(stderr, "level-probe: the probe of data/%d.lv failed\n", file);
        std::exit(2);
    }
    return decode(text);
}

std::string fraction(int wins, int total)
{
    if (wins < 0) return "-";
    return std::to_string(wins) + "/" + std::to_string(total);
}

std::vector<int> numberList(const char* text)
{
    std::vector<int> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) out.push_back(std::atoi(item.c_str()));
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    opt.jobs = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
    std::vector<int> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "level-probe: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--source") opt.source = value();
        else if (a == "--grid") opt.grid = std::max(1, std::atoi(value()));
        else if (a == "--moments") opt.moments = numberList(value());
        else if (a == "--after") opt.afterMs = std::atoi(value());
        else if (a == "--random") opt.randomPlays = std::max(0, std::atoi(value()));
        else if (a == "--seed") opt.seed = static_cast<unsigned>(std::strtoul(value(), nullptr, 10));
        else if (a == "--jobs") opt.jobs = std::max(1, std::atoi(value()));
        else if (a == "--examples") opt.examples = std::max(0, std::atoi(value()));
        else if (a == "--no-grid") opt.doGrid = false;
        else if (a == "--no-neighbourhood") opt.doNeighbourhood = false;
        else if (a == "--full") opt.full = true;
        else if (a == "--check") opt.check = true;
        else if (!a.empty() && a[0] != '-' && std::atoi(a.c_str()) >= 1 && std::atoi(a.c_str()) <= levelCount)
            files.push_back(std::atoi(a.c_str()));
        else {
            std::fprintf(stderr, "level-probe: unexpected argument '%s' (see the top of probe.cpp)\n", a.c_str());
            return 2;
        }
    }
    opt.source = absolutePath(opt.source);
    // Plays save their snapshot to data/temp: give them a scratch folder.
    char scratch[] = "/tmp/level-probe.XXXXXX";
    if (!mkdtemp(scratch) || chdir(scratch) != 0 || mkdir("data", 0700) != 0) {
        std::perror("level-probe: scratch folder");
        return 2;
    }
    // The runner starts on the sequence's first level, as the game does.
    for (int p = 0; p < levelCount; ++p)
        if (symlink((opt.source + "/" + levelFiles[p]).c_str(), levelFiles[p]) != 0) {
            std::perror("level-probe: scratch folder");
            return 2;
        }
    std::vector<std::pair<int, int>> order;  // play, file
    for (int p = 0; p < levelCount; ++p) {
        const int file = std::atoi(levelFiles[p] + 5);  // "data/N.lv"
        if (files.empty() || std::find(files.begin(), files.end(), file) != files.end()) order.push_back({p + 1, file});
    }
    std::printf("level-probe: grid %d px at", opt.grid);
    for (int m : opt.moments) std::printf(" %.1f", m / 1000.0);
    std::printf(" s, then %.0f s; %d random plays, seed %u; %d jobs%s\n\n", opt.afterMs / 1000.0, opt.randomPlays,
                opt.seed, opt.jobs, opt.full ? "; full length" : "");
    std::printf("| play | file | one-click wins | random wins | moved | retimed | false wins | fewest clicks | solution | time |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    bool failedCheck = false;
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<std::string> notes;
    for (auto [play, file] : order) {
        const Row r = runLevel(play, file);
        char random[32];
        std::snprintf(random, sizeof random, "%d/%d (%.1f %%)", r.randomWins, r.randomPlays,
                      r.randomPlays ? 100.0 * r.randomWins / r.randomPlays : 0.0);
        std::string solution = r.solutionWins ? "wins, " + std::to_string(r.solutionClicks) +
                                                    (r.solutionClicks == 1 ? " click" : " clicks")
                                              : "LOSES";
    std::printf("| %d | %d.lv | %s | %s | %s | %s | %d | %s | %s | %.0f s |\n", play, file,
                    opt.doGrid ? std::to_string(r.oneClickCount).c_str() : "-", random,
                    fraction(r.movedWins, r.movedTotal).c_str(), fraction(r.retimedWins, r.retimedTotal).c_str(),
                    r.falseWins, r.fewest ? std::to_string(r.fewest).c_str() : ">6", solution.c_str(), r.seconds);
        std::fflush(stdout);
        if (!r.oneClick.empty()) {
            std::string line = "play " + std::to_string(play) + " (" + std::to_string(file) + ".lv) one-click wins:";
            for (const auto& e : r.oneClick) line += " " + e;
            notes.push_back(line);
        }
        if (opt.check && ((play >= 6 && r.oneClickCount > 0) || r.falseWins > 0)) failedCheck = true;
    }
    std::printf("\n");
    for (const auto& n : notes) std::printf("%s\n", n.c_str());
    std::printf("total %.0f s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    std::string cleanup = std::string("rm -rf ") + scratch;
    if (std::system(cleanup.c_str()) != 0) std::fprintf(stderr, "level-probe: could not remove %s\n", scratch);
    return failedCheck ? 1 : 0;
}

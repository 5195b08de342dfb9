// The replay file: plain text, line feeds, one record a line.
//
//   tiltmoor-replay 1 1.0.0          format version, game version
//   level data/9.lv 0                level file ("-" when edited), sequence index
//   outcome won 12345                won/failed/abandoned/quit/unfinished, play ms
//   polygon 1                        contours, then per contour:
//   contour 0 4                        hole flag, vertex count
//   100 100                            one vertex a line, shortest exact decimals
//   ball 632 115.2 0 0 9999999       seven: position, velocity, contact distance
//   input 900 300 0                  pointer and the held input flags (bits)
//   start m0,0 u1,900,300            events pumped as play began
//   passes 812                       the passes, then one line per pass:
//   t16 m-490,290                      "tN" when its frame time differs from the
//   m3,-2                              pass before, then the events pumped;
//   *40                                40 passes without events
//   end {"state":"LevelComplete",...}  the state the play ended in
//
// Events: mDX,DY pointer moved by (DX, DY) from where the last move or
// release put it (the input line's position at first); dB button B pressed;
// uB,X,Y released at (X, Y); kS,M key S pressed with modifiers M; KS
// released; q close request. Relative moves and frame times written only
// when they change keep a minute of play with the pointer moving on every
// pass within about 50 KB.
// Numbers are written with the shortest text that reads back to the same
// float or double, independent of the locale.
#include "app/replay.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "clip/gpc.h"
#include "physics/ball.h"
#include "playfield/levelfile.h"

namespace {

constexpr char magic[] = "tiltmoor-replay";
// Bounds that no real play comes near, so that a hostile file cannot make
// the reader take more memory than a few times its own size: a level may
// hold four times the vertices a level file may, a play four hours of
// passes at the shortest frame time.
constexpr long maxVertices = 4 * levelVertexLimit;
constexpr long maxPasses = 4L * 3600 * 1000 / 8;

template <typename T>
void putNumber(std::string& out, T value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

// The pointer as the game last saw it: moves are written relative to it.
struct Pointer {
    int x = 0, y = 0;
};

void putEvent(std::string& out, const ReplayEvent& e, Pointer& at, bool first)
{
    if (!first) out += ' ';
    out += e.kind;
    switch (e.kind) {
    case 'm':
        out += std::to_string(e.a - at.x) + "," + std::to_string(e.b - at.y);
        at = {e.a, e.b};
        break;
    case 'd':
    case 'K': out += std::to_string(e.a); break;
    case 'u':
        out += std::to_string(e.a) + "," + std::to_string(e.b) + "," + std::to_string(e.c);
        at = {e.b, e.c};
        break;
    case 'k': out += std::to_string(e.a) + "," + std::to_string(e.b); break;
    default: break;
    }
}

// The reader: words of the current line, each turned into a value or a
// failure that names the line.
struct Reader {
    std::istringstream text;
    int lineNumber = 0;
    std::vector<std::string> words;
    std::string raw;
    std::string error;

    bool next(const char* expected = nullptr)
    {
        std::string line;
        if (!std::getline(text, line)) return fail(expected ? std::string("the file ends before '") + expected + "'"
                                                            : std::string("the file ends early"));
        ++lineNumber;
        raw = line;
        words.clear();
        std::istringstream in(line);
        for (std::string w; in >> w;) words.push_back(w);
        if (expected && (words.empty() || words[0] != expected))
            return fail(std::string("expected '") + expected + "'");
        return true;
    }
    bool fail(const std::string& message)
    {
        if (error.empty()) error = "line " + std::to_string(lineNumber) + ": " + message;
        return false;
    }
    bool count(size_t n)
    {
        return words.size() == n || fail("expected " + std::to_string(n - 1) + " value(s) after '" + words[0] + "'");
    }
    template <typename T>
    bool number(const std::string& word, T& value)
    {
        const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
        if (result.ec != std::errc() || result.ptr != word.data() + word.size())
            return fail("bad number '" + word + "'");
        return true;
    }
};

// A coordinate or velocity the game can hold: finite, within the level
// files' limit.
bool usable(double value) { return std::isfinite(value) && std::fabs(value) <= gpc_coordinate_limit; }

// "12,34,56" into up to three ints.
bool eventNumbers(Reader& r, const std::string& word, int* values, int n)
{
    const std::string text = word.substr(1);
    size_t at = 0;
    for (int i = 0; i < n; ++i) {
        const size_t comma = i + 1 < n ? text.find(',', at) : text.size();
        if (comma == std::string::npos || !r.number(text.substr(at, comma - at), values[i]))
            return r.fail("bad event '" + word + "'");
        at = comma + 1;
    }
    return true;
}

bool parseEvent(Reader& r, const std::string& word, ReplayEvent& e, Pointer& at)
{
    if (word.empty()) return r.fail("empty event");
    e = ReplayEvent();
    e.kind = word[0];
    int v[3] = {0, 0, 0};
    switch (e.kind) {
    case 'm':
    case 'k':
        if (!eventNumbers(r, word, v, 2)) return false;
        break;
    case 'd':
    case 'K':
        if (!eventNumbers(r, word, v, 1)) return false;
        break;
    case 'u':
        if (!eventNumbers(r, word, v, 3)) return false;
        break;
    case 'q':
        if (word.size() != 1) return r.fail("bad event '" + word + "'");
        break;
    default: return r.fail("unknown event '" + word + "'");
    }
    e.a = v[0];
    e.b = v[1];
    e.c = v[2];
    // Values as the window system's events carry them: positions and key
    // numbers 16 bits, buttons 8.
    auto within = [](long value, long high) { return value >= 0 && value <= high; };
    if (e.kind == 'm') {
        const long x = long(e.a) + at.x, y = long(e.b) + at.y;
        if (!within(x, 65535) || !within(y, 65535)) return r.fail("pointer off the screen in '" + word + "'");
        e.a = int(x);
        e.b = int(y);
        at = {e.a, e.b};
    } else if (e.kind == 'u') {
        if (!within(e.a, 255) || !within(e.b, 65535) || !within(e.c, 65535)) return r.fail("bad event '" + word + "'");
        at = {e.b, e.c};
    } else if (e.kind == 'd') {
        if (!within(e.a, 255)) return r.fail("bad event '" + word + "'");
    } else if (e.kind == 'k' || e.kind == 'K') {
        if (!within(e.a, 65535) || !within(e.b, 65535)) return r.fail("bad event '" + word + "'");
    }
    return true;
}

bool parseEvents(Reader& r, size_t from, std::vector<ReplayEvent>& events, Pointer& at)
{
    for (size_t i = from; i < r.words.size(); ++i) {
        ReplayEvent e;
        if (!parseEvent(r, r.words[i], e, at)) return false;
        events.push_back(e);
    }
    return true;
}

bool parseBody(Reader& r, Replay& replay)
{
    if (!r.next()) return false;
    if (r.words.empty() || r.words[0] != magic) return r.fail("not a replay file");
    int version = 0;
    if (!r.count(3) || !r.number(r.words[1], version)) return false;
    if (version != replayFormatVersion)
        return r.fail("replay format " + r.words[1] + ", this game reads format " +
                      std::to_string(replayFormatVersion));
    replay.gameVersion = r.words[2];

    if (!r.next("level") || !r.count(3) || !r.number(r.words[2], replay.levelIndex)) return false;
    replay.level = r.words[1];
    if (!r.next("outcome") || !r.count(3) || !r.number(r.words[2], replay.playMs)) return false;
    replay.outcome = r.words[1];

    int contours = 0;
    if (!r.next("polygon") || !r.count(2) || !r.number(r.words[1], contours)) return false;
    if (contours < 0 || contours > maxVertices) return r.fail("bad contour count");
    long verticesRead = 0;
    for (int c = 0; c < contours; ++c) {
        ReplayContour contour;
        int vertices = 0;
        if (!r.next("contour") || !r.count(3) || !r.number(r.words[1], contour.hole) ||
            !r.number(r.words[2], vertices))
            return false;
        verticesRead += vertices;
        if (vertices < 0 || verticesRead > maxVertices) return r.fail("bad vertex count");
        contour.xy.resize(size_t(vertices) * 2);
        for (int v = 0; v < vertices; ++v) {
            if (!r.next()) return false;
            if (r.words.size() != 2) return r.fail("expected a vertex 'x y'");
            if (!r.number(r.words[0], contour.xy[2 * v]) || !r.number(r.words[1], contour.xy[2 * v + 1])) return false;
            if (!usable(contour.xy[2 * v]) || !usable(contour.xy[2 * v + 1])) return r.fail("vertex out of range");
        }
        replay.contours.push_back(std::move(contour));
    }
    for (int i = 0; i < ballCount; ++i) {
        ReplayBall b;
        if (!r.next("ball") || !r.count(6) || !r.number(r.words[1], b.x) || !r.number(r.words[2], b.y) ||
            !r.number(r.words[3], b.vx) || !r.number(r.words[4], b.vy) || !r.number(r.words[5], b.contactDistance))
            return false;
        for (float value : {b.x, b.y, b.vx, b.vy})
            if (!usable(value)) return r.fail("ball value out of range");
        if (!(b.contactDistance >= 0.0f && b.contactDistance <= noContactDistance))
            return r.fail("ball value out of range");
        replay.balls.push_back(b);
    }
    if (!r.next("input") || !r.count(4) || !r.number(r.words[1], replay.mouseX) ||
        !r.number(r.words[2], replay.mouseY) || !r.number(r.words[3], replay.heldInput))
        return false;
    if (!(replay.mouseX >= 0 && replay.mouseX <= 65535 && replay.mouseY >= 0 && replay.mouseY <= 65535))
        return r.fail("pointer off the screen");
    Pointer at{int(replay.mouseX), int(replay.mouseY)};
    if (!r.next("start") || !parseEvents(r, 1, replay.startEvents, at)) return false;

    long passes = 0;
    if (!r.next("passes") || !r.count(2) || !r.number(r.words[1], passes)) return false;
    if (passes < 0 || passes > maxPasses) return r.fail("bad pass count");
    bool timed = false;
    uint32_t frameMs = 0;
    while (long(replay.passes.size()) < passes) {
        if (!r.next()) return false;
        size_t from = 0;
        if (!r.words.empty() && r.words[0][0] == 't') {
            if (!r.number(r.words[0].substr(1), frameMs)) return false;
            timed = true;
            from = 1;
        }
        if (!timed) return r.fail("a pass before any frame time");
        long repeat = 1;
        ReplayPass pass;
        pass.frameMs = frameMs;
        if (from < r.words.size() && r.words[from][0] == '*') {
            if (!r.number(r.words[from].substr(1), repeat)) return false;
            if (repeat < 1 || from + 1 != r.words.size()) return r.fail("bad run of passes");
        } else if (from < r.words.size() && r.words[from] == ".") {
            if (from + 1 != r.words.size()) return r.fail("bad empty pass");
        } else {
            if (from == r.words.size()) return r.fail("expected a pass");
            if (!parseEvents(r, from, pass.events, at)) return false;
        }
        if (long(replay.passes.size()) + repeat > passes) return r.fail("more passes than announced");
        replay.passes.insert(replay.passes.end(), size_t(repeat), pass);
    }
    if (!r.next("end")) return false;
    if (r.words.size() < 2 || r.raw.compare(0, 4, "end ") != 0) return r.fail("no final state after 'end'");
    replay.finalState = r.raw.substr(4);   // the rest of the line as written
    return true;
}

}  // namespace

std::string replayText(const Replay& replay)
{
    std::string out;
    out += std::string(magic) + " " + std::to_string(replayFormatVersion) + " " + replay.gameVersion + "\n";
    out += "level " + replay.level + " " + std::to_string(replay.levelIndex) + "\n";
    out += "outcome " + replay.outcome + " " + std::to_string(replay.playMs) + "\n";
    out += "polygon " + std::to_string(replay.contours.size()) + "\n";
    for (const ReplayContour& contour : replay.contours) {
        out += "contour " + std::to_string(contour.hole) + " " + std::to_string(contour.xy.size() / 2) + "\n";
        for (size_t v = 0; v + 1 < contour.xy.size(); v += 2) {
            putNumber(out, contour.xy[v]);
            out += ' ';
            putNumber(out, contour.xy[v + 1]);
            out += '\n';
        }
    }
    for (const ReplayBall& b : replay.balls) {
        out += "ball";
        for (float value : {b.x, b.y, b.vx, b.vy, b.contactDistance}) {
            out += ' ';
            putNumber(out, value);
        }
        out += '\n';
    }
    out += "input ";
    putNumber(out, replay.mouseX);
    out += ' ';
    putNumber(out, replay.mouseY);
    out += " " + std::to_string(replay.heldInput) + "\n";
    out += "start";
    Pointer at{int(replay.mouseX), int(replay.mouseY)};
    for (const ReplayEvent& e : replay.startEvents) putEvent(out, e, at, false);
    out += "\npasses " + std::to_string(replay.passes.size()) + "\n";
    bool timed = false;
    uint32_t frameMs = 0;
    for (size_t i = 0; i < replay.passes.size();) {
        const ReplayPass& pass = replay.passes[i];
        size_t same = 1;
        if (pass.events.empty())
            while (i + same < replay.passes.size() && replay.passes[i + same] == pass) ++same;
        const bool newTime = !timed || pass.frameMs != frameMs;
        if (newTime) out += "t" + std::to_string(pass.frameMs) + " ";
        timed = true;
        frameMs = pass.frameMs;
        if (pass.events.empty()) out += same > 1 ? "*" + std::to_string(same) : std::string(".");
        for (size_t k = 0; k < pass.events.size(); ++k) putEvent(out, pass.events[k], at, k == 0);
        out += '\n';
        i += same;
    }
    out += "end " + replay.finalState + "\n";
    return out;
}

bool parseReplay(const std::string& text, Replay& replay, std::string& error)
{
    replay = Replay();
    Reader reader;
    reader.text.str(text);
    if (parseBody(reader, replay)) return true;
    error = reader.error;
    replay = Replay();
    return false;
}

bool readReplayFile(const std::string& path, Replay& replay, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream all;
    all << in.rdbuf();
    if (parseReplay(all.str(), replay, error)) return true;
    error = path + ": " + error;
    return false;
}

int writeReplayFile(const std::string& path, const Replay& replay)
{
    const size_t slash = path.find_last_of('/');
    errno = 0;
    if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash), 0700))
        return errno ? errno : ENOTDIR;
    return saveTextAtomically(path.c_str(), replayText(replay));
}

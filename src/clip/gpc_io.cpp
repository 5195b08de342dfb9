// The polygon text format: reading, writing, and appending contours.
//
// The reader is written for files that may be truncated, edited by hand or
// hostile. It reads one token at a time with getc and pushes back only the
// single character that ends a token, so a complete section leaves the
// stream right after its last number. Numbers are parsed and printed without
// the C locale's help (from_chars / to_chars), so a desktop locale with a
// decimal comma neither breaks nor changes level files.
#include "clip/gpc.h"
#include "clip/gpc_internal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Longest token the reader accepts; a level file's numbers need about 25.
constexpr int maxTokenLength = 400;

// Makes room for element [count]. False when an int count can go no higher.
template <typename T>
bool makeRoom(T*& array, int count, int& capacity)
{
    if (count < capacity) return true;
    if (capacity == std::numeric_limits<int>::max()) return false;
    int next = capacity < 8 ? 8 : (capacity > std::numeric_limits<int>::max() / 2 ? std::numeric_limits<int>::max() : capacity * 2);
    array = static_cast<T*>(gpc_checked_realloc(array, sizeof(T) * size_t(next)));
    capacity = next;
    return true;
}

template <typename T>
T* shrinkArray(T* array, int count)
{
    if (!array) return nullptr;
    if (count == 0) {
        std::free(array);
        return nullptr;
    }
    T* shrunk = static_cast<T*>(std::realloc(array, sizeof(T) * size_t(count)));
    return shrunk ? shrunk : array;
}

bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(int c) { return c >= '0' && c <= '9'; }

int skipBlanks(FILE* in)
{
    int c = std::getc(in);
    while (isBlank(c)) c = std::getc(in);
    return c;
}

// Reads the token that looks like a decimal integer ([+-]digits), the way
// "%d" does. The character after it is pushed back. Returns false when no
// digits come or the value does not fit an int.
bool readInt(FILE* in, int& value)
{
    int c = skipBlanks(in);
    char text[maxTokenLength + 1];
    int length = 0;
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = std::getc(in);
    }
    while (isDigit(c)) {
        if (length == maxTokenLength) return false;
        text[length++] = char(c);
        c = std::getc(in);
    }
    if (c != EOF) std::ungetc(c, in);
    if (length == 0) return false;
    long long magnitude = 0;
    for (int i = 0; i < length; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 1LL + std::numeric_limits<int>::max()) return false;
    }
    long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int>::max() || signedValue < std::numeric_limits<int>::min()) return false;
    value = int(signedValue);
    return true;
}

// Reads a decimal number: [+-] digits [. digits] [(e|E) [+-] digits], with
// digits on at least one side of the point. The character after it is
// pushed back. Returns false for anything else, including "nan" and "inf".
bool readDouble(FILE* in, double& value)
{
    int c = skipBlanks(in);
    char text[maxTokenLength + 1];
    int length = 0;
    auto take = [&](int ch) {
        if (length == maxTokenLength) return false;
        text[length++] = char(ch);
        return true;
    };
    auto finish = [&](bool ok) {
        if (c != EOF) std::ungetc(c, in);
        return ok;
    };

    if (c == '-') {
        if (!take(c)) return finish(false);
        c = std::getc(in);
    } else if (c == '+') {
        c = std::getc(in);  // from_chars refuses a plus sign; it changes nothing
    }
    int digits = 0;
    while (isDigit(c)) {
        if (!take(c)) return finish(false);
        ++digits;
        c = std::getc(in);
    }
    if (c == '.') {
        if (!take(c)) return finish(false);
        c = std::getc(in);
        while (isDigit(c)) {
            if (!take(c)) return finish(false);
            ++digits;
            c = std::getc(in);
        }
    }
    if (digits == 0) return finish(false);
    if (c == 'e' || c == 'E') {
        if (!take(c)) return finish(false);
        c = std::getc(in);
        if (c == '+' || c == '-') {
            if (!take(c)) return finish(false);
            c = std::getc(in);
        }
        int exponentDigits = 0;
        while (isDigit(c)) {
            if (!take(c)) return finish(false);
            ++exponentDigits;
            c = std::getc(in);
        }
        if (exponentDigits == 0) return finish(false);
    }
    finish(true);

    double parsed = 0.0;
    auto [end, error] = std::from_chars(text, text + length, parsed, std::chars_format::general);
    if (error != std::errc() || end != text + length) return false;
    value = parsed;
    return true;
}

bool isUsableCoordinate(double v)
{
    return std::isfinite(v) && std::fabs(v) <= gpc_coordinate_limit;
}

void writeInt(FILE* out, int value)
{
    char text[16];
    char* end = std::to_chars(text, text + sizeof text - 1, value).ptr;
    *end++ = '\n';
    std::fwrite(text, 1, size_t(end - text), out);
}

// Room for "% .15lf" of any double: sign, 309 integer digits, point, 15 decimals.
constexpr int coordinateTextLength = 330;

// "% .15lf": fixed notation, 15 decimals, a blank where a minus sign would go.
char* formatCoordinate(char* at, double value)
{
    if (!std::signbit(value)) *at++ = ' ';
    auto result = std::to_chars(at, at + coordinateTextLength - 1, value, std::chars_format::fixed, 15);
    return result.ptr;
}

}  // namespace

int gpc_read_polygon(FILE* infile, int read_hole_flags, gpc_polygon* polygon)
{
    if (!polygon) return 0;
    *polygon = gpc_polygon{0, nullptr, nullptr};
    if (!infile) return 0;

    int contourCapacity = 0;
    int contourCount = 0;
    if (!readInt(infile, contourCount) || contourCount < 0) return 0;

    bool complete = true;
    for (int c = 0; c < contourCount && complete; ++c) {
        int vertexCount = 0;
        if (!readInt(infile, vertexCount) || vertexCount < 0) {
            complete = false;
            break;
        }
        int hole = 0;
        if (read_hole_flags && !readInt(infile, hole)) {
            complete = false;
            break;
        }

        // The contour enters the polygon with its header; its vertices are
        // added as complete pairs arrive, so a cut-short contour keeps the
        // vertices that were read.
        int holeCapacity = contourCapacity;
        if (!makeRoom(polygon->contour, polygon->num_contours, contourCapacity) ||
            !makeRoom(polygon->hole, polygon->num_contours, holeCapacity)) {
            complete = false;
            break;
        }
        gpc_vertex_list& contour = polygon->contour[polygon->num_contours];
        contour = gpc_vertex_list{0, nullptr};
        polygon->hole[polygon->num_contours] = hole;
        ++polygon->num_contours;

        int vertexCapacity = 0;
        for (int v = 0; v < vertexCount; ++v) {
            double x = 0.0, y = 0.0;
            if (!readDouble(infile, x) || !isUsableCoordinate(x) || !readDouble(infile, y) || !isUsableCoordinate(y)) {
                complete = false;
                break;
            }
            if (!makeRoom(contour.vertex, contour.num_vertices, vertexCapacity)) {
                complete = false;
                break;
            }
            contour.vertex[contour.num_vertices++] = gpc_vertex{x, y, x, y};
        }
        contour.vertex = shrinkArray(contour.vertex, contour.num_vertices);
    }
    polygon->contour = shrinkArray(polygon->contour, polygon->num_contours);
    polygon->hole = shrinkArray(polygon->hole, polygon->num_contours);
    return complete ? 1 : 0;
}

void gpc_write_polygon(FILE* outfile, int write_hole_flags, gpc_polygon* polygon)
{
    if (!outfile || !polygon) return;
    int contours = polygon->contour ? polygon->num_contours : 0;
    if (contours < 0) contours = 0;
    writeInt(outfile, contours);
    for (int c = 0; c < contours; ++c) {
        const gpc_vertex_list& contour = polygon->contour[c];
        int vertices = contour.vertex ? contour.num_vertices : 0;
        if (vertices < 0) vertices = 0;
        writeInt(outfile, vertices);
        if (write_hole_flags) writeInt(outfile, polygon->hole ? polygon->hole[c] : 0);
        for (int v = 0; v < vertices; ++v) {
            char line[2 * coordinateTextLength + 2];
            char* at = formatCoordinate(line, contour.vertex[v].x);
            *at++ = ' ';
            at = formatCoordinate(at, contour.vertex[v].y);
            *at++ = '\n';
            std::fwrite(line, 1, size_t(at - line), outfile);
        }
    }
}

void gpc_add_contour(gpc_polygon* polygon, gpc_vertex_list* contour, int hole)
{
    if (!polygon || !contour) return;
    int vertices = contour->num_vertices;
    if (vertices < 0 || (vertices > 0 && !contour->vertex)) return;
    int count = polygon->num_contours < 0 ? 0 : polygon->num_contours;
    if (count == std::numeric_limits<int>::max()) return;

    polygon->contour = static_cast<gpc_vertex_list*>(gpc_checked_realloc(polygon->contour, sizeof(gpc_vertex_list) * size_t(count + 1)));
    polygon->hole = static_cast<int*>(gpc_checked_realloc(polygon->hole, sizeof(int) * size_t(count + 1)));
    gpc_vertex* copy = nullptr;
    if (vertices > 0) {
        copy = static_cast<gpc_vertex*>(gpc_checked_malloc(sizeof(gpc_vertex) * size_t(vertices)));
        std::memcpy(copy, contour->vertex, sizeof(gpc_vertex) * size_t(vertices));
    }
    polygon->contour[count] = gpc_vertex_list{vertices, copy};
    polygon->hole[count] = hole;
    polygon->num_contours = count + 1;
}

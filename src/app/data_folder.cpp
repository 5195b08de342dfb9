#include "app/data_folder.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {
bool hasDataFolder(const fs::path& dir)
{
    std::error_code ec;
    return fs::is_directory(dir / "data", ec);
}

fs::path executableFolder(const char* argv0)
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec && argv0) exe = fs::absolute(argv0, ec);
    return exe.parent_path();
}
}

std::string absolutePath(const std::string& path)
{
    if (path.empty() || path[0] == '/') return path;
    std::error_code ec;
    fs::path abs = fs::absolute(path, ec);
    return ec ? path : abs.string();
}

std::vector<std::string> dataFolderPlaces(const char* argv0)
{
    std::error_code ec;
    const fs::path here = executableFolder(argv0);
    std::vector<std::string> places = {(fs::current_path(ec) / "data").string()};
    if (here.empty()) return places;
    const fs::path candidates[] = {here, here.parent_path(), here.parent_path() / "share" / "tiltmoor"};
    for (const fs::path& dir : candidates) places.push_back((dir / "data").lexically_normal().string());
    return places;
}

bool enterDataFolder(const char* argv0)
{
    std::error_code ec;
    if (hasDataFolder(fs::current_path(ec))) return true;
    const fs::path here = executableFolder(argv0);
    const fs::path candidates[] = {here, here.parent_path(), here.parent_path() / "share" / "tiltmoor"};
    for (const fs::path& dir : candidates) {
        if (!dir.empty() && hasDataFolder(dir) && chdir(dir.c_str()) == 0) return true;
    }
    return false;
}

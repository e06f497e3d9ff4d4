#include "Paths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace quorva {

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return {};
}

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string out = folder;
    if (!out.empty() && out.back() != '/') out += '/';
    out += name;
    return out;
}

std::string SettingsFolder(const SettingsPlace& place) {
    if (!place.forcedFolder.empty()) return WithoutTrailingSlash(place.forcedFolder);
    if (!place.programFolder.empty()) {
        std::error_code ec;
        // A "bin" folder is an installed program even when we may write there (as root).
        const std::string folder = WithoutTrailingSlash(place.programFolder);
        const bool installed = std::filesystem::path(folder).filename() == "bin";
        if (!installed && std::filesystem::is_directory(folder, ec) &&
            ::access(folder.c_str(), W_OK) == 0) {
            return folder;
        }
    }
    // The XDG rule: a relative XDG_CONFIG_HOME is ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        return JoinPath(WithoutTrailingSlash(xdg), "quorva");
    }
    const std::string home = HomeFolder();
    if (home.empty()) return WithoutTrailingSlash(place.programFolder);
    return JoinPath(WithoutTrailingSlash(home), ".config/quorva");
}

std::string SettingsFilePath(const SettingsPlace& place) {
    return JoinPath(SettingsFolder(place), kSettingsFileName);
}

}  // namespace quorva

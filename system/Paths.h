#pragma once
// Where the settings file lives. Read by the launcher before any toolkit is loaded, and by the
// calculator, so that both always name the same file.

#include <string>
#include <string_view>

namespace quorva {

inline constexpr const char* kSettingsFileName = "quorva.ini";

// folder + "/" + name, without doubling a trailing "/"; name alone for no folder.
std::string JoinPath(const std::string& folder, std::string_view name);

// Where the file lives: forcedFolder when given (--config-dir); else programFolder when it is a
// writable folder (a portable install); else $XDG_CONFIG_HOME/quorva (~/.config/quorva).
struct SettingsPlace {
    std::string programFolder;
    std::string forcedFolder;
};
std::string SettingsFolder(const SettingsPlace& place);
std::string SettingsFilePath(const SettingsPlace& place);  // folder + "/quorva.ini"

}  // namespace quorva

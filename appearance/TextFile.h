#pragma once
// Shared by the settings and skin files: bounded reading, the line rules, safe rewriting.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorva::textfile {

struct Head {
    enum Status { Missing, Failed, Read } status = Missing;
    std::string bytes;  // at most limit + 1 bytes: one more tells that the file went on
    std::string error;
};

// Reads the start of a regular file. Anything that is not a regular file (a folder, a pipe)
// counts as unreadable, so a stray FIFO cannot block start-up.
Head ReadHead(const std::string& path, std::size_t limit);

// Writes bytes to a temporary file beside path, syncs it and renames it over path, creating
// the folder first when it is missing. Returns the reason of a failure, empty on success; on
// failure path is untouched. A success also removes the temporary files that killed saves of
// the same file left behind.
std::string WriteReplacing(const std::string& path, std::string_view bytes);

// Calls f(key, value) for every line holding "=", in file order. A line ends at CR LF, a lone
// CR or a lone LF (a file edited by hand here has LF endings); empty lines and lines without "=" are skipped; the key is what precedes the first "=",
// nothing is trimmed. Beyond limit bytes the text is ignored, and so is a line cut by it.
template <class F>
void ForEachKeyValue(std::string_view text, std::size_t limit, F&& f) {
    if (text.size() > limit) {
        text = text.substr(0, limit);
        const std::size_t lastEnd = text.find_last_of("\r\n");
        text = lastEnd == std::string_view::npos ? std::string_view{} : text.substr(0, lastEnd + 1);
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        std::size_t next;
        if (end == std::string_view::npos) {
            end = text.size();
            next = end;
        } else {
            next = end + 1;
            if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        }
        const std::string_view line = text.substr(start, end - start);
        start = next;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;  // also the empty line
        f(line.substr(0, eq), line.substr(eq + 1));
    }
}

}  // namespace quorva::textfile

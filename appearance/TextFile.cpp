#include "TextFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace quorva::textfile {

namespace fs = std::filesystem;

namespace {

std::string Reason(int err) { return std::strerror(err); }

// A path holding NUL would be cut short by the system and name another file.
bool Usable(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

constexpr std::string_view kTempSuffix = ".XXXXXX";

// A name MakeTemp may have made from base + kTempSuffix.
bool IsTempOf(std::string_view name, std::string_view base) {
    if (name.size() != base.size() + kTempSuffix.size() || !name.starts_with(base)) return false;
    if (name[base.size()] != '.') return false;
    for (const char c : name.substr(base.size() + 1)) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum) return false;
    }
    return true;
}

// A save that was killed leaves its temporary file. Every writer holds a lock on its own
// temporary while it writes, so one nobody holds belongs to a dead save and can go.
void RemoveStaleTemps(const fs::path& folder, const std::string& base) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTempOf(entry->d_name, base)) continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(dirFd, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// Like mkostemp, but with mode 0666 left to the umask (and a default ACL), as any new file.
int MakeTemp(const std::string& path, std::string& temp) {
    static constexpr char kChars[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + ".";
        for (std::size_t i = 1; i < kTempSuffix.size(); ++i) {
            temp.push_back(kChars[random() % (sizeof kChars - 1)]);
        }
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

Head ReadHead(const std::string& path, std::size_t limit) {
    Head head;
    if (!Usable(path)) return head;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found) return head;
    head.status = Head::Failed;
    if (ec) {
        head.error = ec.message();
        return head;
    }
    if (st.type() != fs::file_type::regular) {
        head.error = "not a regular file";
        return head;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        head.error = Reason(errno);
        return head;
    }
    head.bytes.resize(limit + 1);
    std::size_t got = 0;
    while (got < head.bytes.size()) {
        const ssize_t n = ::read(fd, head.bytes.data() + got, head.bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            head.error = Reason(errno);
            ::close(fd);
            head.bytes.clear();
            return head;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    head.bytes.resize(got);
    head.status = Head::Read;
    return head;
}

std::string WriteReplacing(const std::string& path, std::string_view bytes) {
    if (!Usable(path)) return "no usable file name";
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) return ec.message();
    }

    std::string temp;
    const int fd = MakeTemp(path, temp);
    if (fd < 0) return Reason(errno);
    // Released by the kernel however this process ends; see RemoveStaleTemps.
    ::flock(fd, LOCK_EX);
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return Reason(err);
    };

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(errno);
        if (n == 0) return fail(EIO);
        done += static_cast<std::size_t>(n);
    }
    // A new file has the mode the umask gives it; a replaced one keeps the mode it had.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0) return fail(errno);
    if (::fsync(fd) != 0) return fail(errno);
    // Still open, so still locked: no other save takes it for a stale one before the rename.
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail(errno);
    ::close(fd);
    // The rename itself survives a crash only once the folder is synced; best effort.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    RemoveStaleTemps(folder, target.filename().string());
    return {};
}

}  // namespace quorva::textfile

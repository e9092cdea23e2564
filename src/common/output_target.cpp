#include "common/output_target.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>


namespace gerador {

namespace {

constexpr int kMostLinks = 40;  // as the system follows them

std::string folderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string leafOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder with every link resolved; a part that does not exist yet is kept as written.
// A loop, not a recursion: a name may hold thousands of missing folders.
std::string canonicalFolder(const std::string& folder) {
    std::vector<std::string> missing;  // innermost first
    std::string existing = folder;
    std::string base;
    std::vector<char> resolved(PATH_MAX);
    while (true) {
        if (realpath(existing.c_str(), resolved.data()) != nullptr) {
            base = resolved.data();
            break;
        }
        std::string parent = folderOf(existing);
        if (parent == existing) {
            base = existing;
            break;
        }
        missing.push_back(leafOf(existing));
        existing = parent;
    }
    for (auto part = missing.rbegin(); part != missing.rend(); ++part) base = (base == "/" ? "" : base) + "/" + *part;
    return base;
}

std::string nodeIdentity(const struct stat& status) {
    return "node " + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

// N when path names a descriptor of this process: /dev/fd/N, /proc/self/fd/N, /proc/<pid>/fd/N.
int descriptorNamedBy(const std::string& path) {
    static const std::regex descriptorPath(R"(^/(dev|proc/self|proc/([0-9]+))/fd/([0-9]+)$)");
    std::smatch match;
    if (!std::regex_match(path, match, descriptorPath)) return -1;
    if (match[2].matched && std::stol(match[2].str()) != getpid()) return -1;
    return std::stoi(match[3].str());
}

TOutputTarget failed(TOutputTarget target, int error) {
    target.error = error;
    return target;
}

}  // namespace

TOutputTarget resolveOutput(const std::string& name, const std::string& baseFolder) {
    TOutputTarget target;
    target.name = name;
    std::string path = name;
    if (!baseFolder.empty() && !name.empty() && name.front() != '/') {
        path = baseFolder + (baseFolder.back() == '/' ? "" : "/") + name;
    }
    for (int link = 0;; ++link) {
        if (link > kMostLinks) return failed(std::move(target), ELOOP);
        int descriptor = descriptorNamedBy(path);
        if (descriptor >= 0) {
            // The console or another open descriptor: written through it, where it stands.
            struct stat status {};
            if (fstat(descriptor, &status) != 0) return failed(std::move(target), errno);
            target.kind = S_ISDIR(status.st_mode) ? TOutputTarget::TKind::folder : TOutputTarget::TKind::direct;
            target.path = path;
            target.descriptor = descriptor;
            target.identities = {nodeIdentity(status)};
            target.seekable = false;
            return target;
        }
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0) {
            if (errno != ENOENT) return failed(std::move(target), errno);
            break;  // a new file
        }
        if (S_ISLNK(status.st_mode)) {
            // Another user's link in a sticky, world-writable folder (/tmp) is not followed,
            // as the kernel refuses it: it could point a run at any file its user may write.
            struct stat folder {};
            if (lstat(folderOf(path).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 &&
                (folder.st_mode & S_IWOTH) != 0 && status.st_uid != geteuid() && status.st_uid != folder.st_uid) {
                return failed(std::move(target), EACCES);
            }
            std::string linked(PATH_MAX, '\0');
            ssize_t length = readlink(path.c_str(), linked.data(), linked.size());
            if (length < 0) return failed(std::move(target), errno);
            linked.resize(static_cast<std::size_t>(length));
            path = linked.front() == '/' ? linked : folderOf(path) + "/" + linked;
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            target.kind = TOutputTarget::TKind::folder;
        } else if (!S_ISREG(status.st_mode)) {
            target.kind = TOutputTarget::TKind::direct;
            // Devices and pipes are written as they come; none is ever rewound.
            target.seekable = false;
        }
        target.identities.push_back(nodeIdentity(status));
        break;
    }
    std::string folder = canonicalFolder(folderOf(path));
    target.path = (folder == "/" ? "" : folder) + "/" + leafOf(path);
    if (target.kind != TOutputTarget::TKind::direct) target.identities.push_back("name " + target.path);
    return target;
}

bool isSharedFile(const TOutputTarget& target) {
    struct stat status {};
    bool found =
        target.descriptor >= 0 ? fstat(target.descriptor, &status) == 0 : stat(target.path.c_str(), &status) == 0;
    return !(found && S_ISCHR(status.st_mode));
}

}  // namespace gerador

#pragma once

#include <string>
#include <vector>

namespace gerador {

// What an output name stands for once links are followed.
struct TOutputTarget {
    enum class TKind {
        replaced,  // a regular file, new or existing: written beside it and renamed over it
        direct,    // a device, a pipe or a descriptor (/dev/stdout): written in place
        folder,    // a folder: no output can take its name
    };
    TKind kind = TKind::replaced;
    std::string name;     // as the user gave it, for messages
    std::string path;     // the file the bytes go to: links followed, its folder resolved
    int descriptor = -1;  // a direct target named through /dev/fd/N or /proc/self/fd/N: N
    // Two targets with an identity in common are one file: the resolved folder and final
    // name, and the device and inode of an existing node.
    std::vector<std::string> identities;
    bool seekable = true;  // a direct target that can be rewound without touching other output
    int error = 0;         // why the name could not be followed (a loop, a name too long); 0: it could
};

// Resolves name, relative to baseFolder (empty: the working folder). A folder that does
// not exist yet is taken as it will be made.
TOutputTarget resolveOutput(const std::string& name, const std::string& baseFolder = "");

// Whether outputs that resolve to the target clash when two of them do: all but character
// devices, which two outputs may share (/dev/null, a terminal).
bool isSharedFile(const TOutputTarget& target);

}  // namespace gerador

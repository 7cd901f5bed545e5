// A folder of its own for a run that must not touch the current folder
// (--check-ini, --replay, --to-scenario).
#pragma once
#include <filesystem>

namespace tavrel::sim {

// A new folder under the system's temporary folder,
// "tavrel-<purpose>-<stamp>" ("-1", "-2" ... after it when that name is
// taken); the working directory while this lives, removed with everything
// in it (read-only files too) when it goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* purpose);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path before_;
    std::filesystem::path path_;
};

}  // namespace tavrel::sim

#include "sim/scenario/scratch_folder.h"

#include <chrono>
#include <string>

namespace tavrel::sim {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(const char* purpose) {
    before_ = fs::current_path();
    const std::string name = "tavrel-" + std::string(purpose) + "-" +
                             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    for (unsigned attempt = 0;; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / (attempt == 0 ? name : name + "-" + std::to_string(attempt));
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            break;
        }
    }
    fs::current_path(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::current_path(before_, ignored);
    // Read-only files (a recorded failed write) go too.
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

}  // namespace tavrel::sim

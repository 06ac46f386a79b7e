#pragma once

#include "heap/block_copy.h"

namespace corvane {

// Save files written beside the chosen path under a temporary name and moved
// over it only once complete, so a save that fails leaves the path as it was.
class Win32SaveFiles : public SaveFiles {
public:
    std::unique_ptr<SaveFile> Create(const std::string& path) override;
};

} // namespace corvane

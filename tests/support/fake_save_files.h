#pragma once

// Files for saves in memory: a disk whose files only change when a save
// file is committed, with switches for each way a save can fail.

#include "heap/block_copy.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace corvane::testing {

// The file at the chosen path only changes when a save file is committed.
struct Disk {
    std::map<std::string, std::vector<std::uint8_t>> files;
    bool failCreate = false;
    int failAtWrite = -1;
    bool failCommit = false;
    int openFiles = 0;
    std::vector<std::size_t> writes;
};

class FakeFile : public SaveFile {
public:
    FakeFile(Disk& disk, std::string path) : m_disk(disk), m_path(std::move(path)) { ++m_disk.openFiles; }
    ~FakeFile() override { --m_disk.openFiles; }
    bool Write(const void* bytes, std::size_t size) override {
        const int index = static_cast<int>(m_disk.writes.size());
        m_disk.writes.push_back(size);
        if (index == m_disk.failAtWrite) return false;
        const auto* b = static_cast<const std::uint8_t*>(bytes);
        m_pending.insert(m_pending.end(), b, b + size);
        return true;
    }
    bool Commit() override {
        if (m_disk.failCommit) return false;
        m_disk.files[m_path] = m_pending;
        return true;
    }

private:
    Disk& m_disk;
    std::string m_path;
    std::vector<std::uint8_t> m_pending;
};

class FakeFiles : public SaveFiles {
public:
    Disk disk;
    std::unique_ptr<SaveFile> Create(const std::string& path) override {
        if (disk.failCreate) return nullptr;
        return std::make_unique<FakeFile>(disk, path);
    }
};

} // namespace corvane::testing

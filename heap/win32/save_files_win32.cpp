#include "heap/win32/save_files_win32.h"

#include "framework/handles_win32.h"

#include <windows.h>

#include <string>
#include <utility>

namespace corvane {

namespace {

class Win32SaveFile : public SaveFile {
public:
    Win32SaveFile(UniqueHandle file, std::string temporaryPath, std::string path)
        : m_file(std::move(file)), m_temporaryPath(std::move(temporaryPath)), m_path(std::move(path)) {}
    ~Win32SaveFile() override {
        m_file.reset();
        if (!m_committed) ::DeleteFileA(m_temporaryPath.c_str());
    }
    Win32SaveFile(const Win32SaveFile&) = delete;
    Win32SaveFile& operator=(const Win32SaveFile&) = delete;

    bool Write(const void* bytes, std::size_t size) override {
        const auto* next = static_cast<const char*>(bytes);
        while (size != 0) {
            const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!::WriteFile(m_file.get(), next, wanted, &written, nullptr) || written != wanted) return false;
            next += written;
            size -= written;
        }
        return true;
    }

    bool Commit() override {
        // Closing can still report a failed write; only a closed, complete
        // file replaces what the path held.
        const HANDLE file = m_file.release();
        if (!::CloseHandle(file)) return false;
        if (!::MoveFileExA(m_temporaryPath.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
        m_committed = true;
        return true;
    }

private:
    UniqueHandle m_file;
    std::string m_temporaryPath;
    std::string m_path;
    bool m_committed = false;
};

// The folder part of `path` with its last separator, or "." when the path
// names a file in the current folder.
std::string FolderOf(const std::string& path) {
    const std::string::size_type separator = path.find_last_of("\\/");
    if (separator == std::string::npos) {
        // "C:name" is relative to the drive's current folder.
        if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + ".";
        return ".";
    }
    return path.substr(0, separator + 1);
}

// False when something is at `path` that could not be overwritten; the
// replacement at the end would fail there after all the copying.
bool ExistingFileIsWritable(const std::string& path) {
    UniqueHandle existing(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (existing) return true;
    return ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

} // namespace

std::unique_ptr<SaveFile> Win32SaveFiles::Create(const std::string& path) {
    if (path.empty() || !ExistingFileIsWritable(path)) return nullptr;
    char temporaryPath[MAX_PATH] = {};
    // Creates the temporary file with a name of its own in the target's folder.
    if (::GetTempFileNameA(FolderOf(path).c_str(), "cvn", 0, temporaryPath) == 0) return nullptr;
    UniqueHandle file(
        ::CreateFileA(temporaryPath, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ::DeleteFileA(temporaryPath);
        return nullptr;
    }
    return std::make_unique<Win32SaveFile>(std::move(file), temporaryPath, path);
}

} // namespace corvane

#pragma once

#include <QString>
#include <chrono>
#include <optional>

// An advisory lock (flock) on a folder or on a lock file, held until dropped. Its descriptor is closed
// when the program starts another, so a started version never inherits the lock of the one that
// started it.
namespace quorvale::updates {

class FolderLock
{
public:
    enum class Mode
    {
        // Many holders at once: programs running from the folder.
        shared,
        // One holder, and no shared one: removing or writing the folder.
        exclusive
    };

    // Waits for the lock when `wait` is true; nothing when the folder cannot be opened, or is held
    // and `wait` is false.
    static std::optional<FolderLock> take(const QString &folder, Mode mode, bool wait);
    // The exclusive lock of a regular file that only its owner can open, made when missing: no reader
    // of the folder can hold it, and network file systems lock only files open for writing. Tries for
    // at most `wait`; nothing when the file cannot be opened or stays held. `unopened`, when given, tells
    // which: true when the file could not be opened as a regular file, so that no wait would help.
    static std::optional<FolderLock> takeFile(const QString &file, std::chrono::milliseconds wait,
                                              bool *unopened = nullptr);

    // Whether another program holds the lock of an existing regular file; the file is never made.
    static bool isFileHeld(const QString &file);

    FolderLock(FolderLock &&other) noexcept;
    FolderLock &operator=(FolderLock &&other) noexcept;
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;
    ~FolderLock();

    // Lets programs that run from the folder share it. Linux frees the lock for a moment on the way,
    // so callers hold the installation's lock, under which every removal runs.
    void share();

private:
    explicit FolderLock(int descriptor)
        : m_descriptor(descriptor)
    {}

    int m_descriptor = -1;
};

} // namespace quorvale::updates

#pragma once

#include <QString>
#include <optional>

// An advisory lock (flock) on a folder, held until dropped. Its descriptor is closed when the program
// starts another, so a started version never inherits the lock of the one that started it.
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

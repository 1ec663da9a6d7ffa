#pragma once
// Files and folders by UTF-16 path, the same on both targets (opening and
// removing a single file is in file_io.h). Paths are
// written the Windows way, with backslashes; the native back end treats a
// backslash as a folder separator too, so the logic above builds its paths
// once for both. Nothing here depends on the current directory except a
// relative path given by the caller.
#include "common/file_io.h"
#include "common/text.h"

#include <cstdint>
#include <vector>

namespace tdu {

// `folder` and `name` joined with exactly one backslash between them (an
// empty folder gives `name` unchanged).
u16 path_join(u16view folder, u16view name);

// The file name after the last backslash or slash (all of it when there is
// none).
u16view path_file_name(u16view path);

bool path_exists(u16view path);     // a file or folder of that name exists
bool is_directory(u16view path);    // an existing folder
bool is_regular_file(u16view path); // an existing file that is not a folder
bool file_size(u16view path, uint64_t& size);
// Moves a file, replacing a file of the target name.
bool move_file(u16view from, u16view to);
// One folder, whose parent must exist; true also when it exists already.
bool create_directory(u16view path);
// A folder with all its missing parents; true also when it exists already.
bool create_directories(u16view path);

// Removes the folder `path` with everything below it. A link or junction
// met on the way is removed as a link: what it points to stays. True when
// nothing of that name is left (also when there was none); false when
// something could not be removed (a file held open, say), and always for
// a path that names a file, which is left alone.
bool remove_folder_tree(u16view path);

// The names (not paths) of the regular files directly in `folder` whose
// names end in `suffix`, compared without regard to ASCII case, in the order
// the file system lists them.
std::vector<u16> list_files(u16view folder, u16view suffix);

// A time of day on the local clock.
struct local_time_t {
    int year = 1980;
    int month = 1;  // 1 to 12
    int day = 1;    // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// A file created for writing that must not exist before. Closed by its
// destructor when the caller has not closed it.
class output_file_c {
public:
    enum open_result_t { opened, already_exists, failed };

    output_file_c() = default;
    ~output_file_c();
    output_file_c(const output_file_c&) = delete;
    output_file_c& operator=(const output_file_c&) = delete;

    open_result_t create_new(u16view path);
    // Writes all of `size` bytes; false on any short write.
    bool write(const void* data, size_t size);
    // Sets the creation and last-write times (the creation time where the
    // file system keeps one) and leaves the last-access time as it is.
    bool set_times(const local_time_t& time);
    void close();
    bool is_open() const { return handle_ != invalid; }

private:
    static constexpr intptr_t invalid = -1;
    intptr_t handle_ = invalid;  // a descriptor natively, a HANDLE on Windows
};

} // namespace tdu

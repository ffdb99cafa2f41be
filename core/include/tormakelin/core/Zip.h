#pragma once
// Reading and writing ZIP archives. Entry names are looked up ignoring ASCII case, with '/' and
// '\' alike; an archive is indexed when it is opened, so a lookup does not scan it.

#include <tormakelin/core/Export.h>

#include <cstdint>
#include <string>

namespace tormakelin::core {

class IStream;

struct ZipArchive;
using ZipHandle = ZipArchive*;
struct ZipWriter;
using ZipWriteHandle = ZipWriter*;

class TORMAKELIN_CORE_API ZipRead {
public:
    // What one entry may inflate to: a few times the largest texture or song a demo carries.
    // Real media compress very well at times (silence, flat images), so only absolute sizes
    // bound an entry: this, and a quarter of the machine's memory when that is less.
    static constexpr uint64_t kMaxEntrySize = uint64_t(256) << 20;

    // The bound in force on this machine.
    static uint64_t maxEntrySize();

    // Null when the file is missing or holds no readable archive. Data before the archive (a
    // program it is appended to) is allowed, with offsets absolute or relative to the archive.
    static ZipHandle open(const std::string& path);
    static void close(ZipHandle handle);

    // The whole entry inflated into a new read-only memory stream (count 0); null when the name
    // is not in the archive, the entry is damaged (truncated, bad CRC) or inflates beyond the
    // limits above.
    static IStream* read(ZipHandle handle, const std::string& name);

    // Writes every entry under `targetDirectory`; entries whose names would leave it (a "..",
    // a drive, a rooted name) are skipped. False when any entry could not be written.
    static bool extractFiles(ZipHandle handle, const std::string& targetDirectory);

    // Number of entries in the index (files only).
    static unsigned int getEntryCount(ZipHandle handle);
    // The lookup form of an entry name: drive and one leading separator removed, '/' turned
    // into '\', ASCII letters lower-cased.
    static std::string normalizeName(const std::string& name);
};

class TORMAKELIN_CORE_API ZipWrite {
public:
    // Adds to the archive in the file; a file that holds none (a program, say) gets a new
    // archive at its end, and a missing file is created. `replace` deletes the file first.
    static ZipWriteHandle open(const std::string& path, bool replace);
    // One deflated entry holding the stream's content, named `name` lower-cased.
    static bool add(ZipWriteHandle handle, IStream* data, const std::string& name);
    // The disk file, named by its path without drive and with '\' separators.
    static bool add(ZipWriteHandle handle, const std::string& path);
    // Every file below `directory`, named by its path less the `base` prefix.
    static bool addDirectory(ZipWriteHandle handle, const std::string& directory, const std::string& base);
    // Writes the central directory; false when that fails.
    static bool close(ZipWriteHandle handle);
};

} // namespace tormakelin::core

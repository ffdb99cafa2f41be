#pragma once
// Paths in the Windows manner: drive, directory, name and extension with '\' separators. '/' is
// accepted wherever '\' is; the text becomes an operating-system path only when a file is touched.

#include <tormakelin/core/Export.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tormakelin::core {

struct FileInfo {
    std::string name;
    uint64_t lastWriteTime = 0; // 100-ns intervals since 1601-01-01
    bool isDirectory = false;
};

// Drive with its colon, directory with its trailing separator, name, extension with its dot.
TORMAKELIN_CORE_API void splitPath(const std::string& path, std::string& drive, std::string& directory,
                                   std::string& name, std::string& extension);
TORMAKELIN_CORE_API void makePath(std::string& out, const std::string& drive, const std::string& directory,
                                  const std::string& name, const std::string& extension);

TORMAKELIN_CORE_API std::string getFileExtension(const std::string& path);
TORMAKELIN_CORE_API std::string getFilename(const std::string& path); // name + extension
TORMAKELIN_CORE_API std::string getPath(const std::string& path);     // drive + directory
// Without the drive and without one leading separator.
TORMAKELIN_CORE_API std::string stripDrive(const std::string& path);
// Every '/' becomes '\'.
TORMAKELIN_CORE_API std::string fixPath(const std::string& path);

// Creates the directory before every separator of `path`; a last component without a
// separator after it is not created. Existing directories are fine. Always true.
TORMAKELIN_CORE_API bool createDirectory(const std::string& path);

// False when the source cannot be read, when both name the same file, or when the copy fails.
// With `overwrite` an existing target is replaced, without it the copy fails when one exists.
TORMAKELIN_CORE_API bool copyFile(const std::string& source, const std::string& target, bool overwrite);

// Appends the entries of `directory` matching the wildcard `pattern` ('*', '?', case ignored) in
// name order; a directory's contents follow its own entry when `recursive`. Always true.
TORMAKELIN_CORE_API bool findFiles(const std::string& directory, const std::string& pattern,
                                   std::vector<FileInfo>& files, bool recursive);

} // namespace tormakelin::core

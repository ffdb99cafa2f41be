// Makes a packed player: a copy of the player program with a project folder appended as a ZIP
// data pack, which the player mounts from its own file.
// Usage: Tormakelin.Pack <player> <output> <project folder>

#include <tormakelin/core/Zip.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

bool fail(std::string const& text)
{
    std::fprintf(stderr, "Tormakelin.Pack: %s\n", text.c_str());
    return false;
}

bool pack(std::filesystem::path const& player, std::filesystem::path const& output, std::filesystem::path const& project)
{
    std::error_code error;
    if (!std::filesystem::is_directory(project))
        return fail("no project folder " + project.string());
    if (!std::filesystem::exists(project / "tormakelin.script"))
        return fail("no tormakelin.script in " + project.string());
    std::filesystem::copy_file(player, output, std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        return fail("cannot copy " + player.string() + ": " + error.message());

    // Entry names are the paths below the project folder.
    std::string folder = std::filesystem::absolute(project).lexically_normal().string();
    if (folder.back() != '/')
        folder += '/';
    tormakelin::core::ZipWriteHandle const zip = tormakelin::core::ZipWrite::open(output.string(), false);
    if (!zip)
        return fail("cannot open " + output.string());
    bool const added = tormakelin::core::ZipWrite::addDirectory(zip, folder, folder);
    bool const closed = tormakelin::core::ZipWrite::close(zip);
    if (!added || !closed) {
        std::filesystem::remove(output, error);
        return fail("cannot write the data pack into " + output.string());
    }
    std::filesystem::permissions(output, std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
            std::filesystem::perms::others_exec, std::filesystem::perm_options::add, error);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "Usage: Tormakelin.Pack <player> <output> <project folder>\n");
        return 2;
    }
    return pack(argv[1], argv[2], argv[3]) ? 0 : 1;
}

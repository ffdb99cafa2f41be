// Mounting a large data pack and opening every entry by name: the cost per lookup must not
// grow with the number of entries.

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/String.h>
#include <tormakelin/core/Zip.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include <unistd.h>

using namespace tormakelin::core;

namespace {

std::string entryName(int index) { return formatString("Media\\Folder%03d\\Texture%05d.png", index / 100, index); }

// One pack per size, written once per run and removed at exit.
const std::string& packOf(int entries)
{
    static std::map<int, std::string> packs;
    auto found = packs.find(entries);
    if (found != packs.end()) {
        return found->second;
    }
    const std::string path = formatString("/tmp/tormakelin-bench-pack-%d-%d.zip", int(getpid()), entries);
    ZipWriteHandle zip = ZipWrite::open(path, true);
    for (int i = 0; i < entries; ++i) {
        const std::string content = formatString("texture %d", i);
        void* data = std::malloc(content.size());
        std::copy_n(content.data(), content.size(), static_cast<char*>(data));
        SmartRef<MemStream> stream(createMemStream(data, unsigned(content.size()), true, true));
        ZipWrite::add(zip, stream.get(), entryName(i));
    }
    ZipWrite::close(zip);
    static struct Cleanup {
        ~Cleanup()
        {
            for (const auto& pack : packs) {
                ::unlink(pack.second.c_str());
            }
        }
    } cleanup;
    return packs.emplace(entries, path).first->second;
}

void BM_MountPack(benchmark::State& state)
{
    const std::string& pack = packOf(int(state.range(0)));
    SmartRef<IFileSystem> fileSystem(createFileSystem());
    for (auto _ : state) {
        benchmark::DoNotOptimize(fileSystem->mountZip(pack));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_OpenEveryEntryByName(benchmark::State& state)
{
    const int entries = int(state.range(0));
    SmartRef<IFileSystem> fileSystem(createFileSystem());
    if (!fileSystem->mountZip(packOf(entries))) {
        state.SkipWithError("pack not mounted");
        return;
    }
    std::vector<std::string> names;
    names.reserve(size_t(entries));
    for (int i = 0; i < entries; ++i) {
        names.push_back("D:\\" + toLower(entryName(i)));
    }
    for (auto _ : state) {
        for (const std::string& name : names) {
            SmartRef<IStream> stream(fileSystem->open(name));
            benchmark::DoNotOptimize(stream.get());
        }
    }
    state.SetItemsProcessed(state.iterations() * entries);
}

} // namespace

BENCHMARK(BM_MountPack)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenEveryEntryByName)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

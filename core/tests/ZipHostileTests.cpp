#include "TestSupport.h"
#include "ZipFixture.h"

#include <ResourceBudget.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/core/Zip.h>

#include <gtest/gtest.h>

#include <zlib.h>

#include <vector>

using namespace tormakelin::core;
using tormakelin::core::test::ScratchDir;
using tormakelin::core::test::ZipEntry;
using tormakelin::core::test::ZipFixture;
using tormakelin::test::kHostileMegabytes;
using tormakelin::test::kHostileSeconds;
using tormakelin::test::ResourceBudget;

namespace {

// A deflated entry of `size` zero bytes, compressed piece by piece so the test never holds them.
ZipEntry zeros(const std::string& name, uint64_t size)
{
    ZipEntry entry{name, ""};
    entry.deflated = true;
    entry.inflatedSize = int64_t(size);
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<unsigned char> in(1 << 20, 0);
    std::vector<unsigned char> out(1 << 16);
    uLong crc = crc32(0, nullptr, 0);
    for (uint64_t left = size;;) {
        const uInt piece = uInt(left < in.size() ? left : in.size());
        crc = crc32(crc, in.data(), piece);
        left -= piece;
        z.next_in = in.data();
        z.avail_in = piece;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            result = deflate(&z, flush);
            entry.data.append(reinterpret_cast<char*>(out.data()), out.size() - z.avail_out);
        } while (z.avail_out == 0);
        if (result == Z_STREAM_END) {
            break;
        }
    }
    deflateEnd(&z);
    entry.inflatedCrc = uint32_t(crc);
    return entry;
}

} // namespace

TEST(ZipHostile, EntriesInflatingBeyondTheLimitsFailTheirOpenOnly)
{
    ZipEntry lying = zeros("lying.bin", 64 << 20);
    lying.declaredSize = 0x7FFFFFFF;  // a compressed size larger than the pack
    const std::vector<ZipEntry> entries = {
        {"tormakelin.script", "<Document/>"},
        zeros("bomb.bin", uint64_t(1) << 30),
        zeros("ratio.bin", ZipRead::kMaxFreeRatioSize + (1 << 20)),
        lying,
        zeros("small.bin", ZipRead::kMaxFreeRatioSize),
    };
    ScratchDir dir;
    dir.write("pack.zip", ZipFixture::build(entries));
    ASSERT_LT(entries[1].data.size(), 2u << 20);

    SmartRef<IFileSystem> fileSystem(createFileSystem());
    ASSERT_TRUE(fileSystem->mountZip(dir.path("pack.zip")));
    ResourceBudget budget;
    for (const char* refused : {"bomb.bin", "ratio.bin", "lying.bin"}) {
        EXPECT_EQ(SmartRef<IStream>(fileSystem->open(refused)).get(), nullptr) << refused;
    }
    EXPECT_LT(budget.seconds(), kHostileSeconds);
    EXPECT_LT(budget.peakGrowthMb(), kHostileMegabytes);

    SmartRef<IStream> script(fileSystem->open("tormakelin.script"));
    ASSERT_TRUE(script);
    EXPECT_EQ(script->getSize(), 11u);
    SmartRef<IStream> small(fileSystem->open("small.bin"));
    ASSERT_TRUE(small) << "highly compressible entries up to the free size still read";
    EXPECT_EQ(small->getSize(), ZipRead::kMaxFreeRatioSize);
}

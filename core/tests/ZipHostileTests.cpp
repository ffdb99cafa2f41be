#include "TestSupport.h"
#include "ZipFixture.h"

#include <ResourceBudget.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/core/Zip.h>

#include <gtest/gtest.h>

#include <vector>

using namespace tormakelin::core;
using tormakelin::core::test::ScratchDir;
using tormakelin::core::test::ZipEntry;
using tormakelin::core::test::ZipFixture;
using tormakelin::core::test::zeros;
using tormakelin::test::kHostileMegabytes;
using tormakelin::test::kHostileSeconds;
using tormakelin::test::ResourceBudget;

TEST(ZipHostile, EntriesInflatingBeyondTheLimitsFailTheirOpenOnly)
{
    ZipEntry lying = zeros("lying.bin", 64 << 20);
    lying.declaredSize = 0x7FFFFFFF;  // a compressed size larger than the pack
    const std::vector<ZipEntry> entries = {
        {"tormakelin.script", "<Document/>"},
        zeros("bomb.bin", uint64_t(1) << 30),
        lying,
        zeros("flat.bin", 17 << 20),
    };
    ScratchDir dir;
    dir.write("pack.zip", ZipFixture::build(entries));
    ASSERT_LT(entries[1].data.size(), 2u << 20);

    SmartRef<IFileSystem> fileSystem(createFileSystem());
    ASSERT_TRUE(fileSystem->mountZip(dir.path("pack.zip")));
    ResourceBudget budget;
    for (const char* refused : {"bomb.bin", "lying.bin"}) {
        EXPECT_EQ(SmartRef<IStream>(fileSystem->open(refused)).get(), nullptr) << refused;
    }
    EXPECT_LT(budget.seconds(), kHostileSeconds);
    EXPECT_LT(budget.peakGrowthMb(), kHostileMegabytes);

    SmartRef<IStream> script(fileSystem->open("tormakelin.script"));
    ASSERT_TRUE(script);
    EXPECT_EQ(script->getSize(), 11u);
    SmartRef<IStream> flat(fileSystem->open("flat.bin"));
    ASSERT_TRUE(flat) << "however well an entry compresses, within the cap it reads";
    EXPECT_EQ(flat->getSize(), 17u << 20);
}

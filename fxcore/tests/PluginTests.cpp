#include <tormakelin/fxcore/Parameter.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/ScriptEngine.h>

#include <tormakelin/core/Path.h>
#include <tormakelin/core/UniqueId.h>

#include "TestThing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

using namespace tormakelin;
using namespace tormakelin::fxcore;
namespace fs = std::filesystem;

namespace {

core::UniqueId idOf(unsigned char tag)
{
    core::UniqueId id{};
    id.data1 = tag;
    id.data4[7] = tag;
    return id;
}

// A folder holding copies of the test libraries, a file that is no library and a folder named
// like one.
class PluginScan : public ::testing::Test {
protected:
    PluginScan()
    {
        char pattern[] = "/tmp/tormakelin-fxcore-plugins-XXXXXX";
        m_folder = mkdtemp(pattern);
        for (auto const& entry : fs::directory_iterator(TEST_PLUGIN_DIR))
            if (entry.path().extension() == ".so")
                fs::copy_file(entry.path(), fs::path(m_folder) / entry.path().filename());
        std::ofstream(fs::path(m_folder) / "aa_junk.so") << "not a library";
        fs::create_directory(fs::path(m_folder) / "ab_folder.so");
        std::ofstream(fs::path(m_folder) / "ab_folder.so" / "inner.so") << "never listed";

        m_manager = createPluginManager();
        m_manager->addRef();
        // Any file of the folder names the folder.
        EXPECT_TRUE(m_manager->loadPlugins(m_folder + "/tormakelin.script"));
    }
    ~PluginScan() override
    {
        m_manager->release();
        fs::remove_all(m_folder);
    }

    std::vector<std::string> libraryNames() const
    {
        std::vector<std::string> names;
        for (IPluginFactory* factory : m_manager->getFactories())
            names.push_back(factory->getLibraryDesc()->name);
        return names;
    }

    IPluginFactory* factoryNamed(std::string const& name) const
    {
        for (IPluginFactory* factory : m_manager->getFactories())
            if (factory->getLibraryDesc()->name == name)
                return factory;
        return nullptr;
    }

    std::string m_folder;
    IPluginManager* m_manager = nullptr;
};

std::string programFolder()
{
    return fs::canonical("/proc/self/exe").parent_path().string() + "/";
}

} // namespace

TEST_F(PluginScan, AcceptsOnlyLibrariesThatAnswerTheProtocol)
{
    std::vector<std::string> const expected = {"a_good", "b_dup", "c_empty"};
    EXPECT_EQ(libraryNames(), expected);
    for (IPluginFactory* factory : m_manager->getFactories())
        EXPECT_FALSE(factory->hasPlugin(idOf(test::kIdHidden)));

    IPluginFactory* good = factoryNamed("a_good");
    ASSERT_NE(good, nullptr);
    ASSERT_EQ(good->getPluginDescs().size(), 2u);
    EXPECT_EQ(good->getPluginDescs()[1].type, kPluginResource);
    EXPECT_EQ(good->getPluginDescs()[1].path, "Test/B");
    EXPECT_EQ(good->getPath(), core::fixPath(m_folder + "/a_good.so"));
    EXPECT_EQ(good->getPath().find('/'), std::string::npos);
}

TEST_F(PluginScan, EmptyListIsAcceptedButCreatesNothing)
{
    IPluginFactory* empty = factoryNamed("c_empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->getPluginDescs().empty());
    EXPECT_EQ(empty->createPlugin(idOf(test::kIdA)), nullptr);
}

TEST_F(PluginScan, CreationByIdAsksLibrariesInLoadOrderAndTakesTheFirstIndex)
{
    struct Case {
        unsigned char tag;
        char const* library;
        int index;
    };
    Case const cases[] = {
        {test::kIdA, "a_good", 0},
        {test::kIdB, "a_good", 1},
        {test::kIdC, "b_dup", 2},
    };
    for (Case const& c : cases) {
        auto* thing = createPluginAs<test::ITestThing>(m_manager, idOf(c.tag));
        ASSERT_NE(thing, nullptr) << int(c.tag);
        thing->addRef();
        EXPECT_EQ(thing->library(), c.library);
        EXPECT_EQ(thing->queryIndex(), c.index);
        EXPECT_EQ(dynamic_cast<IPlugin*>(thing)->getPluginDesc().id, idOf(c.tag));
        thing->release();
    }
    EXPECT_EQ(m_manager->createPlugin(idOf(0x77)), nullptr);

    // Within one library the first of two equal ids wins.
    IPlugin* first = factoryNamed("b_dup")->createPlugin(idOf(test::kIdA));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getPluginDesc().name, "A first");
    delete first;
}

TEST_F(PluginScan, ObjectsOfAnotherKindAreRefused)
{
    EXPECT_EQ(createPluginAs<IParameter>(m_manager, idOf(test::kIdA)), nullptr);
    EXPECT_EQ(createPluginAs<test::ITestThing>(nullptr, idOf(test::kIdA)), nullptr);
}

TEST_F(PluginScan, PluginPathNamesTheFirstLibraryListingTheId)
{
    PluginDesc desc;
    desc.id = idOf(test::kIdA);
    EXPECT_EQ(m_manager->getPluginPath(desc), core::fixPath(m_folder + "/a_good.so"));
    desc.id = idOf(test::kIdC);
    EXPECT_EQ(m_manager->getPluginPath(desc), core::fixPath(m_folder + "/b_dup.so"));
    desc.id = idOf(0x77);
    EXPECT_EQ(m_manager->getPluginPath(desc), "");
}

bool libraryLoaded(std::string const& path)
{
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module)
        dlclose(module);
    return module != nullptr;
}

// A refused library stays loaded, with the descriptor it answered, until its factory goes.
TEST(PluginFactory, RefusedLibrariesStayLoadedUntilTheFactoryGoes)
{
    struct Case {
        char const* file;
        bool accepted;
        bool opens;
        bool libraryDesc;
    };
    Case const cases[] = {
        {"e_reserved.so", false, true, true},
        {"d_noquery.so", false, true, true},
        {"missing.so", false, false, false},
        {"a_good.so", true, true, true},
    };
    for (Case const& c : cases) {
        std::string const path = std::string(TEST_PLUGIN_DIR) + "/" + c.file;
        IPluginFactory* factory = createPluginFactory();
        factory->addRef();
        EXPECT_EQ(factory->getLibraryDesc(), nullptr);
        EXPECT_EQ(factory->load(path), c.accepted) << c.file;
        EXPECT_EQ(factory->getLibraryDesc() != nullptr, c.libraryDesc) << c.file;
        EXPECT_EQ(factory->getPluginDescs().empty(), !c.accepted) << c.file;
        EXPECT_EQ(factory->createPlugin(idOf(test::kIdHidden)), nullptr);
        EXPECT_EQ(libraryLoaded(path), c.opens) << c.file;
        factory->release();
        if (!c.accepted) {
            EXPECT_FALSE(libraryLoaded(path)) << c.file << " is closed with its factory";
        }
    }
}

TEST(PluginManager, ProgramFolderYieldsTheFrameworkItself)
{
    IPluginManager* manager = createPluginManager();
    manager->addRef();
    EXPECT_TRUE(manager->loadPlugins(programFolder()));
    // The other deliverables live there too but answer no protocol.
    IPluginFactory* own = nullptr;
    for (IPluginFactory* factory : manager->getFactories()) {
        EXPECT_EQ(factory->getPath().find("libTormakelin.Core.so"), std::string::npos);
        EXPECT_EQ(factory->getPath().find("libTormakelin.Render.so"), std::string::npos);
        if (factory->getPath().find("libTormakelin.FXCore.so") != std::string::npos)
            own = factory;
    }
    ASSERT_NE(own, nullptr);
    PluginLibraryDesc const* desc = own->getLibraryDesc();
    EXPECT_EQ(core::uniqueIdToString(desc->id), "DA1B056E-B23C-11DD-BE63-950169F8C30A");
    EXPECT_EQ(desc->category, "Standard");
    EXPECT_EQ(desc->name, "Standard Effects Library");
    EXPECT_EQ(desc->reserved, 0);
    EXPECT_EQ(tormakelinPluginFactoryQuery(), desc);
    manager->release();
}

TEST(PluginManager, LibraryRecordsItsModuleHandle)
{
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&createPluginManager), &info), 0);
    EXPECT_EQ(g_instance, info.dli_fbase);
}

TEST(PluginManager, MissingFolderLoadsNothing)
{
    IPluginManager* manager = createPluginManager();
    manager->addRef();
    EXPECT_TRUE(manager->loadPlugins("/nonexistent/folder/"));
    EXPECT_TRUE(manager->getFactories().empty());
    EXPECT_EQ(manager->createPlugin(idOf(test::kIdA)), nullptr);
    manager->release();
}

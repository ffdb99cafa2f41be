#include <tormakelin/fxcore/Folder.h>
#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <gtest/gtest.h>

#include <string>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

core::SmartRef<IFolder> entry(std::string name)
{
    core::SmartRef<IFolder> folder = createFolder();
    folder->getData().name = std::move(name);
    return folder;
}

std::string namesOf(IFolder* folder)
{
    std::string names;
    for (IFolder* child : folder->getChildren())
        names += child->getData().name;
    return names;
}

TEST(FolderTest, ChildrenAreInsertedMovedReplacedAndRemovedInPlace)
{
    auto root = entry("root");
    auto a = entry("a"), b = entry("b"), c = entry("c"), d = entry("d");
    root->addChild(a.get());
    root->addChild(c.get());
    root->insertChild(b.get(), 1);
    root->insertChild(d.get(), 99);
    EXPECT_EQ(namesOf(root.get()), "abcd");
    EXPECT_EQ(b->getParentId(), root->getId());

    root->moveChild(b->getId(), 1);
    EXPECT_EQ(namesOf(root.get()), "abcd");
    root->moveChild(a->getId(), 3);
    EXPECT_EQ(namesOf(root.get()), "dbca");
    for (int bad : {-1, 4})
        root->moveChild(a->getId(), bad);
    EXPECT_EQ(namesOf(root.get()), "dbca");

    auto e = entry("e");
    root->replaceChild(c.get(), e.get());
    EXPECT_EQ(namesOf(root.get()), "dbea");
    EXPECT_EQ(e->getParentId(), root->getId());
    root->removeChild(b->getId());
    EXPECT_EQ(namesOf(root.get()), "dea");
    EXPECT_EQ(b->getParentId(), core::UniqueId{});
    EXPECT_EQ(root->indexOf(b->getId()), -1);

    // No entry goes under itself or its own descendants.
    a->addChild(b.get());
    b->addChild(a.get());
    b->addChild(b.get());
    EXPECT_TRUE(b->getChildren().empty());
}

TEST(FolderTest, LookupsAndCollectionGoDepthFirst)
{
    auto root = entry("root");
    auto a = entry("a"), a1 = entry("a1"), b = entry("b");
    root->addChild(a.get());
    a->addChild(a1.get());
    root->addChild(b.get());
    core::UniqueId object;
    core::generateUniqueId(object);
    a1->getData().data = object;
    b->getData().data = object;
    EXPECT_EQ(root->findByData(object), a1.get());
    EXPECT_EQ(root->findFolder(b->getId()), b.get());
    EXPECT_EQ(root->findFolder(root->getId()), root.get());
    core::UniqueId missing;
    core::generateUniqueId(missing);
    EXPECT_EQ(root->findFolder(missing), nullptr);
    std::string order;
    for (IFolder* folder : root->collectFolders())
        order += folder->getData().name + " ";
    EXPECT_EQ(order, "root a a1 b ");
}

TEST(FolderTest, TheManagerSavesEntriesInOrderWithIdsButNeverItsRoot)
{
    core::SmartRef<IFolderManager> const manager = createFolderManager();
    IFolder* root = manager->getRoot();
    EXPECT_EQ(root->getData().name, "root");
    EXPECT_TRUE(root->getData().folder && root->getData().expanded);
    auto a = entry("a"), a1 = entry("a1"), b = entry("b");
    a->getData().folder = true;
    a1->getData().locked = true;
    manager->addFolder(nullptr, a.get());
    manager->addFolder(a.get(), a1.get());
    manager->addFolder(nullptr, b.get());

    core::SmartRef<core::IXmlDocument> const document = core::createXmlDocument();
    document->create("Tormakelin");
    core::SmartRef<ISerializer> const save = createSerializer({1, document.get(), false});
    manager->serialize(save.get());

    core::SmartRef<IFolderManager> const loaded = createFolderManager();
    core::UniqueId const ownRoot = loaded->getRoot()->getId();
    core::SmartRef<ISerializer> const load = createSerializer({0, document.get(), false});
    forEachChildElement(load.get(), "FolderManager", [&](core::IXmlNode*) { loaded->serialize(load.get()); });
    IFolder* newRoot = loaded->getRoot();
    EXPECT_EQ(newRoot->getId(), ownRoot);
    EXPECT_EQ(namesOf(newRoot), "ab");
    IFolder* copy = loaded->findFolder(a1->getId());
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->getData().locked);
    EXPECT_EQ(copy->getParentId(), a->getId());
    EXPECT_TRUE(loaded->findFolder(a->getId())->getData().folder);

    loaded->removeFolder(a1->getId());
    EXPECT_EQ(loaded->findFolder(a1->getId()), nullptr);
    loaded->removeFolder(ownRoot);
    loaded->reset();
    EXPECT_EQ(loaded->getRoot()->getId(), ownRoot);
    EXPECT_TRUE(loaded->getRoot()->getChildren().empty());
}

} // namespace

#include <tormakelin/kavro/SceneGraph.h>

#include "RefList.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/kavro/Geometry.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/Mesh.h>
#include <tormakelin/kavro/Modifier.h>
#include <tormakelin/kavro/Node.h>

namespace tormakelin::kavro {

namespace {

constexpr char kMagic[5] = {'K', 'A', 'V', 'R', 'O'};
constexpr uint32_t kFileVersion = 1001;
// Smallest records, which bound every count by the bytes left in the file.
constexpr uint64_t kMinTextureBytes = 16 + 4 + 4;
constexpr uint64_t kMinMaterialBytes = 16 + 4 + 4 + 1 + 4 + 16 + 4 + 1 + 4 * (16 + 4) + 3 * (4 + 4);
constexpr uint64_t kMinGeometryBytes = 4 + 16 + 3 + 4;
constexpr uint64_t kMinNodeBytes = 4 + 4 + 16 + 4 + 4 + 32 + 4;
constexpr uint64_t kMinModifierBytes = 16 + 4 + 32;

struct IdHash {
    size_t operator()(const core::UniqueId& id) const
    {
        return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(&id), sizeof id));
    }
};

template <class T>
using IdIndex = std::unordered_map<core::UniqueId, T*, IdHash>;

// The first item of each id, as the list search finds it.
template <class T>
IdIndex<T> indexById(const std::vector<T*>& list)
{
    IdIndex<T> index;
    index.reserve(list.size());
    for (T* item : list) {
        index.emplace(item->getId(), item);
    }
    return index;
}

template <class T>
T* findById(const std::vector<T*>& list, const IdIndex<T>* index, const core::UniqueId& id)
{
    if (index) {
        const auto found = index->find(id);
        return found == index->end() ? nullptr : found->second;
    }
    for (T* item : list) {
        if (item->getId() == id) {
            return item;
        }
    }
    return nullptr;
}

template <class T>
void append(std::vector<T*>& list, T* item)
{
    if (item) {
        item->addRef();
        list.push_back(item);
    }
}

void dropChild(INode* parent, INode* node)
{
    for (ObjectRef<INode>& child : parent->getChildren()) {
        if (child.object == node) {
            child.object = nullptr;
        }
    }
}

// The first link to a node makes it a child; later links to it stop resolving.
void unlinkLaterParents(const std::vector<INode*>& nodes)
{
    std::set<INode*> adopted;
    for (INode* node : nodes) {
        for (ObjectRef<INode>& child : node->getChildren()) {
            if (child.object && !adopted.insert(child.object).second) {
                child.object = nullptr;
            }
        }
    }
}

std::map<INode*, INode*> parentsOf(const std::vector<INode*>& nodes)
{
    std::map<INode*, INode*> parentOf;
    for (INode* node : nodes) {
        for (ObjectRef<INode>& child : node->getChildren()) {
            if (child.object) {
                parentOf[child.object] = node;
            }
        }
    }
    return parentOf;
}

enum class WalkState { Unvisited, OnWalk, Finished };

// Walks up the parents from `node` until a node already seen; a parent on this very walk closes
// a ring, which is cut there.
void walkUpAndCut(INode* node, std::map<INode*, INode*>& parentOf, std::map<INode*, WalkState>& state)
{
    std::vector<INode*> walk;
    INode* at = node;
    while (at && state[at] == WalkState::Unvisited) {
        state[at] = WalkState::OnWalk;
        walk.push_back(at);
        auto up = parentOf.find(at);
        INode* parent = up == parentOf.end() ? nullptr : up->second;
        if (parent && state[parent] == WalkState::OnWalk) {
            dropChild(parent, at);
            parentOf.erase(up);
            parent = nullptr;
        }
        at = parent;
    }
    for (INode* done : walk) {
        state[done] = WalkState::Finished;
    }
}

// With one parent each, a cycle is a ring: walk up from every node and cut where it closes.
void cutCycles(const std::vector<INode*>& nodes, std::map<INode*, INode*>& parentOf)
{
    std::map<INode*, WalkState> state;
    for (INode* node : nodes) {
        walkUpAndCut(node, parentOf, state);
    }
}

class SceneGraph : public core::RefCounted<ISceneGraph> {
public:
    ~SceneGraph() override
    {
        releaseAll(m_modifiers);
        releaseAll(m_nodes);
        releaseAll(m_geometries);
        releaseAll(m_materials);
        releaseAll(m_textures);
    }

    void getNodesByType(uint32_t type, std::vector<INode*>& out) override
    {
        for (INode* node : m_nodes) {
            if (node->getType() == type) {
                out.push_back(node);
            }
        }
    }
    std::vector<INode*> getNodesByType(uint32_t type) override
    {
        std::vector<INode*> out;
        getNodesByType(type, out);
        return out;
    }
    const std::vector<INode*>& getNodes() override { return m_nodes; }
    std::vector<INode*> getRootNodes() override
    {
        std::vector<INode*> roots;
        appendRootNodes(this, roots);
        return roots;
    }
    INode* findNode(const core::UniqueId& id) override { return findById(m_nodes, m_index ? &m_index->nodes : nullptr, id); }
    void addNode(INode* node) override { append(m_nodes, node); }
    const std::vector<IMaterial*>& getMaterials() override { return m_materials; }
    IMaterial* findMaterial(const core::UniqueId& id) override { return findById(m_materials, m_index ? &m_index->materials : nullptr, id); }
    void addMaterial(IMaterial* material) override { append(m_materials, material); }
    void clearMaterials() override { releaseAll(m_materials); }
    const std::vector<ITexture*>& getTextures() override { return m_textures; }
    ITexture* findTexture(const core::UniqueId& id) override { return findById(m_textures, m_index ? &m_index->textures : nullptr, id); }
    void addTexture(ITexture* texture) override { append(m_textures, texture); }
    const std::vector<IGeometry*>& getGeometries() override { return m_geometries; }
    IGeometry* findGeometry(const core::UniqueId& id) override { return findById(m_geometries, m_index ? &m_index->geometries : nullptr, id); }
    void addGeometry(IGeometry* geometry) override { append(m_geometries, geometry); }
    const std::vector<IGeometryModifier*>& getModifiers() override { return m_modifiers; }
    IGeometryModifier* findModifier(const core::UniqueId& id) override { return findById(m_modifiers, m_index ? &m_index->modifiers : nullptr, id); }
    void addModifier(IGeometryModifier* modifier) override { append(m_modifiers, modifier); }

    core::AxisAlignedBoundingBox getBoundingBox() override
    {
        core::AxisAlignedBoundingBox box = emptyBox();
        for (INode* node : m_nodes) {
            auto* mesh = dynamic_cast<Mesh*>(node);
            if (mesh && mesh->getGeometry() && !isEmptyBox(mesh->getWorldBoundingBox())) {
                box.expand(mesh->getWorldBoundingBox());
            }
        }
        return box;
    }

    // Every link is looked up by id, through indexes built once so a large file resolves in
    // linear time.
    void resolve() override
    {
        m_index = std::make_unique<Indexes>(Indexes{indexById(m_nodes), indexById(m_materials),
            indexById(m_textures), indexById(m_geometries), indexById(m_modifiers)});
        for (IMaterial* material : m_materials) {
            material->resolve(this);
        }
        for (INode* node : m_nodes) {
            node->resolve(this);
        }
        m_index.reset();
        pruneChildLinks();
    }

    bool serialize(Serializer* serializer) override
    {
        return serializer->isStoring() ? store(serializer) : load(serializer);
    }

private:
    // Updates and draws recurse through child links, so a stored file must not make a node
    // anyone's child twice or its own descendant: such links stay stored but do not resolve.
    void pruneChildLinks()
    {
        unlinkLaterParents(m_nodes);
        std::map<INode*, INode*> parentOf = parentsOf(m_nodes);
        cutCycles(m_nodes, parentOf);
    }

    template <class T>
    static bool storeList(Serializer* serializer, std::vector<T*>& list)
    {
        uint32_t count = uint32_t(list.size());
        if (!io::value(serializer, count)) {
            return false;
        }
        return std::all_of(list.begin(), list.end(), [serializer](T* item) { return item->serialize(serializer); });
    }

    template <class T, class Make>
    static bool loadList(Serializer* serializer, std::vector<T*>& list, uint64_t minBytes, Make make)
    {
        uint32_t count = 0;
        if (!io::count(serializer, count, minBytes)) {
            return false;
        }
        for (uint32_t i = 0; i < count; ++i) {
            T* item = make();
            append(list, item);
            if (!item->serialize(serializer)) {
                return false;
            }
        }
        return true;
    }

    bool store(Serializer* serializer)
    {
        char magic[5];
        std::memcpy(magic, kMagic, sizeof magic);
        uint32_t version = kFileVersion;
        if (!io::bytes(serializer, magic, sizeof magic) || !io::value(serializer, version) ||
            !storeList(serializer, m_textures) || !storeList(serializer, m_materials) ||
            !storeList(serializer, m_geometries)) {
            return false;
        }
        uint32_t count = uint32_t(m_nodes.size());
        if (!io::value(serializer, count)) {
            return false;
        }
        for (INode* node : m_nodes) {
            uint32_t type = node->getType();
            if (!io::value(serializer, type) || !node->serialize(serializer)) {
                return false;
            }
        }
        // Each modifier writes its own class id.
        return storeList(serializer, m_modifiers);
    }

    bool loadNodes(Serializer* serializer)
    {
        uint32_t count = 0;
        if (!io::count(serializer, count, kMinNodeBytes)) {
            return false;
        }
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t type = 0;
            if (!io::value(serializer, type)) {
                return false;
            }
            INode* node = createNode(type);
            if (node == nullptr) {
                return false;
            }
            append(m_nodes, node);
            if (!node->serialize(serializer)) {
                return false;
            }
        }
        return true;
    }

    // An unknown class id fails the load: the rest of the file could not be read in step.
    bool loadModifiers(Serializer* serializer)
    {
        uint32_t count = 0;
        if (!io::count(serializer, count, kMinModifierBytes)) {
            return false;
        }
        for (uint32_t i = 0; i < count; ++i) {
            core::UniqueId classId{};
            if (!io::id(serializer, classId)) {
                return false;
            }
            IGeometryModifier* modifier = nullptr;
            if (classId == skinModifierClassId()) {
                modifier = new SkinModifier();
            } else if (classId == morphModifierClassId()) {
                modifier = new MorphModifier();
            } else {
                return false;
            }
            append(m_modifiers, modifier);
            if (!modifier->serialize(serializer)) {
                return false;
            }
        }
        return true;
    }

    bool load(Serializer* serializer)
    {
        char magic[5] = {};
        uint32_t version = 0;
        if (!io::bytes(serializer, magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0 ||
            !io::value(serializer, version)) {
            return false;
        }
        if (!loadList(serializer, m_textures, kMinTextureBytes, createTexture) ||
            !loadList(serializer, m_materials, kMinMaterialBytes, createMaterial) ||
            !loadList(serializer, m_geometries, kMinGeometryBytes, createGeometry) || !loadNodes(serializer) ||
            !loadModifiers(serializer)) {
            return false;
        }
        resolve();
        for (IGeometry* geometry : m_geometries) {
            geometry->computeBoundingBox();
        }
        return true;
    }

    struct Indexes {
        IdIndex<INode> nodes;
        IdIndex<IMaterial> materials;
        IdIndex<ITexture> textures;
        IdIndex<IGeometry> geometries;
        IdIndex<IGeometryModifier> modifiers;
    };

    std::unique_ptr<Indexes> m_index;  // only while resolving
    std::vector<IMaterial*> m_materials;
    std::vector<ITexture*> m_textures;
    std::vector<INode*> m_nodes;
    std::vector<IGeometry*> m_geometries;
    std::vector<IGeometryModifier*> m_modifiers;
};

}  // namespace

ISceneGraph* createSceneGraph() { return new SceneGraph(); }

ISceneGraph* loadSceneGraph(const std::string& path)
{
    if (core::g_fileSystem == nullptr) {
        return nullptr;
    }
    core::IStream* stream = core::g_fileSystem->open(path);
    if (stream == nullptr) {
        return nullptr;
    }
    stream->addRef();
    auto* serializer = new Serializer();
    serializer->addRef();
    ISceneGraph* graph = nullptr;
    if (serializer->create(stream, SerializerParams{})) {
        // The graph leaves with a count of 0, as every factory's object does.
        graph = createSceneGraph();
        if (!graph->serialize(serializer)) {
            delete graph;
            graph = nullptr;
        }
    }
    serializer->release();
    stream->release();
    return graph;
}

void appendRootNodes(ISceneGraph* graph, std::vector<INode*>& out)
{
    for (INode* node : graph->getNodes()) {
        if (node->getParent() == nullptr) {
            out.push_back(node);
        }
    }
}

}  // namespace tormakelin::kavro

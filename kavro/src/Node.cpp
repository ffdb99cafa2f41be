#include <tormakelin/kavro/Node.h>

#include <algorithm>
#include <cfloat>

#include <tormakelin/kavro/Camera.h>
#include <tormakelin/kavro/Flare.h>
#include <tormakelin/kavro/Mesh.h>
#include <tormakelin/kavro/Particles.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/kavro/Spline.h>

namespace tormakelin::kavro {

namespace {
constexpr uint32_t kNodeVersion = 1002;
constexpr uint32_t kFirstSplineVersion = 1002;
constexpr uint32_t kRecordVersion = 1001;
const D3DXVECTOR3 kUp(0, 1, 0);
}  // namespace

core::AxisAlignedBoundingBox emptyBox()
{
    core::AxisAlignedBoundingBox box;
    box.min = D3DXVECTOR3(FLT_MAX, FLT_MAX, FLT_MAX);
    box.max = D3DXVECTOR3(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    return box;
}

bool isEmptyBox(const core::AxisAlignedBoundingBox& box)
{
    return box.min.x > box.max.x || box.min.y > box.max.y || box.min.z > box.max.z;
}

void Transformation::eval(float time)
{
    if (m_userMatrix) {
        return;
    }
    position.update(time);
    scale.update(time);
    rotation.update(time);
    D3DXMatrixTransformation(&m_matrix, nullptr, nullptr, &scale.value, nullptr, &rotation.value, &position.value);
}

bool Transformation::serialize(Serializer* serializer)
{
    uint32_t version = kRecordVersion;
    return io::value(serializer, version) && position.serialize(serializer) && scale.serialize(serializer) &&
           rotation.serialize(serializer);
}

void NodeTransformation::eval(float time)
{
    objectOffset.eval(time);
    transform.eval(time);
}

bool NodeTransformation::serialize(Serializer* serializer)
{
    uint32_t version = kRecordVersion;
    return io::value(serializer, version) && objectOffset.serialize(serializer) && transform.serialize(serializer);
}

Node::Node() : m_box(emptyBox()), m_worldBox(emptyBox())
{
    core::generateUniqueId(m_id);
}

Node::~Node()
{
    clearSplines();
}

void Node::addSpline(ISpline* spline)
{
    if (spline) {
        spline->addRef();
        m_splines.push_back(spline);
    }
}

void Node::removeSpline(const core::UniqueId& id)
{
    auto it = std::find_if(m_splines.begin(), m_splines.end(), [&](ISpline* s) { return s->getId() == id; });
    if (it != m_splines.end()) {
        ISpline* spline = *it;
        m_splines.erase(it);
        spline->release();
    }
}

void Node::clearSplines()
{
    std::vector<ISpline*> splines;
    splines.swap(m_splines);
    for (ISpline* spline : splines) {
        spline->release();
    }
}

void Node::setParent(INode* parent)
{
    m_parent.set(parent);
    if (parent) {
        ObjectRef<INode> self;
        self.set(this);
        parent->getChildren().push_back(self);
    }
}

namespace {

// Updates and draws walk a subtree with a stack of their own instead of recursing, so a long
// parent chain cannot overflow the thread's stack. Each node's own virtual update or render is
// still called, parents before children and children in order; the node being visited skips
// its own walk over its children, which the walk does instead. Walks share one stack per
// thread (a walk started during a visit works above the entries of the outer one), so a frame
// allocates nothing once the stack has grown.
struct WalkEntry {
    INode* node;
    D3DXMATRIX parentMatrix;
};

struct WalkState {
    std::vector<WalkEntry> stack;
    INode* updating = nullptr;
    INode* rendering = nullptr;
    // Set by the visited node when it would have recursed: a node whose own code does not reach
    // the base update or renderChildren keeps its children out, as before.
    bool childrenWanted = false;
    // What the visited node passes to its children as their parent matrix.
    D3DXMATRIX childMatrix;
};

// One per thread, reached once per call: thread-local lookups cost a call each in a library.
thread_local WalkState t_walk;

void pushChildren(std::vector<WalkEntry>& stack, INode* node, const D3DXMATRIX& parentMatrix)
{
    std::vector<ObjectRef<INode>>& children = node->getChildren();
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
        if (child->object) {
            stack.push_back(WalkEntry{child->object, parentMatrix});
        }
    }
}

}  // namespace

void Node::update(UpdateContext& context)
{
    if (context.phase == UpdatePhase_Evaluate) {
        m_transformation.eval(context.time);
    } else if (context.phase == UpdatePhase_Matrices) {
        D3DXMATRIX local = m_transformation.transform.getMatrix();
        if (m_target.object) {
            D3DXVECTOR3 eye = m_transformation.transform.position.value;
            D3DXVECTOR3 at = m_target.object->getTransformation().transform.position.value;
            D3DXMATRIX lookAt;
            D3DXMatrixLookAtLH(&lookAt, &eye, &at, &kUp);
            D3DXMatrixInverse(&local, nullptr, &lookAt);
        }
        m_nodeWorldMatrix = local * context.parentMatrix;
        m_worldMatrix = m_transformation.objectOffset.getMatrix() * m_nodeWorldMatrix;
    }
    // Phase 0 hands the context's matrix on unchanged; the later phases the node's own.
    const D3DXMATRIX& childMatrix = context.phase == UpdatePhase_Evaluate ? context.parentMatrix : m_nodeWorldMatrix;
    WalkState& walk = t_walk;
    if (walk.updating == this) {
        walk.childMatrix = childMatrix;
        walk.childrenWanted = context.recurse;
        return;
    }
    if (!context.recurse) {
        return;
    }
    const size_t base = walk.stack.size();
    INode* const outer = walk.updating;
    pushChildren(walk.stack, this, childMatrix);
    UpdateContext visit = context;
    while (walk.stack.size() > base) {
        const WalkEntry entry = walk.stack.back();
        walk.stack.pop_back();
        visit.parentMatrix = entry.parentMatrix;
        walk.childrenWanted = false;
        walk.updating = entry.node;
        entry.node->update(visit);
        if (walk.childrenWanted) {
            pushChildren(walk.stack, entry.node, walk.childMatrix);
        }
    }
    walk.updating = outer;
}

void Node::renderChildren(RenderPass& pass)
{
    WalkState& walk = t_walk;
    if (walk.rendering == this) {
        walk.childrenWanted = true;
        return;
    }
    const size_t base = walk.stack.size();
    INode* const outer = walk.rendering;
    pushChildren(walk.stack, this, m_nodeWorldMatrix);
    while (walk.stack.size() > base) {
        INode* const node = walk.stack.back().node;
        walk.stack.pop_back();
        walk.childrenWanted = false;
        walk.rendering = node;
        node->render(pass);
        if (walk.childrenWanted) {
            pushChildren(walk.stack, node, m_nodeWorldMatrix);
        }
    }
    walk.rendering = outer;
}

void Node::render(RenderPass& pass)
{
    pass.bones.clear();
    renderChildren(pass);
}

void Node::resolve(ISceneGraph* graph)
{
    auto find = [graph](const core::UniqueId& id) { return graph->findNode(id); };
    m_parent.resolveWith(find);
    m_target.resolveWith(find);
    for (ObjectRef<INode>& child : m_children) {
        child.resolveWith(find);
    }
}

namespace {

bool serializeChildIds(Serializer* serializer, std::vector<ObjectRef<INode>>& children)
{
    uint32_t childCount = uint32_t(children.size());
    if (!io::count(serializer, childCount, sizeof(core::UniqueId))) {
        return false;
    }
    if (!serializer->isStoring()) {
        children.assign(childCount, ObjectRef<INode>());
    }
    for (ObjectRef<INode>& child : children) {
        if (!io::id(serializer, child.id)) {
            return false;
        }
    }
    return true;
}

bool storeSplines(Serializer* serializer, const std::vector<ISpline*>& splines)
{
    for (ISpline* spline : splines) {
        if (!spline->serialize(serializer)) {
            return false;
        }
    }
    return true;
}

// Each spline joins the node before it is read, so a partial load leaves nothing unowned.
bool loadSplines(Serializer* serializer, INode& node, uint32_t splineCount)
{
    node.clearSplines();
    for (uint32_t i = 0; i < splineCount; ++i) {
        ISpline* spline = createSpline();
        node.addSpline(spline);
        if (!spline->serialize(serializer)) {
            return false;
        }
    }
    return true;
}

bool serializeSplines(Serializer* serializer, INode& node)
{
    uint32_t splineCount = uint32_t(node.getSplines().size());
    // A spline record is at least version, id and object count.
    if (!io::count(serializer, splineCount, 24)) {
        return false;
    }
    return serializer->isStoring() ? storeSplines(serializer, node.getSplines())
                                   : loadSplines(serializer, node, splineCount);
}

}  // namespace

bool Node::serialize(Serializer* serializer)
{
    uint32_t version = kNodeVersion;
    if (!io::value(serializer, version) || !io::id(serializer, m_id) || !io::text(serializer, m_name) ||
        !io::value(serializer, m_attributes) || !io::id(serializer, m_parent.id) || !io::id(serializer, m_target.id)) {
        return false;
    }
    if (!serializeChildIds(serializer, m_children)) {
        return false;
    }
    if (version >= kFirstSplineVersion && !serializeSplines(serializer, *this)) {
        return false;
    }
    return m_transformation.serialize(serializer);
}

INode* createNode(uint32_t type)
{
    switch (type) {
    case NodeType_Node:
        return new Node();
    case NodeType_Mesh:
        return new Mesh();
    case NodeType_Camera:
        return new Camera();
    case NodeType_Light:
        return new Light();
    case NodeType_ParticleSystem:
        return new ParticleSystem();
    case NodeType_Flare:
        return new Flare();
    case NodeType_LensFlare:
        return new LensFlare();
    default:
        return nullptr;
    }
}

}  // namespace tormakelin::kavro

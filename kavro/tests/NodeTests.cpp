#include "SceneTestUtil.h"

#include <tormakelin/kavro/Camera.h>
#include <tormakelin/kavro/Mesh.h>
#include <tormakelin/kavro/Node.h>
#include <tormakelin/kavro/Spline.h>

namespace kavro_test {
namespace {

using namespace tormakelin::kavro;

const D3DXMATRIX kIdentity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

void expectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tolerance = 1e-4f)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(a.m[r][c], b.m[r][c], tolerance) << "row " << r << " column " << c;
        }
    }
}

// Runs the three update phases over the root with an identity parent.
void updateAll(INode* root, float time)
{
    for (int phase = 0; phase < 3; ++phase) {
        UpdateContext context;
        context.time = time;
        context.phase = phase;
        root->update(context);
    }
}

template <class T = Node>
T* make(NodeType type)
{
    INode* node = createNode(type);
    node->addRef();
    return static_cast<T*>(node);
}

TEST(Nodes, CreateNodeKnowsTheSceneTypesOnly)
{
    for (uint32_t type : {NodeType_Node, NodeType_Mesh, NodeType_Camera, NodeType_Light, NodeType_ParticleSystem,
             NodeType_Flare, NodeType_LensFlare}) {
        INode* node = createNode(type);
        ASSERT_NE(node, nullptr) << type;
        EXPECT_EQ(node->getType(), type);
        node->addRef();
        node->release();
    }
    EXPECT_EQ(createNode(7), nullptr);
    EXPECT_EQ(createNode(0xFFFFFFFFu), nullptr);
}

TEST(Transformations, DefaultsGiveIdentityAndStoredValuesStayWithoutTracks)
{
    Transformation t;
    t.eval(3.0f);
    expectMatrixNear(t.getMatrix(), kIdentity);

    t.position.value = D3DXVECTOR3(1, 2, 3);
    t.scale.value = D3DXVECTOR3(2, 2, 2);
    t.eval(10.0f);
    EXPECT_EQ(t.position.value, D3DXVECTOR3(1, 2, 3));
    EXPECT_FLOAT_EQ(t.getMatrix()._11, 2);
    EXPECT_FLOAT_EQ(t.getMatrix()._41, 1);
    EXPECT_FLOAT_EQ(t.getMatrix()._43, 3);
}

TEST(Transformations, TracksReplaceValuesAndTheUserMatrixWins)
{
    Transformation t;
    t.position.setTrack(linearTrack(3, {{0, {0, 0, 0}}, {2, {4, 0, 0}}}));
    t.eval(1.0f);
    EXPECT_FLOAT_EQ(t.position.value.x, 2);
    EXPECT_FLOAT_EQ(t.getMatrix()._41, 2);

    D3DXMATRIX user;
    D3DXMatrixTranslation(&user, 9, 8, 7);
    t.setUserMatrix(user);
    t.enableUserMatrix(true);
    for (float time : {0.0f, 1.5f, 100.0f}) {
        t.eval(time);
        expectMatrixNear(t.getMatrix(), user);
    }
}

TEST(Nodes, ParentChainAndObjectOffsetMakeWorldMatrices)
{
    Node* parent = make(NodeType_Node);
    Node* child = make(NodeType_Node);
    child->setParent(parent);
    ASSERT_EQ(parent->getChildren().size(), 1u);
    EXPECT_EQ(parent->getChildren()[0].object, child);
    EXPECT_EQ(child->getParent(), parent);

    parent->getTransformation().transform.position.value = D3DXVECTOR3(10, 0, 0);
    child->getTransformation().transform.position.value = D3DXVECTOR3(0, 5, 0);
    child->getTransformation().objectOffset.position.value = D3DXVECTOR3(0, 0, 1);
    updateAll(parent, 0);
    EXPECT_FLOAT_EQ(child->getNodeWorldMatrix()._41, 10);
    EXPECT_FLOAT_EQ(child->getNodeWorldMatrix()._42, 5);
    EXPECT_FLOAT_EQ(child->getNodeWorldMatrix()._43, 0);
    EXPECT_FLOAT_EQ(child->getWorldMatrix()._43, 1);
    child->release();
    parent->release();
}

TEST(Nodes, ResolvedTargetLooksAtItAndAMissingOneUsesTheTransform)
{
    Node* node = make(NodeType_Node);
    Node* target = make(NodeType_Node);
    node->getTransformation().transform.position.value = D3DXVECTOR3(0, 0, -5);
    target->getTransformation().transform.position.value = D3DXVECTOR3(5, 0, -5);
    node->setTarget(target);
    updateAll(node, 0);
    // The node's Z axis points at the target: +X.
    EXPECT_NEAR(node->getWorldMatrix()._31, 1, 1e-5f);
    EXPECT_NEAR(node->getWorldMatrix()._43, -5, 1e-5f);

    node->setTarget(nullptr);
    EXPECT_TRUE(core::isNullUniqueId(node->getTargetId()));
    updateAll(node, 0);
    EXPECT_NEAR(node->getWorldMatrix()._31, 0, 1e-5f);
    EXPECT_NEAR(node->getWorldMatrix()._33, 1, 1e-5f);
    target->release();
    node->release();
}

TEST(Nodes, SplinesAreCountedAndRemovedById)
{
    Node* node = make(NodeType_Node);
    ISpline* a = createSpline();
    ISpline* b = createSpline();
    a->addRef();
    node->addSpline(a);
    node->addSpline(b);
    node->removeSpline(a->getId());
    ASSERT_EQ(node->getSplines().size(), 1u);
    EXPECT_EQ(node->getSplines()[0], b);
    node->clearSplines();
    EXPECT_TRUE(node->getSplines().empty());
    EXPECT_EQ(a->release(), 0);
    node->release();
}

TEST(Splines, AnEmptySplineIs24BytesAndKnotsKeepStoredPoints)
{
    ISceneGraph* graph = createSceneGraph();
    graph->addRef();
    ISpline* spline = createSpline();
    spline->addRef();
    core::MemStream* stream = new core::MemStream();
    stream->addRef();
    ASSERT_TRUE(stream->create(nullptr, 0, false, true));
    {
        Serializer serializer;
        serializer.addRef();
        ASSERT_TRUE(serializer.create(stream, SerializerParams{SerializerMode_Store, 0}));
        ASSERT_TRUE(spline->serialize(&serializer));
    }
    EXPECT_EQ(stream->getSize(), 24u);
    stream->release();

    ISplineKnot* knot = createSplineKnot();
    knot->addRef();
    knot->getPosition().value = D3DXVECTOR3(1, 2, 3);
    knot->getInHandle().value = D3DXVECTOR3(4, 5, 6);
    for (float time : {0.0f, 7.0f}) {
        knot->update(time);
        EXPECT_EQ(knot->getPosition().value, D3DXVECTOR3(1, 2, 3));
        EXPECT_EQ(knot->getInHandle().value, D3DXVECTOR3(4, 5, 6));
    }
    knot->getOutHandle().setTrack(linearTrack(3, {{0, {0, 0, 0}}, {1, {2, 2, 2}}}));
    spline->addSplineObject(createSplineObject());
    spline->getSplineObjects()[0]->addKnot(knot);
    spline->update(0.5f);
    EXPECT_FLOAT_EQ(knot->getOutHandle().value.y, 1);
    knot->release();
    spline->release();
    graph->release();
}

TEST(Cameras, UntargetedCameraAtTheOriginHasIdentityView)
{
    auto* camera = make<Camera>(NodeType_Camera);
    camera->autoAdjustAspectRatio(false);
    updateAll(camera, 0);
    expectMatrixNear(camera->getViewMatrix(), kIdentity);
    // Vertical field of view = field of view / aspect ratio.
    D3DXMATRIX expected;
    D3DXMatrixPerspectiveFovLH(&expected, 0.7853982f / 1.33f, 1.33f, 0.1f, 2048.0f);
    expectMatrixNear(camera->getProjectionMatrix(), expected);

    camera->getTransformation().transform.position.value = D3DXVECTOR3(0, 0, -10);
    updateAll(camera, 0);
    EXPECT_NEAR(camera->getViewMatrix()._43, 10, 1e-4f);
    camera->release();
}

TEST(Cameras, TargetedCameraLooksAtTheTarget)
{
    auto* camera = make<Camera>(NodeType_Camera);
    Node* target = make(NodeType_Node);
    camera->autoAdjustAspectRatio(false);
    camera->getTransformation().transform.position.value = D3DXVECTOR3(0, 0, -10);
    camera->setTarget(target);
    updateAll(target, 0);
    updateAll(camera, 0);
    D3DXMATRIX expected;
    const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&expected, &eye, &at, &up);
    expectMatrixNear(camera->getViewMatrix(), expected);
    target->release();
    camera->release();
}

// The parent's move and turn reach the view once: through the camera's world matrix.
TEST(Cameras, ACameraUnderAMovedTurnedParentViewsFromItsWorldPlace)
{
    for (bool targeted : {false, true}) {
        SCOPED_TRACE(targeted ? "targeted" : "untargeted");
        Node* parent = make(NodeType_Node);
        auto* camera = make<Camera>(NodeType_Camera);
        Node* target = make(NodeType_Node);
        camera->autoAdjustAspectRatio(false);
        camera->setParent(parent);
        parent->getTransformation().transform.position.value = D3DXVECTOR3(5, -2, 7);
        D3DXQuaternionRotationYawPitchRoll(&parent->getTransformation().transform.rotation.value, 0.7f, 0.3f, 0);
        camera->getTransformation().transform.position.value = D3DXVECTOR3(1, 2, -10);
        D3DXQuaternionRotationYawPitchRoll(&camera->getTransformation().transform.rotation.value, 0.2f, 0, 0);
        target->getTransformation().transform.position.value = D3DXVECTOR3(-3, 1, 4);
        if (targeted)
            camera->setTarget(target);
        updateAll(target, 0);
        updateAll(parent, 0);

        D3DXMATRIX expected;
        if (targeted) {
            const D3DXMATRIX& world = camera->getWorldMatrix();
            const D3DXVECTOR3 eye(world._41, world._42, world._43), at(-3, 1, 4), up(0, 1, 0);
            D3DXMatrixLookAtLH(&expected, &eye, &at, &up);
        } else {
            D3DXMatrixInverse(&expected, nullptr, &camera->getWorldMatrix());
        }
        expectMatrixNear(camera->getViewMatrix(), expected);
        target->release();
        camera->release();
        parent->release();
    }
}

TEST(Lights, WorldRecordCarriesPositionAxisAndValues)
{
    auto* light = make<Light>(NodeType_Light);
    light->setLightType(LightType_Spot);
    light->getTransformation().transform.position.value = D3DXVECTOR3(1, 2, 3);
    D3DXQuaternionRotationYawPitchRoll(&light->getTransformation().transform.rotation.value, 1.5707964f, 0, 0);
    light->radius.setTrack(linearTrack(1, {{0, {10}}, {1, {20}}}));
    updateAll(light, 0.5f);
    const LightRecord& record = light->getWorldLight();
    EXPECT_EQ(record.type, uint32_t(LightType_Spot));
    EXPECT_EQ(record.position, D3DXVECTOR3(1, 2, 3));
    EXPECT_NEAR(record.direction.x, 1, 1e-5f);
    EXPECT_NEAR(record.direction.z, 0, 1e-5f);
    EXPECT_FLOAT_EQ(record.radius, 15);
    EXPECT_FLOAT_EQ(record.innerCone, 0.5f);
    EXPECT_FLOAT_EQ(record.outerCone, 0.8f);
    light->release();
}

}  // namespace
}  // namespace kavro_test

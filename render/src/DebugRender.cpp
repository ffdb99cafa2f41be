#include <string>

#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/StateManager.h>

#include "DebugRenderImpl.h"

namespace tormakelin::render {

namespace {

const char* const kPrimitiveEffect = R"FX(
float4x4 worldViewProjection;
float2 invViewportSize;

struct PrimitiveVertex {
    float3 position : POSITION;
    float3 normal : NORMAL;
    float4 colour : COLOR0;
};

struct PrimitiveOutput {
    float4 position : POSITION;
    float4 colour : COLOR0;
};

PrimitiveOutput primitiveVS(PrimitiveVertex input)
{
    PrimitiveOutput output;
    output.position = mul(float4(input.position, 1.0), worldViewProjection);
    output.colour = input.colour;
    return output;
}

float4 primitivePS(float4 colour : COLOR0) : COLOR
{
    return colour;
}

technique Primitive {
    pass P0 { VertexShader = compile vs_2_0 primitiveVS(); PixelShader = compile ps_2_0 primitivePS(); }
}
)FX";

DWORD channel(float c)
{
    if (c >= 1.0f) {
        return 255;
    }
    if (c <= 0.0f) {
        return 0;
    }
    return DWORD(c * 255.0f + 0.5f);
}

} // namespace

D3DCOLOR packColour(const D3DXVECTOR4& colour)
{
    return channel(colour.w) << 24 | channel(colour.x) << 16 | channel(colour.y) << 8 | channel(colour.z);
}

DebugRender::~DebugRender()
{
    if (m_font != nullptr) {
        m_font->Release();
    }
}

bool DebugRender::init()
{
    IDirect3DDevice9* d3d = g_renderDevice ? g_renderDevice->getD3DDevice() : nullptr;
    if (d3d == nullptr || FAILED(D3DXCreateFont(d3d, 20, 0, 700, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH, "Terminal", &m_font))) {
        m_font = nullptr;
        return false;
    }
    VertexDeclBuilder builder;
    builder.add({0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
    builder.add({0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0});
    builder.add({0, 24, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0});
    m_decl = builder.build();
    if (m_decl.get() == nullptr) {
        return false;
    }
    m_shader = createShader();
    const std::string text = kPrimitiveEffect;
    if (!m_shader->compile(text.data(), unsigned(text.size()), nullptr, nullptr)) {
        return false;
    }
    m_worldViewProjection = m_shader->getParameter("worldViewProjection");
    m_invViewportSize = m_shader->getParameter("invViewportSize");
    D3DXMatrixIdentity(&m_matrix);
    return true;
}

void DebugRender::drawText(int x, int y, const D3DXVECTOR4& colour, const std::string& text)
{
    D3DVIEWPORT9 viewport{};
    IDirect3DDevice9* d3d = g_renderDevice ? g_renderDevice->getD3DDevice() : nullptr;
    if (m_font == nullptr || d3d == nullptr || FAILED(d3d->GetViewport(&viewport))) {
        return;
    }
    RECT rect{x, y, LONG(viewport.Width), LONG(viewport.Height)};
    m_font->DrawText(nullptr, text.c_str(), -1, &rect, DT_SINGLELINE, packColour(colour));
}

void DebugRender::begin(const D3DXMATRIX& worldViewProjection, const std::map<D3DRENDERSTATETYPE, DWORD>& states)
{
    m_matrix = worldViewProjection;
    m_colour = D3DXVECTOR4(1.0f, 1.0f, 1.0f, 1.0f);
    m_normal = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    D3DVIEWPORT9 viewport{};
    IDirect3DDevice9* d3d = g_renderDevice ? g_renderDevice->getD3DDevice() : nullptr;
    if (d3d != nullptr && SUCCEEDED(d3d->GetViewport(&viewport)) && viewport.Width > 0 && viewport.Height > 0) {
        const D3DXVECTOR2 correction(-1.0f / float(viewport.Width), 1.0f / float(viewport.Height));
        m_shader->setVector2(m_invViewportSize, &correction);
    }
    m_shader->setMatrix(m_worldViewProjection, &m_matrix);
    m_decl->bind();
    if (StateManager* manager = g_stateManager) {
        manager->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        manager->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        manager->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        manager->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        manager->SetRenderState(D3DRS_ZENABLE, TRUE);
        manager->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        manager->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
        for (const auto& [state, value] : states) {
            manager->SetRenderState(state, value);
        }
    }
    m_shader->setTechnique("Primitive");
    m_passes = m_shader->begin();
}

void DebugRender::end()
{
    if (m_passes > 0) {
        m_shader->end();
    }
    m_passes = 0;
}

void DebugRender::beginPrimitive(int type)
{
    m_type = type;
    m_vertices.clear();
}

void DebugRender::addVertex(const D3DXVECTOR3& position)
{
    m_vertices.push_back({position.x, position.y, position.z, m_normal.x, m_normal.y, m_normal.z, packColour(m_colour)});
}

void DebugRender::addShapeVertex(const D3DXVECTOR3& position, const D3DXVECTOR3& outward)
{
    if (m_mode == DebugNormalMode_Outward || m_mode == DebugNormalMode_Inward) {
        const D3DXVECTOR3 kept = m_normal;
        m_normal = m_mode == DebugNormalMode_Outward ? outward : -outward;
        addVertex(position);
        m_normal = kept;
    } else {
        addVertex(position);
    }
}

void DebugRender::drawList(D3DPRIMITIVETYPE type, unsigned count, const DebugVertex* vertices)
{
    if (count > 0 && g_renderDevice != nullptr) {
        g_renderDevice->drawPrimitiveUP(type, count, vertices, sizeof(DebugVertex));
    }
}

// Too few vertices for the type draw nothing: counts never go below zero.
void DebugRender::drawVertices()
{
    const unsigned n = unsigned(m_vertices.size());
    const DebugVertex* v = m_vertices.data();
    switch (m_type) {
    case DebugPrimitive_TriangleList:
        drawList(D3DPT_TRIANGLELIST, n / 3, v);
        break;
    case DebugPrimitive_TriangleFan:
    case DebugPrimitive_TriangleFanAlias:
        drawList(D3DPT_TRIANGLEFAN, n >= 3 ? n - 2 : 0, v);
        break;
    case DebugPrimitive_TriangleStrip:
    case DebugPrimitive_TriangleStripAlias:
        drawList(D3DPT_TRIANGLESTRIP, n >= 3 ? n - 2 : 0, v);
        break;
    case DebugPrimitive_Quads:
        for (unsigned first = 0; first + 4 <= n; first += 4) {
            drawList(D3DPT_TRIANGLEFAN, 2, v + first);
        }
        break;
    case DebugPrimitive_LineStrip:
        drawList(D3DPT_LINESTRIP, n >= 2 ? n - 1 : 0, v);
        break;
    case DebugPrimitive_LineList:
        drawList(D3DPT_LINELIST, n / 2, v);
        break;
    case DebugPrimitive_LineLoop:
        if (n > 2) {
            drawList(D3DPT_LINESTRIP, n - 1, v);
            const DebugVertex closing[2] = {v[n - 1], v[0]};
            drawList(D3DPT_LINELIST, 1, closing);
        } else {
            drawList(D3DPT_LINELIST, n / 2, v);
        }
        break;
    default:
        break;
    }
}

void DebugRender::endPrimitive()
{
    if (m_vertices.empty()) {
        return;
    }
    for (unsigned pass = 0; pass < m_passes; ++pass) {
        if (SUCCEEDED(m_shader->beginPass(pass))) {
            drawVertices();
            m_shader->endPass();
        }
    }
    m_vertices.clear();
}

bool DebugRender::onLostDevice()
{
    return m_font == nullptr || SUCCEEDED(m_font->OnLostDevice());
}

bool DebugRender::onResetDevice()
{
    return m_font == nullptr || SUCCEEDED(m_font->OnResetDevice());
}

IDebugRender* createDebugRender()
{
    auto* renderer = new DebugRender();
    if (!renderer->init()) {
        delete renderer;
        return nullptr;
    }
    return renderer;
}

} // namespace tormakelin::render

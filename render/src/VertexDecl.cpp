#include <tormakelin/render/VertexDecl.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/StateManager.h>

#include "RecordIo.h"

namespace tormakelin::render {

namespace {

// 64 elements and the end marker.
constexpr uint32_t kMaxElements = 65;
constexpr D3DVERTEXELEMENT9 kEnd = D3DDECL_END();

bool isEnd(const D3DVERTEXELEMENT9& e)
{
    return e.Stream == kEnd.Stream && e.Offset == kEnd.Offset && e.Type == kEnd.Type && e.Method == kEnd.Method &&
        e.Usage == kEnd.Usage && e.UsageIndex == kEnd.UsageIndex;
}

IDirect3DVertexDeclaration9* makeDeclaration(const std::vector<D3DVERTEXELEMENT9>& elements)
{
    IDirect3DVertexDeclaration9* declaration = nullptr;
    if (g_d3d == nullptr || elements.empty() || elements.size() > kMaxElements || !isEnd(elements.back()) ||
        FAILED(g_d3d->CreateVertexDeclaration(elements.data(), &declaration))) {
        return nullptr;
    }
    return declaration;
}

class VertexDecl final : public core::RefCounted<IVertexDecl> {
public:
    explicit VertexDecl(IDirect3DVertexDeclaration9* declaration = nullptr) : m_declaration(declaration) {}
    ~VertexDecl() override { replace(nullptr); }

    bool bind() override
    {
        return m_declaration != nullptr && g_stateManager != nullptr &&
            g_stateManager->SetVertexDeclaration(m_declaration) == D3D_OK;
    }

    IVertexDecl* clone() override
    {
        IDirect3DVertexDeclaration9* declaration = makeDeclaration(elements());
        return declaration != nullptr ? new VertexDecl(declaration) : nullptr;
    }

    bool serialize(core::ISerializer* serializer) override
    {
        if (serializer == nullptr) {
            return false;
        }
        if (serializer->isStoring()) {
            std::vector<D3DVERTEXELEMENT9> list = elements();
            uint32_t count = uint32_t(list.size());
            return count != 0 && record::value(serializer, count) && transferElements(serializer, list);
        }
        uint32_t count = 0;
        if (!record::value(serializer, count) || count == 0 || count > kMaxElements) {
            return false;
        }
        std::vector<D3DVERTEXELEMENT9> list(count);
        if (!transferElements(serializer, list)) {
            return false;
        }
        IDirect3DVertexDeclaration9* declaration = makeDeclaration(list);
        if (declaration == nullptr) {
            return false;
        }
        replace(declaration);
        return true;
    }

private:
    std::vector<D3DVERTEXELEMENT9> elements() const
    {
        std::vector<D3DVERTEXELEMENT9> list;
        UINT count = 0;
        if (m_declaration == nullptr || FAILED(m_declaration->GetDeclaration(nullptr, &count)) || count == 0) {
            return list;
        }
        list.resize(count);
        if (FAILED(m_declaration->GetDeclaration(list.data(), &count))) {
            list.clear();
        }
        return list;
    }

    static bool transferElements(core::ISerializer* serializer, std::vector<D3DVERTEXELEMENT9>& list)
    {
        for (D3DVERTEXELEMENT9& e : list) {
            if (!record::value(serializer, e.Stream) || !record::value(serializer, e.Offset) ||
                !record::value(serializer, e.Type) || !record::value(serializer, e.Method) ||
                !record::value(serializer, e.Usage) || !record::value(serializer, e.UsageIndex)) {
                return false;
            }
        }
        return true;
    }

    void replace(IDirect3DVertexDeclaration9* declaration)
    {
        if (m_declaration != nullptr) {
            m_declaration->Release();
        }
        m_declaration = declaration;
    }

    IDirect3DVertexDeclaration9* m_declaration;
};

} // namespace

IVertexDecl* createVertexDecl()
{
    return new VertexDecl();
}

IVertexDecl* VertexDeclBuilder::build() const
{
    if (m_elements.empty()) {
        return nullptr;
    }
    std::vector<D3DVERTEXELEMENT9> list;
    for (const VertexElement& e : m_elements) {
        list.push_back({WORD(e.stream), WORD(e.offset), BYTE(e.type), BYTE(e.method), BYTE(e.usage), BYTE(e.usageIndex)});
    }
    list.push_back(kEnd);
    IDirect3DVertexDeclaration9* declaration = makeDeclaration(list);
    return declaration != nullptr ? new VertexDecl(declaration) : nullptr;
}

} // namespace tormakelin::render

#pragma once
// Vertex layouts and the builder that makes them.

#include <cstdint>
#include <vector>

#include <d3d9.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::core {
class ISerializer;
}

namespace tormakelin::render {

// The layout of D3DVERTEXELEMENT9.
struct VertexElement {
    uint16_t stream = 0;
    uint16_t offset = 0;
    uint8_t type = 0;
    uint8_t method = 0;
    uint8_t usage = 0;
    uint8_t usageIndex = 0;
};
static_assert(sizeof(VertexElement) == 8);

class TORMAKELIN_RENDER_API IVertexDecl {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // False without a declaration.
    virtual bool bind() = 0;
    virtual IVertexDecl* clone() = 0;
    virtual bool serialize(core::ISerializer* serializer) = 0;
    virtual ~IVertexDecl() = default;
};

// An empty declaration for serialize to fill.
TORMAKELIN_RENDER_API IVertexDecl* createVertexDecl();

class TORMAKELIN_RENDER_API VertexDeclBuilder {
public:
    void add(const VertexElement& element) { m_elements.push_back(element); }
    // The elements and the end marker; null without elements or when the device refuses them.
    IVertexDecl* build() const;

private:
    std::vector<VertexElement> m_elements;
};

} // namespace tormakelin::render

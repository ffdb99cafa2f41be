#pragma once
// Occlusion queries: how many pixels of what is drawn between begin and end pass the depth test.

#include <d3d9.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/Export.h>
#include <tormakelin/render/RenderListener.h>

namespace tormakelin::render {

enum QueryType : int {
    QueryType_Occlusion = 0,
};

class TORMAKELIN_RENDER_API IQuery {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual QueryType getQueryType() = 0;
    virtual bool isComplete() = 0;
    virtual ~IQuery() = default;
};

class TORMAKELIN_RENDER_API OcclusionQuery final : public core::RefCounted<IQuery>, public RenderListener {
public:
    OcclusionQuery();
    ~OcclusionQuery() override;

    QueryType getQueryType() override { return QueryType_Occlusion; }
    bool isComplete() override { return m_complete; }

    // (Re)creates the Direct3D query; true on success.
    bool create();
    void begin();
    // Blocks until the count is there.
    void end();
    // Ends without waiting: poll reads the count once the device has it.
    void endWithoutWaiting();
    // Whether the count of the last end is there (getPixelCount then holds it); never waits.
    bool poll();
    bool isPending() const { return m_pending; }
    int getPixelCount() const { return m_pixelCount; }

    bool onLostDevice() override;
    bool onResetDevice() override;

private:
    void releaseQuery();

    IDirect3DQuery9* m_query = nullptr;
    int m_pixelCount = 0;
    bool m_complete = false;
    bool m_pending = false;
};

// Null for any type but occlusion, or when the device cannot make the query.
TORMAKELIN_RENDER_API IQuery* createQuery(QueryType type);

} // namespace tormakelin::render

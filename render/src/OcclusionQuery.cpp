#include <tormakelin/render/Query.h>
#include <tormakelin/render/RenderDevice.h>

namespace tormakelin::render {

OcclusionQuery::OcclusionQuery() : RenderListener(true) {}

OcclusionQuery::~OcclusionQuery()
{
    releaseQuery();
}

void OcclusionQuery::releaseQuery()
{
    m_pending = false;
    if (m_query != nullptr) {
        m_query->Release();
        m_query = nullptr;
    }
}

bool OcclusionQuery::create()
{
    releaseQuery();
    return g_d3d != nullptr && SUCCEEDED(g_d3d->CreateQuery(D3DQUERYTYPE_OCCLUSION, &m_query)) && m_query != nullptr;
}

void OcclusionQuery::begin()
{
    m_complete = false;
    if (m_query != nullptr) {
        m_query->Issue(D3DISSUE_BEGIN);
    }
}

void OcclusionQuery::end()
{
    m_pixelCount = 0;
    if (m_query == nullptr) {
        return;
    }
    m_query->Issue(D3DISSUE_END);
    DWORD count = 0;
    HRESULT result;
    while ((result = m_query->GetData(&count, sizeof(count), D3DGETDATA_FLUSH)) == S_FALSE) {
    }
    m_complete = true;
    m_pixelCount = result == S_OK ? static_cast<int>(count) : 0;
}

void OcclusionQuery::endWithoutWaiting()
{
    // The last count stays readable until the new one arrives.
    if (m_query == nullptr) {
        return;
    }
    m_query->Issue(D3DISSUE_END);
    m_pending = true;
}

bool OcclusionQuery::poll()
{
    if (m_pending) {
        DWORD count = 0;
        const HRESULT result = m_query->GetData(&count, sizeof(count), D3DGETDATA_FLUSH);
        if (result == S_FALSE) {
            return false;
        }
        m_pending = false;
        m_complete = true;
        m_pixelCount = result == S_OK ? static_cast<int>(count) : 0;
    }
    return m_complete;
}

bool OcclusionQuery::onLostDevice()
{
    releaseQuery();
    return true;
}

bool OcclusionQuery::onResetDevice()
{
    return create();
}

IQuery* createQuery(QueryType type)
{
    if (type != QueryType_Occlusion) {
        return nullptr;
    }
    auto* query = new OcclusionQuery();
    if (!query->create()) {
        delete query;
        return nullptr;
    }
    return query;
}

} // namespace tormakelin::render

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

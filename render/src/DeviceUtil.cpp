#include <tormakelin/render/DeviceUtil.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderView.h>

#include <cmath>
#include <cstring>

namespace tormakelin::render {

AspectRatio getAspectRatio(const DisplayMode& mode)
{
    const float h = static_cast<float>(mode.height);
    const auto matches = [&](float ratio) {
        return static_cast<double>(mode.width) == std::trunc(static_cast<double>(h * ratio));
    };
    if (matches(4.0f / 3.0f)) {
        return AspectRatio_4x3;
    }
    if (matches(16.0f / 9.0f)) {
        return AspectRatio_16x9;
    }
    if (matches(1.6f)) {
        return AspectRatio_16x10;
    }
    return AspectRatio_Other;
}

bool getNearestViewport(uint32_t backWidth, uint32_t backHeight, uint32_t docWidth, uint32_t docHeight,
    uint32_t& width, uint32_t& height)
{
    width = backWidth;
    height = backHeight;
    if (backWidth == 0 || backHeight == 0 || docWidth == 0 || docHeight == 0) {
        return false;
    }
    const double backAspect = static_cast<double>(backHeight) / backWidth;
    const double docAspect = static_cast<double>(docHeight) / docWidth;
    if (std::fabs(backAspect - docAspect) <= 1e-6) {
        return true;
    }
    if (docHeight >= docWidth) {
        return false;
    }
    const double fullWidthHeight = docAspect * backWidth;
    if (fullWidthHeight <= backHeight) {
        height = static_cast<uint32_t>(fullWidthHeight);
    } else {
        // The document is wider than tall but narrower than the back buffer: bars at the sides.
        width = static_cast<uint32_t>(static_cast<double>(docWidth) / docHeight * backHeight);
    }
    return true;
}

void calculateGammaRamp(float gamma, uint16_t* ramp)
{
    if (!(gamma > 0.0f) || std::isinf(gamma)) {
        std::memset(ramp, 0, 256 * sizeof(uint16_t));
        return;
    }
    for (int i = 0; i < 256; ++i) {
        if (gamma == 1.0f) {
            ramp[i] = static_cast<uint16_t>(i * 257);
            continue;
        }
        const double value = std::pow(i / 255.0, 1.0 / gamma) * 65535.0 + 0.5;
        ramp[i] = static_cast<uint16_t>(value >= 65535.0 ? 65535.0 : std::trunc(value));
    }
}

bool isFloatingPointFormat(D3DFORMAT format)
{
    return format >= D3DFMT_R16F && format <= D3DFMT_A32B32G32R32F;
}

std::string formatToString(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_R8G8B8: return "R8G8B8";
    case D3DFMT_A8R8G8B8: return "A8R8G8B8";
    case D3DFMT_X8R8G8B8: return "X8R8G8B8";
    case D3DFMT_R5G6B5: return "R5G6B5";
    case D3DFMT_X1R5G5B5: return "X1R5G5B5";
    case D3DFMT_A1R5G5B5: return "A1R5G5B5";
    case D3DFMT_A4R4G4B4: return "A4R4G4B4";
    case D3DFMT_R3G3B2: return "R3G3B2";
    case D3DFMT_A8: return "A8";
    case D3DFMT_A8R3G3B2: return "A8R3G3B2";
    case D3DFMT_X4R4G4B4: return "X4R4G4B4";
    case D3DFMT_A2B10G10R10: return "A2B10G10R10";
    case D3DFMT_A8B8G8R8: return "A8B8G8R8";
    case D3DFMT_X8B8G8R8: return "X8B8G8R8";
    case D3DFMT_G16R16: return "G16R16";
    case D3DFMT_A2R10G10B10: return "A2R10G10B10";
    case D3DFMT_A16B16G16R16: return "A16B16G16R16";
    case D3DFMT_A8P8: return "A8P8";
    case D3DFMT_P8: return "P8";
    case D3DFMT_L8: return "L8";
    case D3DFMT_A8L8: return "A8L8";
    case D3DFMT_A4L4: return "A4L4";
    case D3DFMT_V8U8: return "V8U8";
    case D3DFMT_L6V5U5: return "L6V5U5";
    case D3DFMT_X8L8V8U8: return "X8L8V8U8";
    case D3DFMT_Q8W8V8U8: return "Q8W8V8U8";
    case D3DFMT_V16U16: return "V16U16";
    case D3DFMT_A2W10V10U10: return "A2W10V10U10";
    case D3DFMT_UYVY: return "UYVY";
    case D3DFMT_YUY2: return "YUY2";
    case D3DFMT_DXT1: return "DXT1";
    case D3DFMT_DXT2: return "DXT2";
    case D3DFMT_DXT3: return "DXT3";
    case D3DFMT_DXT4: return "DXT4";
    case D3DFMT_DXT5: return "DXT5";
    case D3DFMT_R8G8_B8G8: return "RGBG";
    case D3DFMT_G8R8_G8B8: return "GRGB";
    case D3DFMT_MULTI2_ARGB8: return "MET1";
    case D3DFMT_CxV8U8: return "CXV8U8";
    case D3DFMT_D16_LOCKABLE: return "D16 Lockable";
    case D3DFMT_D32: return "D32";
    case D3DFMT_D15S1: return "D15S1";
    case D3DFMT_D24S8: return "D24S8";
    case D3DFMT_D24X8: return "D24X8";
    case D3DFMT_D24X4S4: return "D24X4S4";
    case D3DFMT_D16: return "D16";
    case D3DFMT_D32F_LOCKABLE: return "D32F Lockable";
    case D3DFMT_D24FS8: return "D24FS8";
    case D3DFMT_L16: return "L16";
    case D3DFMT_VERTEXDATA: return "VertexData";
    case D3DFMT_INDEX16: return "I16";
    case D3DFMT_INDEX32: return "I32";
    case D3DFMT_Q16W16V16U16: return "Q16W16V16U16";
    case D3DFMT_R16F: return "R16F";
    case D3DFMT_G16R16F: return "G16R16F";
    case D3DFMT_A16B16G16R16F: return "A16B16G16R16F";
    case D3DFMT_R32F: return "R32F";
    case D3DFMT_G32R32F: return "G32R32F";
    case D3DFMT_A32B32G32R32F: return "A32B32G32R32F";
    default: return "Unknown Format";
    }
}

std::string multiSampleToString(D3DMULTISAMPLE_TYPE type)
{
    if (type == D3DMULTISAMPLE_NONE) {
        return "D3DMULTISAMPLE_NONE";
    }
    if (type == D3DMULTISAMPLE_NONMASKABLE) {
        return "D3DMULTISAMPLE_NONMASKABLE";
    }
    if (type >= D3DMULTISAMPLE_2_SAMPLES && type <= D3DMULTISAMPLE_16_SAMPLES) {
        return "D3DMULTISAMPLE_" + std::to_string(static_cast<int>(type)) + "_SAMPLES";
    }
    return "Unknown";
}

namespace {

// World size of `pixels` screen pixels at `point`, through the projection and the current view.
float projectedSize(const D3DXMATRIX& view, const D3DXMATRIX& projection, const D3DXVECTOR3& point, float pixels)
{
    D3DXVECTOR4 eye;
    D3DXVec3Transform(&eye, &point, &view);
    const float clipW = eye.x * projection._14 + eye.y * projection._24 + eye.z * projection._34 + projection._44;
    float viewportWidth = 0.0f;
    if (g_renderDevice != nullptr && g_renderDevice->getRenderView() != nullptr) {
        viewportWidth = static_cast<float>(g_renderDevice->getRenderView()->getViewport().Width);
    }
    if (viewportWidth <= 0.0f || projection._11 == 0.0f) {
        return pixels;
    }
    return pixels * 2.0f * clipW / (projection._11 * viewportWidth);
}

void writeVec3(void* base, uint32_t stride, int index, const D3DXVECTOR3& value)
{
    auto* bytes = static_cast<unsigned char*>(base) + static_cast<size_t>(stride) * index;
    std::memcpy(bytes, &value, sizeof(float) * 3);
}

void writeVec2(void* base, uint32_t stride, int index, float u, float v)
{
    const float uv[2] = {u, v};
    auto* bytes = static_cast<unsigned char*>(base) + static_cast<size_t>(stride) * index;
    std::memcpy(bytes, uv, sizeof(uv));
}

} // namespace

void computeScreenCoord(const D3DXMATRIX& inverseView, const D3DXMATRIX& view, const D3DXMATRIX& projection,
    void* positions, void* texCoords, uint32_t stride, const D3DXVECTOR3& start, const D3DXVECTOR3& end,
    float width, bool perspective)
{
    const D3DXVECTOR3 direction = end - start;
    D3DXVECTOR3 viewDirection;
    D3DXVec3TransformNormal(&viewDirection, &direction, &view);
    // Perpendicular to the segment as the camera sees it.
    float px = -viewDirection.y;
    float py = viewDirection.x;
    const float length = std::sqrt(px * px + py * py);
    if (length > 0.0f) {
        px /= length;
        py /= length;
    } else {
        px = 0.0f;
        py = 1.0f;
    }
    const D3DXVECTOR3 right(inverseView._11, inverseView._12, inverseView._13);
    const D3DXVECTOR3 up(inverseView._21, inverseView._22, inverseView._23);
    const D3DXVECTOR3 side = right * px + up * py;
    const float startWidth = perspective ? projectedSize(view, projection, start, width) : width;
    const float endWidth = perspective ? projectedSize(view, projection, end, width) : width;

    writeVec3(positions, stride, 0, start + side * startWidth);
    writeVec3(positions, stride, 1, start - side * startWidth);
    writeVec3(positions, stride, 2, end - side * endWidth);
    writeVec3(positions, stride, 3, end + side * endWidth);
    if (texCoords != nullptr) {
        writeVec2(texCoords, stride, 0, 0.0f, 1.0f);
        writeVec2(texCoords, stride, 1, 0.0f, 0.0f);
        writeVec2(texCoords, stride, 2, 1.0f, 1.0f);
        writeVec2(texCoords, stride, 3, 1.0f, 0.0f);
    }
}

} // namespace tormakelin::render

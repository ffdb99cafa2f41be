#include <gtest/gtest.h>

#include <d3d9sim.h>

#include <tormakelin/render/DeviceUtil.h>

#include <cstring>

using namespace tormakelin::render;

namespace {

class DeviceEnumTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        d3dsimSetAdapters({});
        d3dsimFailDirect3DCreate(false);
    }

    static D3DSimAdapter adapter(const char* description, std::vector<D3DDISPLAYMODE> modes, DWORD pixelShader)
    {
        D3DSimAdapter a = d3dsimDefaultAdapter();
        std::strncpy(a.identifier.Description, description, sizeof(a.identifier.Description) - 1);
        a.modes = std::move(modes);
        a.caps.PixelShaderVersion = pixelShader;
        return a;
    }
};

} // namespace

TEST_F(DeviceEnumTest, AdaptersModesAndShaderModelFromDirect3D)
{
    d3dsimSetAdapters({
        adapter("first", {{640, 480, 60, D3DFMT_X8R8G8B8}, {1280, 720, 75, D3DFMT_X8R8G8B8}}, D3DPS_VERSION(3, 0)),
        adapter("second", {{800, 600, 60, D3DFMT_X8R8G8B8}}, D3DPS_VERSION(2, 0)),
    });
    std::list<DeviceDesc> devices;
    ASSERT_TRUE(enumDevices(devices));
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices.front().adapter, 0u);
    EXPECT_STREQ(devices.front().identifier.Description, "first");
    EXPECT_EQ(devices.back().adapter, 1u);
    EXPECT_STREQ(devices.back().identifier.Description, "second");
    EXPECT_NE(devices.front().monitor, devices.back().monitor);

    std::vector<DisplayMode> modes;
    getDisplayModes(modes);
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[1].width, 1280u);
    EXPECT_EQ(modes[1].height, 720u);
    EXPECT_EQ(modes[1].refreshRate, 75u);

    EXPECT_EQ(getShaderModel(nullptr, 0, D3DDEVTYPE_HAL), static_cast<int>(D3DPS_VERSION(3, 0)));
    EXPECT_EQ(getShaderModel(nullptr, 1, D3DDEVTYPE_HAL), static_cast<int>(D3DPS_VERSION(2, 0)));
    EXPECT_EQ(getShaderModel(nullptr, 7, D3DDEVTYPE_HAL), 0) << "no such adapter";
}

TEST_F(DeviceEnumTest, NothingWithoutDirect3D)
{
    d3dsimFailDirect3DCreate(true);
    std::list<DeviceDesc> devices;
    EXPECT_FALSE(enumDevices(devices));
    EXPECT_TRUE(devices.empty());
    std::vector<DisplayMode> modes;
    getDisplayModes(modes);
    EXPECT_TRUE(modes.empty());
    EXPECT_EQ(getShaderModel(nullptr, 0, D3DDEVTYPE_HAL), 0);
}

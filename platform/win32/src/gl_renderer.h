#pragma once
// Draws ImGui's triangle lists with OpenGL 3.3 core, through libepoxy.

#include <cstdint>
#include <vector>

struct ImDrawData;

namespace tormakelin::win32 {

class GlRenderer {
public:
    bool create();
    void destroy();
    void draw(ImDrawData* data, int width, int height, float r, float g, float b);
    // The last drawn frame, RGBA with the top row first.
    void readPixels(int width, int height, std::vector<uint8_t>& rgba);

private:
    unsigned m_program = 0, m_vao = 0, m_vbo = 0, m_ebo = 0, m_font = 0;
    int m_projection = -1, m_texture = -1;
};

}  // namespace tormakelin::win32

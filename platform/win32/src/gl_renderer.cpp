#include "gl_renderer.h"

#include <epoxy/gl.h>
#include <imgui.h>

#include <cstddef>
#include <cstring>

namespace tormakelin::win32 {
namespace {

const char* const kVertex = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 uv;
layout(location = 2) in vec4 color;
uniform mat4 projection;
out vec2 fragUv;
out vec4 fragColor;
void main() {
    fragUv = uv;
    fragColor = color;
    gl_Position = projection * vec4(position, 0.0, 1.0);
}
)";

const char* const kFragment = R"(#version 330 core
in vec2 fragUv;
in vec4 fragColor;
uniform sampler2D glyphs;
out vec4 outColor;
void main() { outColor = fragColor * texture(glyphs, fragUv); }
)";

GLuint compile(GLenum stage, const char* source) {
    GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

bool GlRenderer::create() {
    GLuint vs = compile(GL_VERTEX_SHADER, kVertex), fs = compile(GL_FRAGMENT_SHADER, kFragment);
    if (!vs || !fs) return false;
    m_program = glCreateProgram();
    glAttachShader(m_program, vs);
    glAttachShader(m_program, fs);
    glLinkProgram(m_program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(m_program, GL_LINK_STATUS, &ok);
    if (!ok) return false;
    m_projection = glGetUniformLocation(m_program, "projection");
    m_texture = glGetUniformLocation(m_program, "glyphs");

    glGenVertexArrays(1, &m_vao);
    glGenBuffers(1, &m_vbo);
    glGenBuffers(1, &m_ebo);
    glBindVertexArray(m_vao);
    glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ebo);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(ImDrawVert), reinterpret_cast<void*>(offsetof(ImDrawVert, pos)));
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(ImDrawVert), reinterpret_cast<void*>(offsetof(ImDrawVert, uv)));
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(ImDrawVert), reinterpret_cast<void*>(offsetof(ImDrawVert, col)));
    glBindVertexArray(0);

    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    ImGui::GetIO().Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    glGenTextures(1, &m_font);
    glBindTexture(GL_TEXTURE_2D, m_font);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    ImGui::GetIO().Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(m_font)));
    return true;
}

void GlRenderer::destroy() {
    if (m_font) glDeleteTextures(1, &m_font);
    if (m_vbo) glDeleteBuffers(1, &m_vbo);
    if (m_ebo) glDeleteBuffers(1, &m_ebo);
    if (m_vao) glDeleteVertexArrays(1, &m_vao);
    if (m_program) glDeleteProgram(m_program);
    m_font = m_vbo = m_ebo = m_vao = m_program = 0;
}

void GlRenderer::draw(ImDrawData* data, int width, int height, float r, float g, float b) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (!m_program || !data || width <= 0 || height <= 0) return;

    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_SCISSOR_TEST);
    glUseProgram(m_program);
    glUniform1i(m_texture, 0);
    float scaleX = data->DisplaySize.x > 0 ? float(width) / data->DisplaySize.x : 1.0f;
    float scaleY = data->DisplaySize.y > 0 ? float(height) / data->DisplaySize.y : 1.0f;
    float L = data->DisplayPos.x, R = data->DisplayPos.x + data->DisplaySize.x;
    float T = data->DisplayPos.y, B = data->DisplayPos.y + data->DisplaySize.y;
    const float ortho[16] = {2.0f / (R - L), 0, 0, 0, 0, 2.0f / (T - B), 0, 0, 0, 0, -1, 0,
                             (R + L) / (L - R), (T + B) / (B - T), 0, 1};
    glUniformMatrix4fv(m_projection, 1, GL_FALSE, ortho);
    glBindVertexArray(m_vao);
    glActiveTexture(GL_TEXTURE0);
    for (int n = 0; n < data->CmdListsCount; ++n) {
        const ImDrawList* list = data->CmdLists[n];
        glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(list->VtxBuffer.Size * sizeof(ImDrawVert)), list->VtxBuffer.Data, GL_STREAM_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ebo);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(list->IdxBuffer.Size * sizeof(ImDrawIdx)), list->IdxBuffer.Data, GL_STREAM_DRAW);
        for (const ImDrawCmd& cmd : list->CmdBuffer) {
            if (cmd.UserCallback) continue;
            float x0 = (cmd.ClipRect.x - L) * scaleX, y0 = (cmd.ClipRect.y - T) * scaleY;
            float x1 = (cmd.ClipRect.z - L) * scaleX, y1 = (cmd.ClipRect.w - T) * scaleY;
            if (x1 <= x0 || y1 <= y0) continue;
            glScissor(GLint(x0), GLint(float(height) - y1), GLsizei(x1 - x0), GLsizei(y1 - y0));
            glBindTexture(GL_TEXTURE_2D, GLuint(reinterpret_cast<intptr_t>(cmd.GetTexID())));
            glDrawElements(GL_TRIANGLES, GLsizei(cmd.ElemCount), sizeof(ImDrawIdx) == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                           reinterpret_cast<void*>(cmd.IdxOffset * sizeof(ImDrawIdx)));
        }
    }
    glBindVertexArray(0);
    glDisable(GL_SCISSOR_TEST);
}

void GlRenderer::readPixels(int width, int height, std::vector<uint8_t>& rgba) {
    rgba.assign(size_t(width) * size_t(height) * 4, 0);
    if (width <= 0 || height <= 0) return;
    std::vector<uint8_t> rows(rgba.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    size_t stride = size_t(width) * 4;
    for (int y = 0; y < height; ++y)
        std::memcpy(rgba.data() + size_t(y) * stride, rows.data() + size_t(height - 1 - y) * stride, stride);
}

}  // namespace tormakelin::win32

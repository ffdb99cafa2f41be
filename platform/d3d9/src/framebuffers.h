#pragma once
// Framebuffer objects cached per set of attachments, forgotten with the textures they show.

#include <epoxy/gl.h>

#include <array>
#include <map>

namespace d3d9gl {

// One image of a GL texture: a level, and a cube face or volume slice when layer >= 0.
struct Attachment {
    GLuint name = 0;
    GLint level = 0;
    GLint layer = -1;
    auto operator<=>(const Attachment&) const = default;
};

struct AttachmentSet {
    std::array<Attachment, 4> colour{};
    Attachment depth{};
    bool stencil = false;  // the depth image holds stencil too
    auto operator<=>(const AttachmentSet&) const = default;
};

class FramebufferCache {
public:
    struct Entry {
        GLuint framebuffer = 0;
        bool complete = false;
    };
    // The framebuffer of the set, made on first use. Needs the context current.
    const Entry& get(const AttachmentSet& set);
    // Drops every framebuffer that shows the texture (before the name is deleted and reused).
    void forget(GLuint texture);
    void clear();

private:
    std::map<AttachmentSet, Entry> entries_;
};

}  // namespace d3d9gl

#include "framebuffers.h"

#include <vector>

namespace d3d9gl {

namespace {

void attach(GLuint framebuffer, GLenum point, const Attachment& a) {
    if (a.layer >= 0) glNamedFramebufferTextureLayer(framebuffer, point, a.name, a.level, a.layer);
    else glNamedFramebufferTexture(framebuffer, point, a.name, a.level);
}

bool shows(const AttachmentSet& set, GLuint texture) {
    if (set.depth.name == texture) return true;
    for (const Attachment& a : set.colour)
        if (a.name == texture) return true;
    return false;
}

}  // namespace

const FramebufferCache::Entry& FramebufferCache::get(const AttachmentSet& set) {
    auto found = entries_.find(set);
    if (found != entries_.end()) return found->second;
    Entry entry;
    glCreateFramebuffers(1, &entry.framebuffer);
    GLenum buffers[4];
    for (GLuint i = 0; i < 4; ++i) {
        const Attachment& a = set.colour[i];
        if (a.name) attach(entry.framebuffer, GL_COLOR_ATTACHMENT0 + i, a);
        buffers[i] = a.name ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
    }
    glNamedFramebufferDrawBuffers(entry.framebuffer, 4, buffers);
    glNamedFramebufferReadBuffer(entry.framebuffer, set.colour[0].name ? GL_COLOR_ATTACHMENT0 : GL_NONE);
    if (set.depth.name)
        attach(entry.framebuffer, set.stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT, set.depth);
    entry.complete =
        glCheckNamedFramebufferStatus(entry.framebuffer, GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    return entries_.emplace(set, entry).first->second;
}

void FramebufferCache::forget(GLuint texture) {
    std::vector<GLuint> dropped;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (shows(it->first, texture)) {
            dropped.push_back(it->second.framebuffer);
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    if (!dropped.empty()) glDeleteFramebuffers(GLsizei(dropped.size()), dropped.data());
}

void FramebufferCache::clear() {
    for (auto& entry : entries_) glDeleteFramebuffers(1, &entry.second.framebuffer);
    entries_.clear();
}

}  // namespace d3d9gl
